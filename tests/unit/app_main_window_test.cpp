#include <gtest/gtest.h>

#include "core/app/AppMessages.h"
#include "link_test_rig.h"

namespace qor::test {
namespace {

TEST(AppStartUp, SplashUnlessDashCapitalOInParametersOneToThree) {
    struct Case {
        std::vector<std::string> args;
        bool splash;
    };
    const Case cases[] = {
        {{"qor-etc"}, true},
        {{"qor-etc", "-O"}, false},
        {{"qor-etc", "-2", "-O"}, false},
        {{"qor-etc", "a", "b", "-O"}, false},
        {{"qor-etc", "a", "b", "c", "-O"}, true},
        {{"qor-etc", "-o"}, true},
        {{"qor-etc", "-O "}, true},
    };
    for (const auto& c : cases) {
        Rig r(c.args);
        EXPECT_EQ(r.tool.view().splash.visible, c.splash) << c.args.back();
    }
}

TEST(AppStartUp, ShownWindowIsOfflineLockedAndIdentifies80msLater) {
    for (bool okPressed : {true, false}) {  // OK or the 10 s timer: same main window
        Rig r({"qor-etc"});
        r.tool.splashClosed(okPressed);
        r.tool.splashCreditClicked();
        EXPECT_FALSE(r.tool.view().splash.visible);
        EXPECT_EQ(r.tool.view().splash.creditColor, colors::Black);
        r.tool.show();
        const auto& m = r.tool.view().main;
        EXPECT_EQ(m.caption, "QOR V1.03 ETC");
        EXPECT_FALSE(m.openFileEnabled);
        EXPECT_FALSE(m.optionsEnabled);
        EXPECT_TRUE(m.progressVisible);
        EXPECT_EQ(m.progressCaption, "Up_loading");
        EXPECT_TRUE(m.openLoopIdlePanelVisible);
        EXPECT_EQ(r.tool.state().version_info, r.tool.state().ToolVersion);
        EXPECT_EQ(m.openLoopIdleHeaders.front(), "400");
        EXPECT_EQ(m.openLoopIdleHeaders.back(), "800");
        EXPECT_TRUE(r.port.writes.empty());
        r.sched.advance(79);
        EXPECT_TRUE(r.port.writes.empty());
        r.sched.advance(1);
        ASSERT_EQ(r.port.letters(), "V");
        EXPECT_EQ(r.port.writes[0].baud, 9600);
    }
}

TEST(AppStartUp, HeadersFollowTheirProviders) {
    Rig r;
    r.tool.hooks().idleStartSpeed = [] { return 512.5; };  // ties go to even
    std::array<double, 21> rows{};
    for (int i = 0; i < 21; ++i) rows[i] = 1000.0 * i + 0.4;
    r.tool.hooks().rpmRangeRows = [&] { return rows; };
    r.tool.show();
    const auto& m = r.tool.view().main;
    EXPECT_EQ(m.openLoopIdleHeaders[0], "512");
    EXPECT_EQ(m.openLoopIdleHeaders[20], "912");
    EXPECT_EQ(m.throttleLimitHeaders[0], "0");
    EXPECT_EQ(m.throttleLimitHeaders[20], "20000");
    rows[3] = 2999.6;
    r.tool.UpdateThrottleLimitHeaders();
    EXPECT_EQ(m.throttleLimitHeaders[3], "3000");
}

TEST(AppMainWindow, LockLookCaption) {
    Rig r;
    r.tool.show();
    std::vector<bool> changes;
    r.tool.hooks().lockLookChanged = [&](bool l) { changes.push_back(l); };
    r.tool.SetDataLockedLook(false);
    EXPECT_EQ(r.tool.view().main.caption,
              "QOR V1.03 ETC" + std::string(48, ' ') + "DATA IS NOT LOCKED !!!");
    r.tool.SetDataLockedLook(false);  // unchanged look: nothing happens
    r.tool.SetDataLockedLook(true);
    EXPECT_EQ(r.tool.view().main.caption, "QOR V1.03 ETC");
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));
}

