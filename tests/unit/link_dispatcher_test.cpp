#include <gtest/gtest.h>

#include "core/link/LinkMessages.h"
#include "link_test_rig.h"

namespace qor::test {
namespace {

// Online at user level 1 with the first live data request just sent.
struct Polling : Rig {
    Polling() {
        tool.hooks().liveData = [this](const Bytes& f) { liveFrames.push_back(f); };
        goOnline();
        sched.advance(80);
        EXPECT_EQ(port.letters(), "VGSa*");
    }
    std::vector<Bytes> liveFrames;
};

TEST(LinkDispatcher, LiveReplyInChunksIsHandledOnceAndTheNextRequestFollows120msLater) {
    Polling r;
    const Bytes f = liveFrame();
    r.sched.advance(10);
    r.port.deliver(Bytes(f.begin(), f.begin() + 40));
    EXPECT_TRUE(r.liveFrames.empty());
    EXPECT_EQ(r.tool.state().RxCount, 40);
    r.port.deliver(Bytes(f.begin() + 40, f.end()));
    ASSERT_EQ(r.liveFrames.size(), 1u);
    EXPECT_EQ(r.liveFrames[0], f);
    EXPECT_EQ(r.tool.state().RxCount, 0);
    EXPECT_TRUE(r.tool.state().RxBuffer.empty());
    EXPECT_FALSE(r.tool.timer2().enabled());
    // Timer1 restarted by the reply: the next '*' goes 120 ms after it, not after the request.
    const auto sent = r.port.writes.size();
    r.sched.advance(119);
    EXPECT_EQ(r.port.writes.size(), sent);
    r.sched.advance(1);
    EXPECT_EQ(r.port.letters().back(), '*');
    EXPECT_EQ(r.port.writes.size(), sent + 1);
}

TEST(LinkDispatcher, BadChecksumIsRetried80msLaterWithTheErrorCountInTheCaption) {
    Polling r;
    const auto sent = r.port.writes.size();
    r.port.deliver(withBadChecksum(liveFrame()));
    EXPECT_TRUE(r.liveFrames.empty());
    EXPECT_TRUE(r.tool.state().RxMuted);
    r.sched.advance(79);
    EXPECT_EQ(r.port.writes.size(), sent);
    r.sched.advance(1);
    EXPECT_EQ(r.port.writes.size(), sent + 1);
    EXPECT_EQ(r.port.letters().back(), '*');
    // The re-send keeps the retry caption; the next regular request shows the count again.
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM1 errors:1");
    EXPECT_EQ(r.tool.state().CommErrorCount, 1);
    EXPECT_FALSE(r.tool.state().RxMuted);
    r.sched.advance(120);
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "Comm errors:1");
}

TEST(LinkDispatcher, RejectedFirstBytesAreDroppedAtOnceAndRetried) {
    for (Byte first : {Byte(0x0B), Byte('N'), Byte('x')}) {
        Polling r;
        Bytes f = liveFrame();
        f[0] = first;
        r.port.deliver(Bytes(f.begin(), f.begin() + 5));
        EXPECT_TRUE(r.tool.state().RxBuffer.empty()) << int(first);
        EXPECT_EQ(r.tool.state().RxCount, 0);
        EXPECT_EQ(r.tool.state().PollAction, 6);
        r.sched.advance(80);
        EXPECT_EQ(r.port.letters().back(), '*');
        EXPECT_EQ(r.tool.state().CommErrorCount, 1);
        EXPECT_TRUE(r.liveFrames.empty());
    }
}

TEST(LinkDispatcher, MutedReceiverLeavesBytesInThePortWhateverIsPending) {
    for (char pending : {'*', 'V', 'Z', 'a', 'L'}) {
        Polling r;
        r.tool.link().StopLink();
        r.tool.state().PendingRequest = pending;
        r.port.deliver(liveFrame());
        EXPECT_EQ(r.port.bytesAvailable(), 66u) << pending;
        EXPECT_EQ(r.tool.state().RxCount, 0);
        EXPECT_TRUE(r.liveFrames.empty());
        EXPECT_FALSE(r.tool.timer4().enabled());
    }
}

TEST(LinkDispatcher, SixFailuresInARowTakeTheLinkOffline) {
    Polling r;
    const Millis requestAt = r.sched.now();
    r.sched.advance(5 * 540);
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM1 errors:5");
    EXPECT_TRUE(r.tool.state().LinkOnline);
    r.sched.advance(requestAt + 6 * 540 - r.sched.now() - 1);
    EXPECT_TRUE(r.tool.state().LinkOnline);
    r.sched.advance(1);
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM1 errors:6");
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_FALSE(r.tool.view().main.dashboardOnlineLook);
    EXPECT_TRUE(r.tool.view().main.offlineHintsVisible);
    // Idle: nothing more is sent.
    const auto sent = r.port.writes.size();
    r.sched.advance(5000);
    EXPECT_EQ(r.port.writes.size(), sent);
}

TEST(LinkDispatcher, GoodReplyInBetweenResetsTheFailureCount) {
    Polling r;
    r.sched.advance(540 * 3);
    EXPECT_EQ(r.tool.state().CommErrorCount, 3);
    r.port.deliver(liveFrame());
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
}

// Online at level 2 with the first block read (11 words at 0) just sent.
struct Reading : Rig {
    Reading() {
        tool.hooks().startBlockReads = [this] {
            tool.state().BlockStart = 0;
            tool.state().BlockCount = 11;
            tool.link().RequestBlock();
        };
        tool.hooks().blockReceived = [this] { ++blocks; };
        goOnline(4, 2);
        EXPECT_EQ(port.letters(), "VGSaZ");
    }
    Bytes block() const { return frames::Framed('Z', Bytes(22, 3)); }
    int blocks = 0;
};

TEST(LinkDispatcher, StalledBlockTimesOut540msAfterTheLastChunk) {
    Reading r;
    const Bytes request = r.port.writes.back().bytes;
    const Bytes b = r.block();
    ASSERT_EQ(b.size(), 24u);
    r.sched.advance(300);
    r.port.deliver(Bytes(b.begin(), b.begin() + 12));
    r.sched.advance(400);
    r.port.deliver(Bytes(b.begin() + 12, b.begin() + 23));
    EXPECT_EQ(r.tool.view().main.gaugePosition, 23);
    const auto sent = r.port.writes.size();
    r.sched.advance(539);
    EXPECT_EQ(r.port.writes.size(), sent);
    r.sched.advance(1);
    ASSERT_EQ(r.port.writes.size(), sent + 1);
    EXPECT_EQ(r.port.writes.back().bytes, request);
    EXPECT_EQ(r.tool.view().main.commErrorsCaption, "COM1 errors:1");
    EXPECT_EQ(r.blocks, 0);
}

TEST(LinkDispatcher, SlowBlockInManyChunksCompletesWithoutATimeOut) {
    Reading r;
    const Bytes b = r.block();
    for (std::size_t i = 0; i < b.size(); i += 2) {
        r.sched.advance(500);
        r.port.deliver(Bytes(b.begin() + long(i), b.begin() + long(i) + 2));
    }
    EXPECT_EQ(r.blocks, 1);
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
    EXPECT_FALSE(r.tool.timer2().enabled());
    EXPECT_EQ(r.port.letters(), "VGSaZ");
}

TEST(LinkDispatcher, BlockReplyCompletesAtItsLengthAndACorruptOneFails) {
    {  // a surplus byte in the same arrival neither spoils the block nor joins it
        Reading r;
        Bytes b = r.block();
        b.push_back(0);
        r.port.deliver(b);
        EXPECT_EQ(r.blocks, 1);
        EXPECT_EQ(r.tool.state().RxBuffer, r.block());
        EXPECT_FALSE(r.tool.timer2().enabled());
    }
    {
        Reading r;
        r.port.deliver(withBadChecksum(r.block()));
        EXPECT_EQ(r.blocks, 0);
        EXPECT_EQ(r.tool.state().PollAction, 6);
    }
}

// Replies to each request go to their consumer; wrong letters or codes take the failure path.
TEST(LinkDispatcher, RepliesReachTheirConsumers) {
    struct Case {
        const char* name;
        std::function<void(Link&, ToolState&)> send;
        Bytes reply;
        std::string expectedLog;
        bool failure;
    };
    const Case cases[] = {
        {"user password OK", [](Link& l, ToolState&) { l.SendPassword('p', "ABC"); },
         reply('p', "OK"), "password p 1", false},
        {"new password NO", [](Link& l, ToolState&) { l.SendPassword('P', "X"); }, reply('P', "NO"),
         "password P 0", false},
        {"set level OK", [](Link& l, ToolState&) { l.SendSetAccessLevel(4, 2); }, reply('A', "OK"),
         "password A 1", false},
        {"set level neither OK nor NO", [](Link& l, ToolState&) { l.SendSetAccessLevel(4, 2); },
         reply('A', "XX"), "", true},
        {"password reply with wrong letter", [](Link& l, ToolState&) { l.SendPassword('p', "A"); },
         reply('P', "OK"), "", true},
        {"calibration",
         [](Link& l, ToolState& s) {
             s.CalibrationStep = 5;
             l.RequestCalibrationStep();
         },
         reply('q', "\x09"), "calibration 9", false},
        {"download end", [](Link& l, ToolState&) { l.SendDownloadEnd(); }, Bytes{'R'},
         "download end", false},
        {"download end, wrong letter", [](Link& l, ToolState&) { l.SendDownloadEnd(); }, Bytes{'Y'},
         "", true},
        {"page write acknowledged",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 2, 0, 5, 1, 2};
             l.SendPageWrite();
         },
         Bytes{'Y'}, "step done", false},
        {"cell write acknowledged",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 5, 1, 2};
             l.SendCellWrite();
         },
         Bytes{'Y'}, "step done", false},
        {"cell write refused",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 5, 1, 2};
             l.SendCellWrite();
         },
         Bytes{'Z'}, "", true},
    };
    for (const auto& c : cases) {
        Polling r;
        std::string log;
        auto& h = r.tool.hooks();
        h.passwordReply = [&](char l, bool ok) {
            log = std::string("password ") + l + " " + (ok ? "1" : "0");
        };
        h.calibrationReply = [&](int code) { log = "calibration " + std::to_string(code); };
        h.downloadEnd = [&] { log = "download end"; };
        r.port.deliver(liveFrame());  // settle the live request first
        r.tool.state().CommErrorCount = 2;
        r.tool.state().StepDone = false;
        c.send(r.tool.link(), r.tool.state());
        r.port.deliver(c.reply);
        if (r.tool.state().StepDone && log.empty()) log = "step done";
        EXPECT_EQ(log, c.expectedLog) << c.name;
        EXPECT_EQ(r.tool.state().PollAction == 6 && r.tool.state().RxMuted, c.failure) << c.name;
    }
}

