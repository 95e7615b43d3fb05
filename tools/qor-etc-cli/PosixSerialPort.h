#pragma once
// A qor::Port on a POSIX serial device (or pseudo-terminal): raw 8N1, no flow control,
// 9600 or 115200 baud, DTR and RTS dropped where the device allows it.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "core/platform/Port.h"
#include "tools/qor-etc-cli/PosixLoop.h"

namespace qor::cli {

class PosixSerialPort : public Port {
public:
    static constexpr int kWriteTimeoutMs = 2000;

    explicit PosixSerialPort(PosixLoop& loop) : loop_(loop) {}
    ~PosixSerialPort() override { close(); }

    bool open(const std::string& name) override {
        close();
        const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return fail(name + ": " + std::strerror(errno));
        fd_ = fd;
        name_ = name;
        if (!configure()) {
            const std::string why = error_;
            close();
            return fail(why);
        }
        // Refused by pseudo-terminals; harmless there.
        int lines = TIOCM_DTR | TIOCM_RTS;
        (void)::ioctl(fd_, TIOCMBIC, &lines);
        (void)::ioctl(fd_, TIOCEXCL);
        failed_ = false;
        input_.clear();
        loop_.watch(fd_, [this] { onReadable(); });
        return true;
    }

    void close() override {
        if (fd_ < 0) return;
        loop_.unwatch(fd_);
        ::close(fd_);
        fd_ = -1;
        input_.clear();
    }

    bool isOpen() const override { return fd_ >= 0; }
    std::string name() const override { return name_; }

    bool setBaud(int baud) override {
        if (baud != 9600 && baud != 115200) return false;
        baud_ = baud;
        return fd_ < 0 || configure();
    }
    int baud() const override { return baud_; }

    bool write(const Bytes& data) override {
        if (fd_ < 0 || failed_) return false;
        const double deadline = loop_.nowMs() + kWriteTimeoutMs;
        if (lastArrivalMs_ >= 0) {
            turnaroundMs += deadline - kWriteTimeoutMs - lastArrivalMs_;
            lastArrivalMs_ = -1;
        }
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                bytesAtBaud[baud_] += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                error_ = std::strerror(errno);
                return false;
            }
            const double left = deadline - loop_.nowMs();
            if (left <= 0) {
                error_ = "write time-out";
                return false;
            }
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(left) + 1);
        }
        return true;
    }

    bool read(std::size_t n, Bytes& out) override {
        out.clear();
        if (fd_ < 0 || failed_) return false;
        const std::size_t take = std::min(n, input_.size());
        out.assign(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(take));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(take));
        return true;
    }

    std::size_t bytesAvailable() const override { return input_.size(); }

    void discardBuffers() override {
        input_.clear();
        if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
    }

    void setOnBytesArrived(std::function<void(std::size_t)> handler) override {
        onArrived_ = std::move(handler);
    }
    std::string lastError() const override { return error_; }

    // Bytes written and read so far, by the baud rate the port had at the time.
    std::map<int, std::size_t> bytesAtBaud;
    // Time from the last bytes that arrived to the write that followed them, summed: what the
    // tool itself adds to each turn of the conversation (timer waits included).
    double turnaroundMs = 0;

private:
    bool fail(const std::string& why) {
        error_ = why;
        return false;
    }

    bool configure() {
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return fail(std::strerror(errno));
        ::cfmakeraw(&t);
        t.c_cflag &= static_cast<tcflag_t>(~(CSTOPB | PARENB | CSIZE | CRTSCTS));
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        t.c_iflag &= static_cast<tcflag_t>(~(IXON | IXOFF | IXANY));
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        const speed_t s = baud_ == 115200 ? B115200 : B9600;
        ::cfsetispeed(&t, s);
        ::cfsetospeed(&t, s);
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) return fail(std::strerror(errno));
        return true;
    }

    void onReadable() {
        Byte buf[4096];
        std::size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n > 0) {
                input_.insert(input_.end(), buf, buf + n);
                got += static_cast<std::size_t>(n);
                continue;
            }
            // A raw terminal with no minimum count reads 0 when nothing is left.
            if (n == 0 || errno == EAGAIN || errno == EINTR) break;
            // A device error (EIO once the far end of a pseudo-terminal is gone): the link is
            // lost. Stop watching, as the device stays readable, and let the next read fail.
            error_ = std::strerror(errno);
            failed_ = true;
            loop_.unwatch(fd_);
            break;
        }
        bytesAtBaud[baud_] += got;
        if (got > 0) lastArrivalMs_ = loop_.nowMs();
        if (onArrived_ && (got > 0 || failed_)) onArrived_(got);
    }

    PosixLoop& loop_;
    int fd_ = -1;
    int baud_ = 9600;
    bool failed_ = false;
    double lastArrivalMs_ = -1;
    std::string name_, error_;
    Bytes input_;
    std::function<void(std::size_t)> onArrived_;
};

}  // namespace qor::cli