TEST(AppMainWindow, F10TwiceFromOfflineOpensTheMenuThenReturnsOffline) {
    Rig r;
    r.tool.show();
    r.tool.timer4().setEnabled(false);  // no start-up identification in this test
    ASSERT_TRUE(r.tool.keyDown(Key::F10, NoModifier));
    const auto& m = r.tool.view().main;
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_EQ(m.menu, MenuVariant::GoingOnline);
    EXPECT_FALSE(m.openFileEnabled);
    EXPECT_TRUE(m.dashboardOnlineLook);
    EXPECT_TRUE(r.tool.state().RxMuted);
    r.sched.advance(2000);
    EXPECT_TRUE(r.port.writes.empty());
    ASSERT_TRUE(r.port.open("COM1"));                   // as a request sender would leave it
    ASSERT_TRUE(r.tool.keyDown(Key::F10, Alt | Ctrl));  // modifiers are not examined
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(m.dashboardOnlineLook);
    EXPECT_TRUE(m.offlineHintsVisible);
    EXPECT_FALSE(r.port.isOpen());
    r.sched.advance(2000);
    EXPECT_TRUE(r.port.writes.empty());
}

TEST(AppMainWindow, StayOfflineAndCancelCloseTheMenu) {
    Rig r;
    r.tool.show();
    r.tool.timer4().setEnabled(false);
    r.tool.keyDown(Key::F10, NoModifier);
    ASSERT_TRUE(r.port.open("COM1"));
    r.tool.stayOfflineClick();
    const auto& m = r.tool.view().main;
    EXPECT_EQ(m.menu, MenuVariant::Hidden);
    EXPECT_TRUE(m.openFileEnabled);
    EXPECT_TRUE(m.saveFileEnabled);
    EXPECT_FALSE(m.dashboardOnlineLook);  // red
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(r.port.isOpen());

    r.tool.upDownLoadButtonClick();
    EXPECT_EQ(m.menu, MenuVariant::Menu);
    EXPECT_FALSE(m.openFileEnabled);
    r.tool.cancelMenuClick();
    EXPECT_EQ(m.menu, MenuVariant::Hidden);
    EXPECT_TRUE(m.openFileEnabled);

    r.tool.ShowUpDownloadMenu(MenuVariant::AfterOpenFile);  // after opening a parameter file
    EXPECT_EQ(m.menu, MenuVariant::AfterOpenFile);
    EXPECT_FALSE(m.openFileEnabled);
    EXPECT_FALSE(m.upDownLoadEnabled);
}

TEST(AppMainWindow, DashboardClickByALevelOneUserPollsWithoutIdentification) {
    Rig r;
    r.goOnline(4, 1);  // level 1: tables hidden
    r.sched.advance(80);
    r.tool.dashboardClick();  // online: go offline
    EXPECT_FALSE(r.tool.state().LinkOnline);
    EXPECT_FALSE(r.port.isOpen());
    r.port.writes.clear();
    r.tool.dashboardClick();
    EXPECT_TRUE(r.tool.state().LinkOnline);
    EXPECT_TRUE(r.tool.view().dashboard.active);
    EXPECT_TRUE(r.port.isOpen());
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Hidden);
    r.sched.advance(80);
    EXPECT_EQ(r.port.letters(), "*");
    EXPECT_EQ(r.port.writes[0].baud, 115200);
}

TEST(AppMainWindow, DashboardClickByAnEditingUserShowsTheGoingOnlineMenu) {
    Rig r;
    r.tool.show();
    r.tool.timer4().setEnabled(false);
    r.tool.view().main.accessSettingsVisible = true;
    r.tool.view().main.passwordGroupVisible = true;
    r.tool.dashboardClick();
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::GoingOnline);
    EXPECT_FALSE(r.tool.view().main.accessSettingsVisible);
    EXPECT_FALSE(r.tool.view().main.passwordGroupVisible);
    EXPECT_TRUE(r.tool.state().LinkOnline);
    r.sched.advance(1000);
    EXPECT_TRUE(r.port.writes.empty());
}