TEST(LinkDispatcher, AcknowledgementsResetTheErrorCountAndResumeWhatWaits) {
    {  // chart write: live data resumes through the poll cycle
        Polling r;
        r.port.deliver(liveFrame());
        r.tool.state().ChartWriteBusy = true;
        r.tool.state().CommErrorCount = 3;
        r.tool.state().TxPayload = {0, 5, 1, 2};
        r.tool.link().SendChartWriteC();
        EXPECT_EQ(r.port.writes.back().bytes[0], 'C');
        r.port.deliver(Bytes{'Y'});
        EXPECT_FALSE(r.tool.state().ChartWriteBusy);
        EXPECT_EQ(r.tool.state().CommErrorCount, 0);
        EXPECT_EQ(r.tool.state().PollAction, 3);
        EXPECT_TRUE(r.tool.timer4().enabled());
        EXPECT_FALSE(r.tool.view().main.dataLockedLook);  // a data write unlocks the look
    }
    {  // lock: locked look, menu hidden, file commands on, live data again
        Polling r;
        r.port.deliver(liveFrame());
        r.tool.link().StopLink();
        r.tool.SetDataLockedLook(false);
        r.tool.view().main.menu = MenuVariant::Menu;
        r.tool.link().RequestPollAction(7);
        r.sched.advance(80);
        EXPECT_EQ(r.port.letters().back(), 'L');
        r.port.deliver(Bytes{'L'});
        EXPECT_TRUE(r.tool.view().main.dataLockedLook);
        EXPECT_EQ(r.tool.view().main.caption, "QOR V1.03 ETC");
        EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Hidden);
        EXPECT_TRUE(r.tool.view().main.openFileEnabled);
        EXPECT_TRUE(r.tool.timer1().enabled());
    }
    {  // a cell write acknowledged outside a transfer only marks the step done
        Polling r;
        r.port.deliver(liveFrame());
        r.tool.link().StopLink();
        r.tool.state().RxMuted = false;
        r.tool.state().TransferStep = 0;
        r.tool.state().TxPayload = {0, 5, 1, 2};
        r.tool.link().SendCellWrite();
        const auto sent = r.port.writes.size();
        r.port.deliver(Bytes{'Y'});
        EXPECT_TRUE(r.tool.state().StepDone);
        r.sched.advance(1000);
        EXPECT_EQ(r.port.writes.size(), sent);
        EXPECT_FALSE(r.tool.timer3().enabled());
    }
}

