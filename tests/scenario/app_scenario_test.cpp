#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "core/link/PortSettings.h"
#include "link_scenario_rig.h"

namespace qor::test {
namespace {

using sim::Fault;

// Started against a module that stops answering live data: the tool ends offline, the
// module answers again, still at the fast speed.
struct OfflineAfterLoss : SimRig {
    explicit OfflineAfterLoss(int userLevel) {
        module.setLevels(4, userLevel);
        module.faults().add(
            {.letter = '*', .first = 3, .last = Fault::kEvery, .kind = Fault::Kind::NoReply});
        tool.show();
        EXPECT_TRUE(sched.runUntil(
            [&] { return module.requestCount('*') >= 3 && !tool.state().LinkOnline; }, 10000));
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

namespace qor::test {
namespace {

struct ScenarioDir {
    ScenarioDir() {
        static int n = 0;
        path = std::filesystem::temp_directory_path() /
               ("qor-app-scenario-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::create_directories(path);
    }
    ~ScenarioDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string dir() const { return path.string() + "/"; }
    std::filesystem::path path;
};

// The module sits on COM3: only a start that picks COM3 reaches it.
TEST(AppScenario, PortChosenAtStartUpDecidesWhetherTheModuleAnswers) {
    struct Case {
        const char* name;
        std::optional<std::string> comIniPort;
        std::vector<std::string> args;
        bool online;
    };
    const Case cases[] = {
        {"com.ini names it", "COM3", {"qor-etc", "-O"}, true},
        {"com.ini wins over a switch", "COM3", {"qor-etc", "-O", "-5"}, true},
        {"no com.ini, switch -3", std::nullopt, {"qor-etc", "-3", "-O"}, true},
        {"no com.ini, switch in third place", std::nullopt, {"qor-etc", "-O", "x", "-3"}, false},
        {"com.ini names another port", "COM1", {"qor-etc", "-3"}, false},
    };
    for (const auto& c : cases) {
        ScenarioDir dir;
        if (c.comIniPort) {
            ASSERT_TRUE(WriteComIni(dir.dir() + "com.ini", *c.comIniPort));
        }
        SimRig r(c.args, dir.dir());
        r.tool.show();
        r.sched.advance(1000);
        EXPECT_EQ(r.tool.state().LinkOnline, c.online) << c.name;
        EXPECT_EQ(r.dialogs.texts().empty(), c.online) << c.name;
    }
}

TEST(AppScenario, ModuleVersionDecidesWhetherTheUploadGoesOn) {
    struct Case {
        const char* version;
        std::vector<std::string> texts;
        bool blockReads;
    };
    const Case cases[] = {
        {"1EA1AB1AA", {}, true},
        {"1EA1AC1AA",
         {"ECU is newer then the PC software\n\rPlease download newer QOR PC software"},
         false},
        {"2EA1AB1AA",
         {"This Version nr : 2EA1AB1AAWith Serialnumber : 123456\r\r\nis not supported by this "
          "software \r\r\nCall your Software supplier for information !!!"},
         true},
    };
    for (const auto& c : cases) {
        SimRig r;
        r.module.setVersion(c.version);
        r.module.setLevels(4, 2);
        int starts = 0;
        r.tool.hooks().startBlockReads = [&] { ++starts; };
        r.tool.show();
        r.sched.advance(1000);
        EXPECT_EQ(r.dialogs.texts(), c.texts) << c.version;
        EXPECT_EQ(starts, c.blockReads ? 1 : 0) << c.version;
        EXPECT_EQ(r.tool.state().version_info, c.version);
        EXPECT_EQ(r.tool.state().RegionTable.has_value(), c.version[0] != '2') << c.version;
    }
}

}  // namespace
}  // namespace qor::test
