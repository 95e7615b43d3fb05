#pragma once
// The tool against the simulated module in virtual time, for the link and app scenarios.
#include <deque>
#include <string>
#include <vector>

#include "core/app/Tool.h"
#include "core/link/Frames.h"
#include "core/platform/VirtualScheduler.h"
#include "sim/SimModule.h"
#include "sim/SimPort.h"
#include "tests/support/ScriptedDialogs.h"

namespace qor::test {

// Passes everything to the simulated port, but can deliver the next answer in pieces of
// chosen sizes (and drop what is left), so a test controls exactly how a reply arrives.
class ReChunkPort : public Port {
  public:
    ReChunkPort(VirtualScheduler& s, Port& inner) : s_(s), inner_(inner) {
        inner_.setOnBytesArrived([this](std::size_t n) { arrived(n); });
    }
    ~ReChunkPort() override { inner_.setOnBytesArrived(nullptr); }

    // The next answer arrives as these pieces, gap ms apart; bytes beyond them are lost.
    void splitNext(std::vector<std::size_t> sizes, Millis gap) {
        sizes_ = std::move(sizes);
        gap_ = gap;
    }

    bool open(const std::string& name) override { return inner_.open(name); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    std::string name() const override { return inner_.name(); }
    bool setBaud(int baud) override { return inner_.setBaud(baud); }
    int baud() const override { return inner_.baud(); }
    bool write(const Bytes& data) override { return inner_.write(data); }
    bool read(std::size_t n, Bytes& out) override {
        out.clear();
        while (n-- > 0 && !queue_.empty()) {
            out.push_back(queue_.front());
            queue_.pop_front();
        }
        return true;
    }
    std::size_t bytesAvailable() const override { return queue_.size(); }
    void discardBuffers() override {
        queue_.clear();
        inner_.discardBuffers();
    }
    void setOnBytesArrived(std::function<void(std::size_t)> h) override { handler_ = std::move(h); }
    std::string lastError() const override { return inner_.lastError(); }

  private:
    void arrived(std::size_t n) {
        Bytes b;
        inner_.read(n, b);
        if (sizes_.empty()) return push(b);
        auto sizes = std::move(sizes_);
        sizes_.clear();
        std::size_t pos = 0;
        Millis delay = 0;
        for (std::size_t size : sizes) {
            Bytes piece(b.begin() + long(std::min(pos, b.size())),
                        b.begin() + long(std::min(pos + size, b.size())));
            pos += size;
            s_.callAfter(delay, [this, piece] { push(piece); });
            delay += gap_;
        }
    }
    void push(const Bytes& b) {
        queue_.insert(queue_.end(), b.begin(), b.end());
        if (handler_ && !b.empty()) handler_(b.size());
    }

    VirtualScheduler& s_;
    Port& inner_;
    std::deque<Byte> queue_;
    std::vector<std::size_t> sizes_;
    Millis gap_ = 0;
    std::function<void(std::size_t)> handler_;
};

class NoOpener : public DocumentOpener {
  public:
    bool open(const std::string&) override { return true; }
};

class ListedPorts : public PortLister {
  public:
    std::vector<std::string> availablePorts() const override { return {"COM1", "COM3"}; }
};

inline constexpr const char* kSimDevice = "COM3";

struct SimRig {
    // appDir empty: no settings files, and the port given as on the command line (--port).
    explicit SimRig(std::vector<std::string> args = {"qor-etc", "-O"}, std::string appDir = "")
        : simPort(sched, module, kSimDevice),
          port(sched, simPort),
          tool(sched, port, dialogs, opener, lister, std::move(args),
               appDir.empty() ? "/nonexistent-qor-dir/" : appDir) {
        if (appDir.empty()) tool.overridePort(kSimDevice);
    }

    // Virtual time until the tool's next write, at most `limit` ms; true when one came.
    bool runUntilWrites(std::size_t count, Millis limit = 5000) {
        return sched.runUntil([&] { return simPort.writtenFrames().size() >= count; }, limit);
    }
    std::string letters() const {
        std::string s;
        for (const auto& f : simPort.writtenFrames()) s += f.empty() ? '?' : char(f[0]);
        return s;
    }

    VirtualScheduler sched;
    sim::SimModule module;
    sim::SimPort simPort;
    ReChunkPort port;
    ScriptedDialogs dialogs;
    NoOpener opener;
    ListedPorts lister;
    Tool tool;
};

}  // namespace qor::test
