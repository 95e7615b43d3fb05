#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/diagnostics/LiveData.h"
#include "link_scenario_rig.h"

namespace qor::test {
namespace {

using sim::Fault;
namespace live = sim::live;

std::string Value(Tool& tool, const std::string& name) {
    const auto& names = DashboardView::kValueNames;
    const auto i = std::find(names.begin(), names.end(), name) - names.begin();
    return tool.view().dashboard.values.at(i);
}

// The tool started against the module and polling live data.
struct Polling : SimRig {
    explicit Polling(int userLevel = 1) {
        module.setLevels(4, userLevel);
        tool.onViewChanged = [this] { ++renders; };
    }
    void start() {
        tool.show();
        ASSERT_TRUE(sched.runUntil([&] { return module.requestCount('*') >= 1; }, 5000));
    }
    // Enough time for the next live frame to be requested and handled.
    void nextFrame() { sched.advance(130); }
    int renders = 0;
};

TEST(DiagScenario, LiveWordsOfTheModuleReachTheDashboard) {
    Polling r;
    r.module.setLiveWord(live::EngineSpeed, 1000);
    r.module.setLiveWord(live::Battery, 18);
    r.module.setLiveWord(live::CorrectionPid, static_cast<std::uint16_t>(-2817));
    r.module.setLiveWord(live::ThrottleCorrection, 65531);
    r.module.setLiveWord(live::WaterTemp, 20);
    r.module.setLiveWord(live::EtcTemp, 156);
    r.module.setLiveWord(live::StatusBits, 0x0801);   // power interrupted, digital input 1
    std::vector<std::uint16_t> calibration;
    r.tool.liveData().HandleCalibrationResult = [&](std::uint16_t w) { calibration.push_back(w); };
    r.start();
    EXPECT_FALSE(r.tool.view().dashboard.active);
    const int rendersBefore = r.renders;
    r.nextFrame();

    const auto& d = r.tool.view().dashboard;
    EXPECT_TRUE(d.active);
    EXPECT_EQ(Value(r.tool, "enginespeed"), "10000");
    EXPECT_EQ(d.engineSpeedFontPt, 26);
    EXPECT_EQ(Value(r.tool, "Battery_Voltage"), "12.5");
    EXPECT_EQ(Value(r.tool, "Correction_PID"), "-100.0");
    EXPECT_EQ(Value(r.tool, "Throttle_correction"), "-5.0");
    EXPECT_EQ(Value(r.tool, "Water_temp"), "0.0");
    EXPECT_EQ(Value(r.tool, "ETC_temp"), "---");
    EXPECT_EQ(Value(r.tool, "Pedal_pos_mV_1"), "600");   // the module's resting value
    EXPECT_EQ(d.leds[0], 2);
    EXPECT_EQ(d.leds[1], 0);
    EXPECT_TRUE(r.tool.view().main.powerInterruptedPanelVisible);
    EXPECT_FALSE(r.tool.view().errors.visible);
    EXPECT_FALSE(calibration.empty());
    EXPECT_GT(r.renders, rendersBefore);
    EXPECT_EQ(r.tool.state().CommErrorCount, 0);

    // The separator the UI chose applies from the next frame on.
    r.tool.liveData().format.decimalSeparator = ',';
    r.nextFrame();
    EXPECT_EQ(Value(r.tool, "Battery_Voltage"), "12,5");
}

TEST(DiagScenario, ErrorWordsOpenTheWindowAndClearMessageRearmsIt) {
    Polling r;
    r.start();
    r.nextFrame();
    EXPECT_FALSE(r.tool.view().errors.visible);

    r.module.setLiveWord(live::ErrorWord1, 0x0101);
    r.module.setLiveWord(live::ErrorWord2, 0x0004);
    r.nextFrame();
    const auto& e = r.tool.view().errors;
    EXPECT_TRUE(e.visible);
    EXPECT_TRUE(e.conditions[0].shown && e.conditions[0].isError);
    EXPECT_TRUE(e.conditions[10].shown && e.conditions[10].isError);

    r.tool.errorsClearMessageClick();
    EXPECT_FALSE(e.visible);
    r.module.setLiveWord(live::ErrorWord1, 0);   // still reporting word 2 only
    r.nextFrame();
    EXPECT_TRUE(e.visible);
    EXPECT_FALSE(e.conditions[0].shown);
    EXPECT_TRUE(e.conditions[10].shown);
}

TEST(DiagScenario, LinkLossLeavesTheDashboardInactiveAndReset) {
    Polling r;
    r.module.setLiveWord(live::EngineSpeed, 85);
    r.start();
    r.nextFrame();
    ASSERT_EQ(Value(r.tool, "enginespeed"), "850");
    r.module.faults().add({.letter = '*', .first = 1, .last = Fault::kEvery, .kind = Fault::Kind::NoReply});
    ASSERT_TRUE(r.sched.runUntil([&] { return !r.tool.state().LinkOnline; }, 10000));
    const auto& d = r.tool.view().dashboard;
    EXPECT_FALSE(d.active);
    EXPECT_EQ(d.valueColor, colors::ValueInactive);
    for (const auto& v : d.values) EXPECT_EQ(v, "0");
    for (LedState s : d.leds) EXPECT_EQ(s, 0);
}

TEST(DiagScenario, UploadFromTheErrorsWindowDimsTheDashboardUntilLiveDataReturns) {
    Polling r(3);
    r.module.setLiveWord(live::ErrorWord3, 0x0002);
    r.start();
    r.nextFrame();
    ASSERT_TRUE(r.tool.view().errors.visible);
    ASSERT_TRUE(r.tool.view().dashboard.active);
    r.simPort.clearWrites();

    EXPECT_TRUE(r.tool.errorsWindowKeyDown(Key::S, Alt));
    EXPECT_FALSE(r.tool.view().dashboard.active);   // made inactive when the upload starts
    ASSERT_TRUE(r.runUntilWrites(1));
    EXPECT_EQ(r.letters(), "V");                     // identification first, as from the main window
    EXPECT_EQ(r.simPort.writes()[0].baud, 9600);
    ASSERT_TRUE(r.sched.runUntil([&] { return r.tool.view().dashboard.active; }, 5000));
    EXPECT_EQ(r.letters().back(), '*');
    EXPECT_FALSE(r.tool.errorsWindowKeyDown(Key::S, NoModifier));
}

}  // namespace
}  // namespace qor::test
