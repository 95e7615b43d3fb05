#include <gtest/gtest.h>

#include "core/link/LinkMessages.h"
#include "link_scenario_rig.h"

namespace qor::test {
namespace {

using sim::Fault;

// Start-up against the module until the first live data request has gone out.
struct Live : SimRig {
    Live() {
        module.setLevels(4, 1);
        tool.hooks().liveData = [this](const Bytes& f) { liveFrames.push_back(f); };
        tool.show();
        EXPECT_TRUE(runUntilWrites(5));
        EXPECT_EQ(letters(), "VGSa*");
        requestAt = sched.now();
    }
    std::vector<Bytes> liveFrames;
    Millis requestAt = 0;
};

TEST(LinkScenario, StartUpIdentifiesTheModuleAtTheRightSpeedsAndPollsLiveData) {
    struct Case {
        int userLevel;
        Millis liveAfterAccessReply;  // poll tick for level 1, Timer1 after the upload for 2..4
    };
    for (const Case c : {Case{1, 80}, Case{0, 80}, Case{3, 120}}) {
        SimRig r;
        r.module.setLevels(4, c.userLevel);
        r.tool.show();
        ASSERT_TRUE(r.runUntilWrites(5)) << c.userLevel;
        const auto& w = r.simPort.writes();
        const std::vector<std::pair<Bytes, int>> expected = {
            {Bytes{'V'}, 9600},   {Bytes{'G'}, 9600},
            {Bytes{'S'}, 115200}, {Bytes{0x61, 0x41, 0x42, 0x43, 0x44, 0x6B}, 115200},
            {Bytes{'*'}, 115200},
        };
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(w[i].bytes, expected[i].first) << c.userLevel << " write " << i;
            EXPECT_EQ(w[i].baud, expected[i].second) << c.userLevel << " write " << i;
        }
        EXPECT_EQ(w[0].at, 80);            // the first poll tick
        EXPECT_LE(w[2].at - w[1].at, 50);  // the next sequencer tick
        EXPECT_EQ(w[4].at - w[3].at, 1 + c.liveAfterAccessReply) << c.userLevel;  // 1 ms latency
        const auto& s = r.tool.state();
        EXPECT_TRUE(s.LinkOnline);
        EXPECT_EQ(s.version_info, "1EA1AB1AA");
        EXPECT_EQ(s.Serial_number, "123456");
        EXPECT_EQ(r.tool.view().main.userLevelCaption, "Level " + std::to_string(c.userLevel));
        EXPECT_TRUE(r.tool.view().main.dashboardOnlineLook);
        EXPECT_TRUE(r.dialogs.shown.empty());
        // Live data keeps flowing.
        r.sched.advance(1000);
        EXPECT_GE(r.module.requestCount('*'), 8);
        EXPECT_EQ(r.tool.state().CommErrorCount, 0);
    }
}

TEST(LinkScenario, LiveReplyInPiecesOf40And26IsHandledOnce) {
    Live r;
    r.sched.advance(200);  // a few good frames first
    const auto before = r.liveFrames.size();
    r.port.splitNext({40, 26}, 30);
    ASSERT_TRUE(r.sched.runUntil([&] { return r.tool.state().RxCount == 40; }, 200));
    EXPECT_EQ(r.liveFrames.size(), before);
    r.sched.advance(30);
    EXPECT_EQ(r.liveFrames.size(), before + 1);
    EXPECT_EQ(r.liveFrames.back().size(), 66u);
    EXPECT_EQ(r.liveFrames.back(), frames::Framed('*', r.module.liveData()));
    EXPECT_EQ(r.tool.state().RxCount, 0);
}

TEST(LinkScenario, BadChecksumIsRetried80msLater) {
    Live r;
    r.module.faults().add({.letter = '*', .first = 2, .last = 2, .kind = Fault::Kind::BadChecksum});
    ASSERT_TRUE(r.runUntilWrites(6));  // the second '*'
    const Millis secondAt = r.sched.now();
    ASSERT_TRUE(r.runUntilWrites(7));
    EXPECT_EQ(r.sched.now() - secondAt, 1 + 80);  // reply after 1 ms, retry one poll tick later
    EXPECT_EQ(r.letters().back(), '*');
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM3 errors:1");
    r.sched.advance(5);
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);  // the retry was answered
}