TEST(LinkDispatcher, TimeoutReSendsThePendingRequest) {
    struct Case {
        const char* name;
        std::function<void(Link&, ToolState&)> send;
        int pollAction;  // set by the re-send instead of sending; -1 when it sends directly
    };
    const Case cases[] = {
        {"live", [](Link& l, ToolState&) { l.RequestLiveData(); }, -1},
        {"access query", [](Link& l, ToolState&) { l.RequestAccessLevel(); }, -1},
        {"serial", [](Link& l, ToolState&) { l.RequestSerialNumber(); }, -1},
        {"block",
         [](Link& l, ToolState& s) {
             s.BlockStart = 24;
             s.BlockCount = 11;
             l.RequestBlock();
         },
         -1},
        {"page",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 2, 0, 7, 1, 1};
             l.SendPageWrite();
         },
         -1},
        {"cell",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 7, 1, 1};
             l.SendCellWrite();
         },
         -1},
        {"lock", [](Link& l, ToolState&) { l.RequestLock(); }, -1},
        {"download end", [](Link& l, ToolState&) { l.SendDownloadEnd(); }, -1},
        {"calibration",
         [](Link& l, ToolState& s) {
             s.CalibrationStep = 3;
             l.RequestCalibrationStep();
         },
         -1},
        {"chart C",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 7, 1, 1};
             l.SendChartWriteC();
         },
         1},
        {"chart B",
         [](Link& l, ToolState& s) {
             s.TxPayload = {0, 7, 1, 1};
             l.SendChartWriteB();
         },
         17},
    };
    for (const auto& c : cases) {
        Polling r;
        r.port.deliver(liveFrame());
        r.tool.link().StopLink();
        r.tool.state().RxMuted = false;
        c.send(r.tool.link(), r.tool.state());
        const Bytes first = r.port.writes.back().bytes;
        r.sched.advance(539);  // live data keeps its own 120 ms requests meanwhile
        const auto sent = r.port.writes.size();
        r.sched.advance(1);
        EXPECT_EQ(r.tool.state().CommErrorCount, 1) << c.name;
        if (c.pollAction < 0) {
            ASSERT_EQ(r.port.writes.size(), sent + 1) << c.name;
            EXPECT_EQ(r.port.writes.back().bytes, first) << c.name;
        } else {
            EXPECT_EQ(r.tool.state().PollAction, c.pollAction) << c.name;
            r.sched.advance(80);
            EXPECT_EQ(r.port.writes.back().bytes, first) << c.name;
        }
    }
}

