#include <gtest/gtest.h>

#include "link_scenario_rig.h"

namespace qor::test {
namespace {

using sim::Fault;

// Started against a module that stops answering live data: the tool ends offline, the
// module answers again, still at the fast speed.
struct OfflineAfterLoss : SimRig {
    explicit OfflineAfterLoss(int userLevel) {
        module.setLevels(4, userLevel);
        module.faults().add({.letter = '*', .first = 3, .last = Fault::kEvery, .kind = Fault::Kind::NoReply});
        tool.show();
        EXPECT_TRUE(sched.runUntil([&] { return module.requestCount('*') >= 3 && !tool.state().LinkOnline; }, 10000));
        EXPECT_FALSE(simPort.isOpen());
        module.faults().clear();
        simPort.clearWrites();
    }
};

TEST(AppScenario, F10TwiceFromOfflineSendsNothingAndClosesThePort) {
    OfflineAfterLoss r(3);
    ASSERT_TRUE(r.tool.keyDown(Key::F10, NoModifier));
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::GoingOnline);
    r.sched.advance(3000);
    EXPECT_TRUE(r.simPort.writes().empty());
    ASSERT_TRUE(r.tool.keyDown(Key::F10, NoModifier));
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(r.simPort.isOpen());
    EXPECT_FALSE(r.tool.view().main.dashboardOnlineLook);
}

TEST(AppScenario, GoingOnlineThenUploadIdentifiesAgainAtBothSpeeds) {
    OfflineAfterLoss r(3);
    r.module.powerUp();  // switched off and on meanwhile: back at the slow speed
    r.tool.keyDown(Key::F10, NoModifier);
    r.tool.uploadClick();
    ASSERT_TRUE(r.runUntilWrites(5));
    EXPECT_EQ(r.letters(), "VGSa*");
    EXPECT_EQ(r.simPort.writes()[0].baud, 9600);
    EXPECT_EQ(r.simPort.writes()[2].baud, 115200);
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Hidden);
    r.sched.advance(1000);
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);
}

TEST(AppScenario, StayOfflineLeavesFilesUsableAndTheDashboardRed) {
    OfflineAfterLoss r(3);
    r.tool.dashboardClick();  // an editing user: the going-online menu
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::GoingOnline);
    r.tool.stayOfflineClick();
    const auto& m = r.tool.view().main;
    EXPECT_EQ(m.menu, MenuVariant::Hidden);
    EXPECT_TRUE(m.openFileEnabled);
    EXPECT_TRUE(m.saveFileEnabled);
    EXPECT_FALSE(m.dashboardOnlineLook);
    EXPECT_FALSE(r.tool.state().LinkOnline);
    r.sched.advance(3000);
    EXPECT_TRUE(r.simPort.writes().empty());
}

TEST(AppScenario, LevelOneDashboardClickPollsLiveDataWithoutIdentification) {
    OfflineAfterLoss r(1);
    std::vector<Bytes> live;
    r.tool.hooks().liveData = [&](const Bytes& f) { live.push_back(f); };
    r.tool.dashboardClick();
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_TRUE(r.simPort.isOpen());
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Hidden);
    r.sched.advance(500);
    ASSERT_FALSE(r.simPort.writes().empty());
    EXPECT_EQ(r.letters().find_first_not_of('*'), std::string::npos);
    EXPECT_EQ(r.simPort.writes()[0].baud, 115200);
    EXPECT_GE(live.size(), 3u);
}

}  // namespace
}  // namespace qor::test
