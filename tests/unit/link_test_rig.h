#pragma once
// A scripted serial port and a Tool around it, for the link and app unit tests.
#include <unistd.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/Tool.h"
#include "core/link/Frames.h"
#include "core/platform/VirtualScheduler.h"
#include "tests/support/ScriptedDialogs.h"

namespace qor::test {

class FakePort : public Port {
  public:
    struct Write {
        Bytes bytes;
        int baud;
    };
    bool open(const std::string& name) override {
        ++openAttempts;
        if (!openable) return false;
        open_ = true;
        name_ = name;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::string name() const override { return name_; }
    bool setBaud(int baud) override {
        baud_ = baud;
        return true;
    }
    int baud() const override { return baud_; }
    bool write(const Bytes& data) override {
        if (failWrites) return false;
        writes.push_back({data, baud_});
        return true;
    }
    bool read(std::size_t n, Bytes& out) override {
        if (failReads) return false;
        out.clear();
        while (n-- > 0 && !input.empty()) {
            out.push_back(input.front());
            input.pop_front();
        }
        return true;
    }
    std::size_t bytesAvailable() const override { return input.size(); }
    void discardBuffers() override {
        ++discards;
        input.clear();
    }
    void setOnBytesArrived(std::function<void(std::size_t)> h) override { handler = std::move(h); }
    std::string lastError() const override { return {}; }

    // The module sends bytes: they are queued and announced.
    void deliver(const Bytes& b) {
        input.insert(input.end(), b.begin(), b.end());
        if (handler) handler(b.size());
    }
    // Letters of every frame written so far, e.g. "VGS*".
    std::string letters() const {
        std::string s;
        for (const auto& w : writes) s += w.bytes.empty() ? '?' : char(w.bytes[0]);
        return s;
    }

    bool openable = true;
    bool failWrites = false;
    bool failReads = false;
    int openAttempts = 0;
    int discards = 0;
    std::vector<Write> writes;
    std::deque<Byte> input;
    std::function<void(std::size_t)> handler;

  private:
    bool open_ = false;
    std::string name_;
    int baud_ = 0;
};

class FakeOpener : public DocumentOpener {
  public:
    bool open(const std::string& path) override {
        opened.push_back(path);
        return exists;
    }
    bool exists = true;
    std::vector<std::string> opened;
};

class FakeLister : public PortLister {
  public:
    std::vector<std::string> availablePorts() const override { return ports; }
    std::vector<std::string> ports{"COM1", "COM3"};
};

// A fresh folder per test, removed afterwards.
struct TempDir {
    TempDir() {
        static std::atomic<int> n{0};
        path = std::filesystem::temp_directory_path() /
               ("qor-link-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string dir() const { return path.string() + "/"; }
    std::filesystem::path path;
};

inline Bytes reply(char letter, const std::string& body) {
    return frames::Framed(letter, bytesOf(body));
}
inline Bytes withBadChecksum(Bytes b) {
    b.back() = static_cast<Byte>(b.back() + 1);
    return b;
}
inline Bytes liveFrame(Byte fill = 7) {
    return frames::Framed('*', Bytes(64, fill));
}

struct Rig {
    explicit Rig(std::vector<std::string> args = {"qor-etc", "-O"})
        : tool(sched, port, dialogs, opener, lister, std::move(args), tmp.dir()) {}

    // show() and the identification chain up to the 'a' reply, answered with the levels.
    void goOnline(int master = 4, int user = 1, const std::string& version = "1EA1AB1AA") {
        tool.show();
        sched.advance(80);
        port.deliver(reply('V', version));
        sched.advance(50);
        port.deliver(reply('S', "123456"));
        port.deliver(reply('a', std::string{char(master), char(user)}));
    }

    TempDir tmp;
    VirtualScheduler sched;
    FakePort port;
    ScriptedDialogs dialogs;
    FakeOpener opener;
    FakeLister lister;
    Tool tool;
};

}  // namespace qor::test