TEST(LinkDispatcher, ReSendsThatRebuildTheirFrameGoToTheirOwners) {
    Polling r;
    std::string log;
    r.tool.hooks().resendAccessLevel = [&] { log += "A"; };
    r.tool.hooks().resendPassword = [&](char l) { log += l; };
    for (auto send :
         {+[](Link& l) { l.SendSetAccessLevel(4, 3); }, +[](Link& l) { l.SendPassword('p', "X"); },
          +[](Link& l) { l.SendPassword('P', "Y"); }}) {
        send(r.tool.link());
        r.tool.link().TimeoutRetry();
    }
    EXPECT_EQ(log, "ApP");
}

TEST(LinkDispatcher, SendersKeepTheirConditionsWhileOffline) {
    Rig r;
    r.tool.show();
    auto& s = r.tool.state();
    auto& l = r.tool.link();
    ASSERT_TRUE(r.port.open("COM1"));  // open, but LinkOnline is off
    l.RequestLiveData();
    l.RequestAccessLevel();
    l.RequestCalibrationStep();
    s.BlockCount = 3;
    l.RequestBlock();
    l.RequestLock();
    EXPECT_TRUE(r.port.writes.empty());
    EXPECT_EQ(r.port.discards, 0);
    for (auto write : {&Link::SendPageWrite, &Link::SendCellWrite, &Link::SendChartWriteC,
                       &Link::SendChartWriteB}) {
        s.StepDone = false;
        s.ChartWriteBusy = true;
        (l.*write)();
        EXPECT_TRUE(s.StepDone);
    }
    EXPECT_FALSE(s.ChartWriteBusy);
    EXPECT_TRUE(r.port.writes.empty());
    EXPECT_TRUE(r.tool.view().main.dataLockedLook);
    EXPECT_TRUE(r.dialogs.shown.empty());
}

