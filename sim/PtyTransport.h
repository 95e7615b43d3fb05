#pragma once
#include <chrono>
#include <cstdint>
#include <csignal>
#include <deque>
#include <functional>
#include <string>

#include "sim/SimModule.h"

namespace qor::sim {

// Serves a SimModule on a pseudo-terminal in real time. The tool opens the slave side like a
// serial device; the speed the tool set is read back from the master side, so the module can
// tell when the two sides disagree.
class PtyTransport {
  public:
    explicit PtyTransport(SimModule& module) : module_(module) {}
    ~PtyTransport();
    PtyTransport(const PtyTransport&) = delete;
    PtyTransport& operator=(const PtyTransport&) = delete;

    // Creates the pseudo-terminal in raw mode; false with `error` set on failure.
    bool open(std::string& error);
    const std::string& devicePath() const { return path_; }

    void setPacing(bool on) { paced_ = on; }
    // Called with one line per chunk received and per chunk sent (no newline).
    void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // Called about every `period` ms while serving (live values that move, for instance).
    void setTick(Millis period, std::function<void(Millis)> tick) {
        tickPeriod_ = period;
        tick_ = std::move(tick);
    }

    // Serves until *stop becomes non-zero. Returns 0, or 1 after an unrecoverable error.
    int serve(const volatile std::sig_atomic_t* stop);

    // The tool's speed as set on its side of the terminal; 0 if unknown.
    int toolBaud() const;
    Millis now() const;

  private:
    using Micros = std::int64_t;
    Micros nowUs() const;

    struct Pending {
        Micros due;
        int baud;  // the module's speed when it sent them
        Bytes bytes;
    };
    void handleInput(const Bytes& in);
    void sendDue();
    void dropDevice();
    void log(const char* dir, int baud, const Bytes& bytes);

    SimModule& module_;
    int master_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up while the tool is away
    std::string path_;
    bool paced_ = false;
    std::function<void(const std::string&)> log_;
    Millis tickPeriod_ = 100;
    std::function<void(Millis)> tick_;
    std::deque<Pending> out_;
    Micros lineFreeAt_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace qor::sim