TEST(AppMainWindow, KeysActOnlyWhenTheirButtonIsEnabled) {
    struct Case {
        Key key;
        unsigned modifiers;
        bool filesEnabled;
        bool consumed;
        std::string log;
    };
    const Case cases[] = {
        {Key::F4, Alt, true, false, ""},  // Alt+F4 closes the window; no options menu
        {Key::F4, NoModifier, true, true, "options"},
        {Key::F4, Shift, true, true, "options"},
        {Key::F4, NoModifier, false, false, ""},
        {Key::F2, Ctrl, true, true, "open"},
        {Key::F2, NoModifier, false, false, ""},
        {Key::F3, NoModifier, true, true, "save"},
        {Key::F3, NoModifier, false, false, ""},
        {Key::P, Alt, false, true, "download"},
        {Key::P, NoModifier, true, false, ""},
        {Key::S, NoModifier, true, false, ""},
        {Key::L, Ctrl, true, false, ""},
        {Key::Space, NoModifier, true, false, ""},
        {Key::Other, Alt, true, false, ""},
    };
    for (const auto& c : cases) {
        Rig r;
        std::string log;
        auto& h = r.tool.hooks();
        h.openOptions = [&] { log += "options"; };
        h.openFile = [&] { log += "open"; };
        h.saveFile = [&] { log += "save"; };
        h.download = [&] { log += "download"; };
        r.tool.EnableFileCommands(c.filesEnabled);
        EXPECT_EQ(r.tool.keyDown(c.key, c.modifiers), c.consumed)
            << int(c.key) << " " << c.modifiers;
        EXPECT_EQ(log, c.log) << int(c.key) << " " << c.modifiers;
    }
}

TEST(AppMainWindow, SpaceMarksTheChartForRefreshAndPassesOn) {
    Rig r;
    r.tool.state().ChartRefreshPending = false;
    EXPECT_FALSE(r.tool.keyDown(Key::Space, Alt));
    EXPECT_TRUE(r.tool.state().ChartRefreshPending);
}

TEST(AppMainWindow, F7ShowsTheMenuWhenTheButtonIsEnabled) {
    Rig r;
    r.tool.EnableFileCommands(false);
    EXPECT_FALSE(r.tool.keyDown(Key::F7, NoModifier));
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Hidden);
    r.tool.EnableFileCommands(true);
    EXPECT_TRUE(r.tool.keyDown(Key::F7, NoModifier));
    EXPECT_EQ(r.tool.view().main.menu, MenuVariant::Menu);
    EXPECT_FALSE(r.tool.view().main.openFileEnabled);
}

TEST(AppMainWindow, UploadCommandsStopTheLinkAndIdentifyOnTheNextTick) {
    for (bool altS : {false, true}) {
        Rig r;
        r.goOnline(4, 3);  // the region table is known from here on
        r.sched.advance(120);
        r.port.deliver(liveFrame());
        r.tool.state().CommErrorCount = 4;
        r.tool.view().main.menu = MenuVariant::Menu;
        r.tool.view().main.powerInterruptedPanelVisible = true;
        bool cancelButtons = false;
        r.tool.hooks().setPageCancelButtonsEnabled = [&](bool on) { cancelButtons = on; };
        if (altS) {
            EXPECT_TRUE(r.tool.keyDown(Key::S, Alt));
        } else {
            r.tool.uploadClick();
        }
        const auto& m = r.tool.view().main;
        EXPECT_EQ(m.menu, MenuVariant::Hidden);
        EXPECT_FALSE(m.powerInterruptedPanelVisible);
        EXPECT_TRUE(m.progressVisible);
        EXPECT_EQ(m.gaugeMaximum, altS ? 579 : 1158);
        EXPECT_EQ(cancelButtons, altS);
        EXPECT_EQ(r.tool.state().CommErrorCount, 0);
        EXPECT_TRUE(r.tool.state().RxMuted);
        EXPECT_FALSE(r.tool.timer1().enabled());
        r.port.writes.clear();
        r.sched.advance(80);
        ASSERT_EQ(r.port.letters(), "V");
        EXPECT_EQ(r.port.writes[0].baud, 9600);
    }
}