TEST(LinkDispatcher, PortFailuresShowTheirMessages) {
    {  // cannot open for identification: offline and the cable message
        Rig r;
        r.port.openable = false;
        r.tool.show();
        r.sched.advance(80);
        ASSERT_EQ(r.dialogs.shown.size(), 1u);
        EXPECT_EQ(r.dialogs.shown[0].text, link_msg::kPortNotAvailable);
        EXPECT_EQ(r.dialogs.shown[0].kind, MessageKind::Error);
        EXPECT_FALSE(r.tool.state().LinkOnline);
        EXPECT_FALSE(r.tool.timer4().enabled());
        EXPECT_FALSE(r.tool.timer2().enabled());
        EXPECT_TRUE(r.port.writes.empty());
    }
    {  // download identification: only its own message
        Rig r;
        r.port.openable = false;
        r.tool.link().RequestVersionForDownload();
        EXPECT_EQ(r.dialogs.texts(),
                  std::vector<std::string>{std::string(link_msg::kPortNotAvailableDownload)});
    }
    {  // send while closed: message, no time-out armed
        Rig r;
        r.tool.link().SendDownloadEnd();
        EXPECT_EQ(r.dialogs.texts(),
                  std::vector<std::string>{std::string(link_msg::kSendWhileClosed)});
        EXPECT_FALSE(r.tool.timer2().enabled());
    }
    {  // write fails: offline and its message
        Polling r;
        r.port.failWrites = true;
        r.sched.advance(120);
        EXPECT_EQ(r.dialogs.texts(), std::vector<std::string>{std::string(link_msg::kWriteFailed)});
        EXPECT_FALSE(r.tool.state().LinkOnline);
        EXPECT_FALSE(r.tool.timer1().enabled());
        EXPECT_FALSE(r.tool.timer2().enabled());
    }
    {  // read fails: Yes/No box and a retry through the poll cycle
        Polling r;
        r.port.failReads = true;
        r.port.deliver(liveFrame());
        ASSERT_EQ(r.dialogs.shown.size(), 1u);
        EXPECT_EQ(r.dialogs.shown[0].text, link_msg::kReadFailed);
        EXPECT_EQ(r.dialogs.shown[0].buttons, (std::vector<Button>{Button::Yes, Button::No}));
        EXPECT_EQ(r.tool.state().PollAction, 6);
        EXPECT_TRUE(r.tool.timer4().enabled());
    }
}

