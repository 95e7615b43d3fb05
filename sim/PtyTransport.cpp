#include "sim/PtyTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "sim/Wire.h"

namespace qor::sim {

namespace {

constexpr std::array<std::pair<speed_t, int>, 8> kSpeeds{{{B1200, 1200},
                                                          {B2400, 2400},
                                                          {B4800, 4800},
                                                          {B9600, 9600},
                                                          {B19200, 19200},
                                                          {B38400, 38400},
                                                          {B57600, 57600},
                                                          {B115200, 115200}}};

std::string hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (Byte x : b) {
        std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", x);
        s += buf;
    }
    return s;
}

}  // namespace

PtyTransport::~PtyTransport() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyTransport::open(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
        error = std::string("opening ") + path_ + ": " + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        error = std::string("raw mode: ") + std::strerror(errno);
        return false;
    }
    start_ = std::chrono::steady_clock::now();
    return true;
}

Millis PtyTransport::now() const {
    return nowUs() / 1000;
}

PtyTransport::Micros PtyTransport::nowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

int PtyTransport::toolBaud() const {
    termios tio{};
    if (master_ < 0 || ::tcgetattr(master_, &tio) != 0) return 0;
    const speed_t s = ::cfgetospeed(&tio);
    for (const auto& [code, baud] : kSpeeds)
        if (code == s) return baud;
    return 0;
}

void PtyTransport::log(const char* dir, int baud, const Bytes& bytes) {
    if (log_)
        log_(std::to_string(now()) + " " + std::to_string(baud) + " " + dir + " " + hex(bytes));
}

void PtyTransport::handleInput(const Bytes& in) {
    const int baud = toolBaud();
    log("rx", baud, in);
    // The speed is read after the bytes were written: a 'G' may be read after the tool has
    // already followed it to the fast speed. It went out at the power-up speed.
    std::vector<Transmission> sent;
    Bytes rest = in;
    if (!in.empty() && in[0] == 'G' && baud == kFastBaud && module_.baud() == kPowerUpBaud) {
        sent = module_.receive({'G'}, kPowerUpBaud);
        rest.erase(rest.begin());
    }
    for (auto& t : module_.receive(rest, baud)) sent.push_back(std::move(t));
    if (module_.disconnected()) {
        dropDevice();
        return;
    }
    // Microseconds throughout: at the fast speed a whole exchange takes about a millisecond,
    // so rounding each step up to whole milliseconds would more than double it.
    constexpr std::int64_t kUs = 1000;
    Micros start = nowUs() + (paced_ ? wireTime(in.size(), baud, kUs) : 0);
    for (const auto& t : sent) {
        start = std::max(start, lineFreeAt_);
        const ChunkPlan plan = planChunks(t, paced_, kUs);
        for (const auto& c : plan.chunks) out_.push_back({start + c.at, t.baud, c.bytes});
        lineFreeAt_ = start + plan.end;
    }
}

void PtyTransport::sendDue() {
    while (master_ >= 0 && !out_.empty() && out_.front().due <= nowUs()) {
        Pending p = std::move(out_.front());
        out_.pop_front();
        const int baud = toolBaud();
        // Bytes the module sends at another speed than the tool's arrive as noise.
        if (baud != p.baud) p.bytes.assign(p.bytes.size(), kGarbageByte);
        const ssize_t n = ::write(master_, p.bytes.data(), p.bytes.size());
        if (n == static_cast<ssize_t>(p.bytes.size()))
            log("tx", p.baud, p.bytes);
        else
            log("tx-lost", p.baud, p.bytes);  // nobody reads the other side and it is full
    }
}

void PtyTransport::dropDevice() {
    log("disconnect", 0, {});
    out_.clear();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

int PtyTransport::serve(const volatile std::sig_atomic_t* stop) {
    Micros nextTick = nowUs();
    while (!*stop) {
        if (tick_ && nowUs() >= nextTick) {
            tick_(now());
            nextTick = nowUs() + tickPeriod_ * 1000;
        }
        sendDue();
        Micros wait = tick_ ? nextTick - nowUs() : 1000000;
        if (!out_.empty()) wait = std::min(wait, out_.front().due - nowUs());
        wait = std::clamp<Micros>(wait, 0, 1000000);
        // ppoll: a reply is due to the microsecond, not at the next whole millisecond.
        const timespec timeout{static_cast<time_t>(wait / 1000000),
                               static_cast<long>(wait % 1000000) * 1000};
        pollfd p{master_, POLLIN, 0};
        const int r = ::ppoll(master_ >= 0 ? &p : nullptr, master_ >= 0 ? 1 : 0, &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            std::perror("poll");
            return 1;
        }
        if (r == 0 || master_ < 0) continue;
        if (p.revents & POLLIN) {
            Bytes in;
            Byte buf[4096];
            ssize_t n;
            while ((n = ::read(master_, buf, sizeof buf)) > 0) in.insert(in.end(), buf, buf + n);
            if (!in.empty()) handleInput(in);
        } else if (p.revents & (POLLHUP | POLLERR)) {
            ::usleep(20000);  // should not happen while the slave is held open; do not spin
        }
    }
    return 0;
}

}  // namespace qor::sim
