// libFuzzer target for the link's receive path: the request outstanding, the reply bytes,
// and how the port cuts them into chunks (with virtual time between chunks) all come from
// the input. Each input runs twice on a fresh link: once with every byte in one chunk, once
// in the fuzzer's chunks. It aborts when
//  - the two runs differ (consumer calls and the bytes they were given, error count, whether
//    the failure path was taken, frames written, timers armed), unless a timer fell due
//    between two chunks, which legitimately changes what the bytes mean;
//  - a checked reply reaches its consumer with a wrong checksum or the wrong length.
// AddressSanitizer and UndefinedBehaviorSanitizer catch the rest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/Presentation.h"
#include "core/app/ToolState.h"
#include "core/link/Frames.h"
#include "core/link/Link.h"
#include "core/platform/Port.h"
#include "core/platform/VirtualScheduler.h"

namespace {

using qor::Byte;
using qor::Bytes;

class FuzzPort : public qor::Port {
  public:
    bool open(const std::string&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::string name() const override { return "COM1"; }
    bool setBaud(int baud) override {
        baud_ = baud;
        return true;
    }
    int baud() const override { return baud_; }
    bool write(const Bytes& data) override {
        written.push_back(data);
        return true;
    }
    bool read(std::size_t n, Bytes& out) override {
        out.clear();
        while (n-- > 0 && !input.empty()) {
            out.push_back(input.front());
            input.pop_front();
        }
        return true;
    }
    std::size_t bytesAvailable() const override { return input.size(); }
    void discardBuffers() override { input.clear(); }
    void setOnBytesArrived(std::function<void(std::size_t)> h) override { handler = std::move(h); }
    std::string lastError() const override { return {}; }

    void deliver(const Bytes& b) {
        input.insert(input.end(), b.begin(), b.end());
        if (handler) handler(b.size());
    }

    std::vector<Bytes> written;
    std::deque<Byte> input;
    std::function<void(std::size_t)> handler;

  private:
    bool open_ = false;
    int baud_ = 0;
};

class SilentDialogs : public qor::Dialogs {
  public:
    qor::Button message(qor::MessageKind, const std::string& text,
                        const std::vector<qor::Button>& buttons) override {
        shown.push_back(text);
        return buttons.empty() ? qor::Button::Ok : buttons.front();
    }
    std::vector<std::string> shown;
};

// The requests the tool sends, and the length of the checked reply each expects (0: the
// reply is judged by its first byte alone, or by the block rule for 'Z').
struct Request {
    char letter;
    std::size_t checkedLength;
};
constexpr Request kRequests[] = {
    {'*', 66}, {'V', 11}, {'v', 11}, {'S', 8}, {'a', 4}, {'A', 4}, {'P', 4}, {'p', 4},
    {'q', 3},  {'Z', 0},  {'E', 0},  {'B', 0}, {'c', 0}, {'b', 0}, {'L', 0}, {'R', 0},
};

struct Scenario {
    Request request;
    int blockCount = 0;
    int commErrors = 0;
    bool versionGoesOn = true;
    Bytes reply;
    struct Chunk {
        std::size_t size;
        qor::Millis gap;  // virtual time before this chunk
    };
    std::vector<Chunk> chunks;
};

std::string hex(const Bytes& b) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    for (Byte x : b) {
        s += kDigits[x >> 4];
        s += kDigits[x & 15];
    }
    return s;
}

[[noreturn]] void violated() {
    std::abort();
}

// A handed-on reply must be whole and carry a good checksum.
void checkHandedOn(const Bytes& rx, std::size_t length) {
    if (rx.size() != length || !qor::frames::ChecksumOk(rx)) violated();
}

struct Outcome {
    std::vector<std::string> calls;
    std::string state;
    bool timerFellDue = false;
};

Outcome run(const Scenario& sc, bool whole) {
    qor::VirtualScheduler sched;
    qor::ToolState s;
    qor::Presentation view;
    FuzzPort port;
    SilentDialogs dialogs;
    qor::LinkTimers timers;
    qor::Link* linkPtr = nullptr;
    int ticks = 0;
    auto ticked = [&](void (qor::Link::*fn)()) {
        return [&ticks, &linkPtr, fn] {
            ++ticks;
            (linkPtr->*fn)();
        };
    };
    timers.timer1 = sched.createTimer(qor::kTimer1Period, ticked(&qor::Link::RequestLiveData));
    timers.timer2 = sched.createTimer(qor::kTimer2Period, ticked(&qor::Link::TimeoutRetry));
    timers.timer3 = sched.createTimer(qor::kTimer3Period, ticked(&qor::Link::SequencerTick));
    timers.timer4 = sched.createTimer(qor::kTimer4Period, ticked(&qor::Link::PollTick));
    qor::Link link(s, view, port, dialogs, timers);
    linkPtr = &link;
    port.setOnBytesArrived([&](std::size_t n) { link.OnBytesArrived(n); });

    Outcome out;
    auto& c = link.consumers;
    const auto& rx = s.RxBuffer;
    const std::size_t blockLength = static_cast<std::size_t>(2 * sc.blockCount + 2);
    c.setOnlineDisplay = [&](bool on) {
        if (on && s.PendingRequest == 'S') checkHandedOn(rx, 8);
        out.calls.push_back("online " + std::to_string(on) + " " + hex(rx));
        s.LinkOnline = on;
    };
    c.setDataLockedLook = [&](bool l) { out.calls.push_back("locked " + std::to_string(l)); };
    c.enableFileCommands = [&](bool e) { out.calls.push_back("files " + std::to_string(e)); };
    c.hideUpDownloadMenu = [&] { out.calls.push_back("hideMenu"); };
    c.liveData = [&](const Bytes& frame) {
        checkHandedOn(frame, 66);
        out.calls.push_back("live " + hex(frame));
    };
    c.blockReceived = [&] {
        checkHandedOn(rx, blockLength);
        out.calls.push_back("block " + hex(rx));
    };
    c.accessLevelReceived = [&](int m, int u) {
        checkHandedOn(rx, 4);
        out.calls.push_back("access " + std::to_string(m) + "," + std::to_string(u));
    };
    c.passwordReply = [&](char letter, bool ok) {
        checkHandedOn(rx, 4);
        out.calls.push_back(std::string("password ") + letter + std::to_string(ok));
    };
    c.calibrationReply = [&](int code) {
        checkHandedOn(rx, 3);
        out.calls.push_back("calibration " + std::to_string(code));
    };
    c.downloadEnd = [&] { out.calls.push_back("downloadEnd"); };
    c.downloadVersionChecks = [&](const std::string& v) {
        checkHandedOn(rx, 11);
        out.calls.push_back("versionChecks " + v);
        return sc.versionGoesOn;
    };
    c.sequencerStep = [&] { out.calls.push_back("sequencer"); };
    c.resendAccessLevel = [&] { link.SendSetAccessLevel(4, 1); };
    c.resendPassword = [&](char letter) { link.SendPassword(letter, "secret"); };
    c.calibrationLinkLost = [&] { out.calls.push_back("calibrationLinkLost"); };

    // Online, with the request just sent.
    link.OpenPort();
    s.LinkOnline = true;
    s.CommErrorCount = sc.commErrors;
    s.BlockStart = 0x40;
    s.BlockCount = sc.blockCount;
    s.TxPayload = {0, 2, 0, 22, 1, 2};
    view.main.gaugeMaximum = 1 << 20;
    switch (sc.request.letter) {
        case '*': link.RequestLiveData(); break;
        case 'V': link.RequestVersion(); break;
        case 'v': link.RequestVersionForDownload(); break;
        case 'S': link.RequestSerialNumber(); break;
        case 'a': link.RequestAccessLevel(); break;
        case 'A': link.SendSetAccessLevel(4, 1); break;
        case 'P':
        case 'p': link.SendPassword(sc.request.letter, "secret"); break;
        case 'q': link.RequestCalibrationStep(); break;
        case 'Z': link.RequestBlock(); break;
        case 'E': link.SendPageWrite(); break;
        case 'B': link.SendCellWrite(); break;
        case 'c': link.SendChartWriteC(); break;
        case 'b': link.SendChartWriteB(); break;
        case 'L': link.RequestLock(); break;
        case 'R': link.SendDownloadEnd(); break;
        default: break;
    }
    if (s.PendingRequest != sc.request.letter) violated();
    port.written.clear();

    if (whole) {
        port.deliver(sc.reply);
    } else {
        std::size_t at = 0;
        for (const auto& ch : sc.chunks) {
            if (ch.gap > 0) sched.advance(ch.gap);
            if (ticks > 0) out.timerFellDue = true;
            port.deliver(Bytes(sc.reply.begin() + static_cast<std::ptrdiff_t>(at),
                               sc.reply.begin() + static_cast<std::ptrdiff_t>(at + ch.size)));
            at += ch.size;
        }
    }

    // A 'V' reply has no consumer: it is taken when the 'G' goes out.
    for (const auto& w : port.written) {
        if (w == qor::frames::Single('G') && sc.request.letter == 'V') {
            if (s.version_info.size() != 9) violated();
            checkHandedOn(Bytes(sc.reply.begin(), sc.reply.begin() + 11), 11);
        }
    }

    std::string st;
    st += "errors " + std::to_string(s.CommErrorCount);
    st += " muted " + std::to_string(s.RxMuted);
    st += " poll " + std::to_string(s.PollAction);
    st += " pending " + std::string(1, s.PendingRequest);
    st += " stepDone " + std::to_string(s.StepDone);
    st += " chartBusy " + std::to_string(s.ChartWriteBusy);
    st += " transferStep " + std::to_string(s.TransferStep);
    st += " version " + s.version_info + " serial " + s.Serial_number;
    st += " gauge " + std::to_string(view.main.gaugePosition);
    st += " timers " + std::to_string(timers.timer1->enabled()) +
          std::to_string(timers.timer2->enabled()) + std::to_string(timers.timer3->enabled()) +
          std::to_string(timers.timer4->enabled());
    st += " written";
    for (const auto& w : port.written) st += " " + hex(w);
    st += " messages " + std::to_string(dialogs.shown.size());
    out.state = st;
    return out;
}

// Input: [request] [block count] [flags] [chunk count] then (size, gap) per chunk, then the
// reply bytes. Flag bits: 0-2 starting error count (0..5), 3 the download version checks
// refuse, 4 the first byte is the letter a good reply starts with, 5 the checksum of the
// expected length is made right (so the accepting paths are reached often).
bool parse(const std::uint8_t* data, std::size_t size, Scenario& sc) {
    if (size < 4) return false;
    sc.request = kRequests[data[0] % std::size(kRequests)];
    sc.blockCount = data[1] % 64;
    const Byte flags = data[2];
    sc.commErrors = (flags & 7) % 6;
    sc.versionGoesOn = (flags & 8) == 0;
    const std::size_t chunkCount = 1 + data[3] % 16;
    std::size_t pos = 4;
    if (size < pos + 2 * chunkCount) return false;
    std::vector<std::pair<Byte, Byte>> cuts;
    for (std::size_t i = 0; i < chunkCount; ++i, pos += 2) cuts.push_back({data[pos], data[pos + 1]});
    sc.reply.assign(data + pos, data + size);
    if (sc.reply.empty()) return false;

    const char letter = sc.request.letter;
    const char good = letter == 'v' ? 'V'
                      : (letter == 'E' || letter == 'B' || letter == 'c' || letter == 'b') ? 'Y'
                                                                                           : letter;
    if (flags & 0x10) sc.reply[0] = static_cast<Byte>(good);
    std::size_t length = sc.request.checkedLength;
    if (letter == 'Z') length = static_cast<std::size_t>(2 * sc.blockCount + 2);
    if ((flags & 0x20) && length >= 2 && sc.reply.size() >= length) {
        sc.reply[length - 1] = qor::frames::Checksum(sc.reply.data(), length - 1);
    }

    std::size_t left = sc.reply.size();
    for (std::size_t i = 0; i < cuts.size() && left > 0; ++i) {
        std::size_t n = i + 1 == cuts.size() ? left : 1 + cuts[i].first % left;
        sc.chunks.push_back({n, static_cast<qor::Millis>(cuts[i].second)});
        left -= n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scenario sc;
    if (!parse(data, size, sc)) return 0;
    const Outcome whole = run(sc, true);
    const Outcome chunked = run(sc, false);
    if (chunked.timerFellDue) return 0;
    if (whole.calls != chunked.calls || whole.state != chunked.state) violated();
    return 0;
}