TEST(AppMainWindow, AltLSendsTheLockUnlessACurveWarningIsShown) {
    for (bool warning : {false, true}) {
        Rig r;
        r.goOnline(4, 1);
        r.sched.advance(80);
        r.port.deliver(liveFrame());
        r.tool.hooks().lockBlockedByCurveWarnings = [&] { return warning; };
        r.port.writes.clear();
        EXPECT_TRUE(r.tool.keyDown(Key::L, Alt));
        r.sched.advance(80);
        EXPECT_EQ(r.port.letters(), warning ? "" : "L");
        EXPECT_EQ(r.tool.timer1().enabled(), warning);  // a warning leaves live data running
    }
}

TEST(AppAccessLevel, UserLevelDecidesWhatFollowsIdentification) {
    struct Case {
        const char* version;
        int user;
        int selected;
        bool tables;
        std::string afterwards;  // frames in the next 200 ms
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"1EA1AB1AA", 0, 1, false, "*", {}},
        {"1EA1AB1AA", 1, 1, false, "*", {}},
        {"1EA1AB1AA", 3, 3, true, "*", {}},
        {"1EA1AB1AA", 9, 4, true, "*", {}},
        {"1EA1AC1AA", 2, 2, false, "", {std::string(app_msg::kEcuIsNewer)}},
    };
    for (const auto& c : cases) {
        Rig r;
        r.goOnline(2, c.user, c.version);
        r.port.writes.clear();
        r.sched.advance(200);
        const auto& m = r.tool.view().main;
        EXPECT_EQ(r.tool.state().User_level, c.selected) << c.user;
        EXPECT_EQ(r.tool.state().Master_level, 2);
        EXPECT_EQ(m.userLevelCaption, "Level " + std::to_string(c.user));
        if (!c.texts.empty()) {
            EXPECT_EQ(r.dialogs.texts(), c.texts);
            EXPECT_EQ(r.dialogs.shown[0].kind, MessageKind::Information);
        } else {
            EXPECT_EQ(m.responseCurvePanelsVisible, c.tables) << c.user;
            EXPECT_EQ(m.throttleLimitPanelVisible, c.tables) << c.user;
            EXPECT_EQ(m.openFileEnabled, c.tables) << c.user;
            EXPECT_TRUE(m.optionsEnabled);
            EXPECT_FALSE(m.progressVisible);
        }
        EXPECT_EQ(r.port.letters().substr(0, 1), c.afterwards) << c.user;
    }
}

TEST(AppAccessLevel, BlockReadsStartThroughTheirHookWithTheGaugePrepared) {
    Rig r;
    int starts = 0;
    r.tool.hooks().startBlockReads = [&] {
        ++starts;
        EXPECT_EQ(r.tool.state().UploadStep, 3);
        EXPECT_EQ(r.tool.state().BlockCount, 579);
        EXPECT_EQ(r.tool.view().main.gaugeMaximum, 1160);
        EXPECT_EQ(r.tool.view().main.gaugePosition, 0);
    };
    r.goOnline(4, 2, "1EA1AA1AA");
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(r.tool.view().main.openLoopIdlePanelVisible);
    EXPECT_TRUE(r.tool.view().main.responseCurvePanelsVisible);
}

TEST(AppMainWindow, ViewChangedFiresOncePerHandledEvent) {
    Rig r;
    int renders = 0;
    r.tool.onViewChanged = [&] { ++renders; };
    r.tool.show();
    EXPECT_EQ(renders, 1);
    r.sched.advance(80);  // poll tick
    EXPECT_EQ(renders, 2);
    r.port.deliver(reply('V', "1EA1AB1AA"));  // bytes arrived
    EXPECT_EQ(renders, 3);
    r.tool.keyDown(Key::S, Alt);  // a command that runs several operations
    EXPECT_EQ(renders, 4);
    r.tool.handle([&] {  // another subsystem's handler that calls back into the Tool
        r.tool.SetDataLockedLook(false);
        r.tool.uploadClick();
        EXPECT_EQ(renders, 4);
    });
    EXPECT_EQ(renders, 5);
}

}  // namespace
}  // namespace qor::test