TEST(LinkPollCycle, EachPollActionDoesItsOneThing) {
    struct Case {
        int action;
        std::string sentLetters;  // frames written by the tick
        std::string hook;
    };
    const Case cases[] = {
        {0, "V", ""}, {1, "C", ""},          {2, "", "table edit"}, {3, "*", ""},
        {4, "", ""},  {5, "", "pedal edit"}, {6, "*", ""},          {7, "L", ""},
        {8, "", ""},  {17, "B", ""},         {18, "q", ""},         {-1, "", ""},
    };
    for (const auto& c : cases) {
        Polling r;
        std::string hook;
        r.tool.hooks().startTableEdit = [&] { hook = "table edit"; };
        r.tool.hooks().applyPedalCorrectionEdit = [&] { hook = "pedal edit"; };
        r.port.deliver(liveFrame());
        r.tool.link().StopLink();
        r.tool.state().TxPayload = {0, 1, 2, 3};
        const auto before = r.port.writes.size();
        r.tool.link().RequestPollAction(c.action);
        r.tool.link().RequestPollAction(c.action);  // twice before the tick: done once
        r.sched.advance(80);
        EXPECT_FALSE(r.tool.state().RxMuted) << c.action;
        std::string sent;
        for (auto i = before; i < r.port.writes.size(); ++i)
            sent += char(r.port.writes[i].bytes[0]);
        EXPECT_EQ(sent, c.sentLetters) << c.action;
        EXPECT_EQ(hook, c.hook) << c.action;
        EXPECT_EQ(r.tool.state().PollAction, c.action) << "not cleared by the tick";
    }
}

TEST(LinkPollCycle, LiveDataWhileOfflineSendsNothingAndStaysIdle) {
    Rig r;
    r.tool.show();
    r.tool.link().RequestPollAction(3);
    r.sched.advance(2000);
    EXPECT_TRUE(r.port.writes.empty());
    EXPECT_FALSE(r.tool.timer1().enabled());
    EXPECT_FALSE(r.tool.timer2().enabled());
}

TEST(LinkPollCycle, IdentificationSwitchesToTheFastRateOnTheNextSequencerTick) {
    Rig r;
    r.tool.show();
    r.sched.advance(80);
    r.port.deliver(reply('V', "1EA1AB1AA"));
    EXPECT_EQ(r.tool.state().version_info, "1EA1AB1AA");
    EXPECT_EQ(r.tool.state().TransferStep, -20);
    EXPECT_FALSE(r.tool.timer2().enabled());
    r.sched.advance(49);
    EXPECT_EQ(r.port.letters(), "VG");
    r.sched.advance(1);
    ASSERT_EQ(r.port.letters(), "VGS");
    EXPECT_EQ(r.port.writes[0].baud, 9600);
    EXPECT_EQ(r.port.writes[1].baud, 9600);
    EXPECT_EQ(r.port.writes[2].baud, 115200);
    EXPECT_EQ(r.tool.state().TransferStep, 0);
    EXPECT_FALSE(r.tool.timer3().enabled());
}

}  // namespace
}  // namespace qor::test

namespace qor::test {
namespace {

// However the bytes of a reply are cut into arrivals, it is accepted exactly once and whole.
TEST(LinkDispatcher, EverySplitOfAReplyGivesTheSameSingleFrame) {
    const Bytes f = liveFrame(0x5A);
    std::vector<std::vector<std::size_t>> splits;
    for (std::size_t cut = 1; cut < f.size(); ++cut) splits.push_back({cut, f.size() - cut});
    splits.push_back(std::vector<std::size_t>(f.size(), 1));
    splits.push_back({1, 64, 1});
    splits.push_back({7, 7, 7, 7, 7, 7, 7, 7, 7, 3});
    for (const auto& sizes : splits) {
        Polling r;
        std::size_t pos = 0;
        for (std::size_t n : sizes) {
            r.port.deliver(Bytes(f.begin() + long(pos), f.begin() + long(pos + n)));
            pos += n;
        }
        ASSERT_EQ(r.liveFrames.size(), 1u) << sizes.size() << " pieces, first " << sizes[0];
        EXPECT_EQ(r.liveFrames[0], f);
        EXPECT_EQ(r.tool.state().PollAction, 3);  // no failure on the way
    }
}

}  // namespace
}  // namespace qor::test
