// The serial port merges and splits replies at will. Whatever the cut, the same bytes must
// reach the same consumers, once, and a reply is judged at exactly its own length: bytes
// after it neither repeat it, nor spoil it, nor rescue a reply whose checksum is wrong.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link_test_rig.h"

namespace qor::test {
namespace {

// Online with the live data settled; every reply consumer of the link is logged on its way
// to the Tool's own handler.
struct Logged : Rig {
    Logged() {
        goOnline();
        sched.advance(80);
        port.deliver(liveFrame());
        auto& c = tool.link().consumers;
        wrap(c.liveData, [this](const Bytes& f) { log += "live" + std::to_string(f.size()) + ";"; });
        wrap(c.blockReceived, [this] {
            log += "block" + std::to_string(tool.state().RxBuffer.size()) + ";";
        });
        wrap(c.accessLevelReceived,
             [this](int m, int u) { log += "access" + std::to_string(m) + std::to_string(u) + ";"; });
        wrap(c.passwordReply, [this](char l, bool ok) { log += std::string("pw") + l + (ok ? "1;" : "0;"); });
        wrap(c.calibrationReply, [this](int code) { log += "cal" + std::to_string(code) + ";"; });
        wrap(c.hideUpDownloadMenu, [this] { log += "locked;"; });
        wrap(c.downloadEnd, [this] { log += "end;"; });
        tool.state().CommErrorCount = 2;
    }
    template <class F, class Note>
    static void wrap(F& f, Note note) {
        f = [inner = f, note](const auto&... a) {
            note(a...);
            if (inner) inner(a...);
        };
    }
    std::string outcome() {
        const auto& s = tool.state();
        return log + " errors " + std::to_string(s.CommErrorCount) +
               (s.PollAction == 6 && s.RxMuted ? " failed" : "");
    }
    std::string log;
};

TEST(LinkReceiveSplit, EveryCutOfTheSameBytesGivesTheSameOutcome) {
    const Bytes block = frames::Framed('Z', Bytes(22, 3));
    Bytes live2 = liveFrame();
    live2.insert(live2.end(), {'*', 1, 2, 3});
    struct Case {
        const char* name;
        std::function<void(Link&, ToolState&)> send;
        Bytes stream;
        std::string expected;
    };
    const Case cases[] = {
        {"access level reply and a stray byte", [](Link& l, ToolState&) { l.RequestAccessLevel(); },
         Bytes{'a', 4, 2, 'a' + 6, 0x55}, "access42; errors 2"},
        // 61 ef ff is not followed by its sum (4f); with the stray byte the sum of the first
        // four matches the fifth. The reply is still wrong.
        {"access level whose stray byte matches the longer sum",
         [](Link& l, ToolState&) { l.RequestAccessLevel(); }, Bytes{0x61, 0xef, 0xff, 0x06, 0x55},
         " errors 2 failed"},
        {"calibration reply and two stray bytes",
         [](Link& l, ToolState&) { l.RequestCalibrationStep(); }, Bytes{'q', 0, 'q', 0, 1},
         "cal0; errors 2"},
        {"password reply followed by a second one",
         [](Link& l, ToolState&) { l.SendPassword('p', "ABC"); },
         [] {
             Bytes b = reply('p', "OK");
             const Bytes no = reply('p', "NO");
             b.insert(b.end(), no.begin(), no.end());
             return b;
         }(),
         "pwp1; errors 2"},
        {"block of 11 words and a stray byte",
         [](Link& l, ToolState& s) {
             s.BlockStart = 0;
             s.BlockCount = 11;
             l.RequestBlock();
         },
         [&] {
             Bytes b = block;
             b.push_back(0);
             return b;
         }(),
         "block24; errors 0"},
        {"live data and the start of an unrequested frame",
         [](Link& l, ToolState&) { l.RequestLiveData(); }, live2, "live66; errors 0"},
        {"lock acknowledged, then noise", [](Link& l, ToolState&) { l.RequestLock(); },
         Bytes{'L', 'x', 'L'}, "locked; errors 0"},
        {"download end acknowledged twice", [](Link& l, ToolState&) { l.SendDownloadEnd(); },
         Bytes{'R', 'R'}, "end; errors 2"},
    };
    for (const auto& c : cases) {
        std::vector<std::vector<std::size_t>> cuts{{c.stream.size()},
                                                   std::vector<std::size_t>(c.stream.size(), 1)};
        for (std::size_t at = 1; at < c.stream.size(); ++at) cuts.push_back({at, c.stream.size() - at});
        for (const auto& sizes : cuts) {
            Logged r;
            c.send(r.tool.link(), r.tool.state());
            std::size_t pos = 0;
            for (std::size_t n : sizes) {
                r.port.deliver(Bytes(c.stream.begin() + long(pos), c.stream.begin() + long(pos + n)));
                pos += n;
            }
            EXPECT_EQ(r.outcome(), c.expected)
                << c.name << ", " << sizes.size() << " pieces, first " << sizes[0];
        }
    }
}

}  // namespace
}  // namespace qor::test
