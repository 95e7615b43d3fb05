#pragma once
// The tool with its transfer code against simulated modules, in virtual time. Two modules
// sit behind one port name; `plug` chooses which one answers (a cable moved between them).
#include <array>
#include <string>
#include <vector>

#include "core/app/Tool.h"
#include "core/link/Frames.h"
#include "core/platform/VirtualScheduler.h"
#include "core/transfer/Transfer.h"
#include "sim/SimPort.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/unit/link_test_rig.h"

namespace qor::test {

// A port that forwards to one of two simulated ports.
class SwitchPort : public Port {
public:
    SwitchPort(sim::SimPort& a, sim::SimPort& b) : ports_{&a, &b} {}
    void plug(int which) {
        if (cur().isOpen()) cur().close();
        active_ = which;
    }
    sim::SimPort& cur() const { return *ports_[static_cast<std::size_t>(active_)]; }

    bool open(const std::string& name) override { return cur().open(name); }
    void close() override { cur().close(); }
    bool isOpen() const override { return cur().isOpen(); }
    std::string name() const override { return cur().name(); }
    bool setBaud(int baud) override {
        for (auto* p : ports_) p->setBaud(baud);
        return true;
    }
    int baud() const override { return cur().baud(); }
    bool write(const Bytes& d) override { return cur().write(d); }
    bool read(std::size_t n, Bytes& out) override { return cur().read(n, out); }
    std::size_t bytesAvailable() const override { return cur().bytesAvailable(); }
    void discardBuffers() override { cur().discardBuffers(); }
    void setOnBytesArrived(std::function<void(std::size_t)> h) override {
        for (auto* p : ports_) p->setOnBytesArrived(h);
    }
    std::string lastError() const override { return cur().lastError(); }

private:
    std::array<sim::SimPort*, 2> ports_;
    int active_ = 0;
};

using Image = std::array<std::uint16_t, sim::kImageWords>;

struct TransferRig {
    TransferRig() {
        tool.overridePort(sim::SimPort::kDefaultDevice);
        b.setImage(Image{});  // the second module starts blank
    }

    // Program start: identification and, for a user level above 1, the whole upload.
    // Returns when live data runs again (or the time limit passed).
    bool startAndUpload(Millis limit = 60000) {
        tool.show();
        return sched.runUntil([this] { return uploadDone(); }, limit);
    }
    bool uploadDone() const {
        return st().UploadStep == kUploadDone && st().PendingRequest == '*' && st().LinkOnline;
    }
    // Download started and finished with live data polling again.
    bool downloadDone() const {
        return st().TransferStep == 0 && st().PendingRequest == '*' && !view().progressVisible;
    }
    bool runUntilLive(Millis limit = 60000) {
        return sched.runUntil([this] { return downloadDone(); }, limit);
    }

    ToolState& st() const { return const_cast<Tool&>(tool).state(); }
    MainWindowView& view() const { return const_cast<Tool&>(tool).view().main; }

    // Frames written to the module now plugged in, by first letter.
    std::vector<Bytes> frames(char letter) const {
        std::vector<Bytes> out;
        for (const auto& f : port.cur().writtenFrames())
            if (!f.empty() && f[0] == static_cast<Byte>(letter)) out.push_back(f);
        return out;
    }
    // Letters of all frames written to the module now plugged in.
    std::string letters() const {
        std::string s;
        for (const auto& f : port.cur().writtenFrames()) s += f.empty() ? '?' : char(f[0]);
        return s;
    }

    VirtualScheduler sched;
    sim::SimModule a, b;
    sim::SimPort portA{sched, a}, portB{sched, b};
    SwitchPort port{portA, portB};
    ScriptedDialogs dialogs;
    FakeOpener opener;
    FakeLister lister;
    TempDir tmp;
    Tool tool{sched, port, dialogs, opener, lister, {"qor-etc", "-O"}, tmp.dir()};
    ImageState image;
    Transfer transfer{tool, dialogs, image.ctx};
};

inline int wordAt(const Bytes& f, std::size_t i) { return f[i] * 256 + f[i + 1]; }

// Image words (and the bits of them) that a round trip does not carry.
struct Uncarried {
    int word;
    std::uint16_t mask;
};
inline std::vector<Uncarried> uncarried(bool openLoopIdle) {
    std::vector<Uncarried> u;
    for (int w : {10, 21, 34}) u.push_back({w, 0x00FF});  // pad byte after 21 table cells
    // The spare last byte of the hardware, RPM, ALS, launch and throttle regions.
    for (int w : {331, 353, 355, 357, 375}) u.push_back({w, 0x00FF});
    u.push_back({378, 0xFFFF});  // spare word of the CAN settings
    for (int m = 0; m < 12; ++m) {                         // two spare bytes per CAN message
        u.push_back({382 + 5 * m, 0xFF00});
        u.push_back({383 + 5 * m, 0x00FF});
    }
    for (int ch = 0; ch < 18; ++ch) u.push_back({445 + 7 * ch, 0x00FF});  // spare channel byte
    u.push_back({565, 0xFFFF});  // written from the tool's own "CAN settings sent" flag
    if (openLoopIdle) {
        u.push_back({577, 0x00FF});
    } else {
        for (int w = 567; w <= 578; ++w) u.push_back({w, 0xFFFF});
    }
    for (int w = 579; w <= 895; ++w) u.push_back({w, 0xFFFF});  // never read or written
    return u;
}

inline std::array<std::uint16_t, 1024> carriedMask(bool openLoopIdle) {
    std::array<std::uint16_t, 1024> m;
    m.fill(0xFFFF);
    for (const auto& u : uncarried(openLoopIdle))
        m[static_cast<std::size_t>(u.word)] &= static_cast<std::uint16_t>(~u.mask);
    return m;
}



}  // namespace qor::test