TEST(LinkScenario, RejectedFirstBytesAreDroppedAndRetried) {
    for (Byte first : {Byte(0x0B), Byte('N'), Byte('x')}) {
        Live r;
        r.module.faults().add({.letter = '*',
                               .first = 2,
                               .last = 2,
                               .kind = Fault::Kind::BadFirstByte,
                               .value = first});
        ASSERT_TRUE(r.runUntilWrites(6));
        const auto good = r.liveFrames.size();
        r.sched.advance(1);
        EXPECT_TRUE(r.tool.state().RxBuffer.empty()) << int(first);
        EXPECT_EQ(r.tool.state().PollAction, 6);
        ASSERT_TRUE(r.runUntilWrites(7));
        EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM3 errors:1");
        r.sched.advance(5);
        EXPECT_EQ(r.liveFrames.size(), good + 1) << int(first);
    }
}

TEST(LinkScenario, SixFailuresInARowTakeTheLinkOffline) {
    Live r;
    r.module.faults().add(
        {.letter = '*', .first = 2, .last = Fault::kEvery, .kind = Fault::Kind::NoReply});
    ASSERT_TRUE(r.runUntilWrites(6));  // the first request left unanswered
    r.sched.advance(6 * 540 - 1);
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "Comm errors:5");
    r.sched.advance(1);
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(r.simPort.isOpen());
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM3 errors:6");
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
    EXPECT_FALSE(r.tool.view().main.dashboardOnlineLook);
    EXPECT_TRUE(r.tool.view().main.offlineHintsVisible);
    EXPECT_FALSE(r.tool.view().main.liveValuePanelsVisible);
    const auto sent = r.simPort.writes().size();
    r.sched.advance(10000);
    EXPECT_EQ(r.simPort.writes().size(), sent);
}

TEST(LinkScenario, BytesWhileMutedAreNeitherReadNorDispatched) {
    Live r;
    r.module.faults().add(
        {.letter = '*', .first = 2, .last = 2, .kind = Fault::Kind::Delay, .gap = 50});
    ASSERT_TRUE(r.runUntilWrites(6));
    const auto good = r.liveFrames.size();
    r.tool.link().StopLink();
    r.sched.advance(100);
    EXPECT_EQ(r.port.bytesAvailable(), 66u);
    EXPECT_EQ(r.tool.state().RxCount, 0);
    EXPECT_EQ(r.liveFrames.size(), good);
    EXPECT_EQ(r.letters(), "VGSa**");
}

TEST(LinkScenario, StalledBlockReadTimesOut540msAfterItsLastPiece) {
    SimRig r;
    r.module.setLevels(4, 2);
    int blocks = 0;
    r.tool.hooks().startBlockReads = [&] {
        r.tool.state().BlockStart = 0;
        r.tool.state().BlockCount = 11;
        r.tool.link().RequestBlock();
    };
    r.tool.hooks().blockReceived = [&] { ++blocks; };
    r.tool.show();
    ASSERT_TRUE(r.runUntilWrites(5));
    EXPECT_EQ(r.letters(), "VGSaZ");
    r.port.splitNext({12, 11}, 400);  // 23 of 24 bytes, the second piece 400 ms later
    const Millis requestAt = r.sched.now();
    ASSERT_TRUE(r.runUntilWrites(6));
    EXPECT_EQ(r.sched.now() - requestAt, 1 + 400 + 540);
    EXPECT_EQ(r.simPort.writtenFrames().back(), frames::BlockRead(0, 11));
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM3 errors:1");
    r.sched.advance(5);
    EXPECT_EQ(blocks, 1);  // the re-read arrived whole
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
}

TEST(LinkScenario, PortThatCannotBeOpenedAtStartLeavesTheToolOffline) {
    SimRig r;
    r.simPort.setAvailable(false);
    r.tool.show();
    r.sched.advance(2000);
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, "COM port not available or USB kabel not connected !!!");
    EXPECT_EQ(r.dialogs.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(r.dialogs.shown[0].buttons, std::vector<Button>{Button::Ok});
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(r.tool.view().main.dashboardOnlineLook);
    EXPECT_TRUE(r.tool.view().main.offlineHintsVisible);
    EXPECT_FALSE(r.tool.view().main.progressVisible);
    EXPECT_TRUE(r.simPort.writes().empty());
}

}  // namespace
}  // namespace qor::test
