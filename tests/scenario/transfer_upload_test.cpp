// Upload from the simulated module: block plan, identification chain, refusals, progress,
// slow replies and the entry points.
#include <gtest/gtest.h>

#include "core/app/AppMessages.h"
#include "tests/scenario/transfer_rig.h"

namespace qor::test {
namespace {

std::vector<std::pair<int, int>> blockReads(const TransferRig& r) {
    std::vector<std::pair<int, int>> out;
    for (const auto& f : r.frames('Z')) out.emplace_back(wordAt(f, 1), wordAt(f, 3));
    return out;
}

TEST(TransferUpload, BlockReadsFollowThePlanWithAndWithoutTheOpenLoopIdleTable) {
    const std::vector<std::pair<int, int>> withIdle = {
        {0, 11},   {11, 11},  {22, 2},   {24, 11},  {35, 39},  {74, 255},
        {329, 3},  {332, 22}, {354, 2},  {356, 2},  {358, 18}, {376, 3},
        {379, 60}, {439, 127}, {566, 1}, {567, 11}, {578, 446}, {896, 128}};
    auto withoutIdle = withIdle;
    withoutIdle.erase(withoutIdle.begin() + 15, withoutIdle.begin() + 17);
    struct Case {
        const char* version;
        std::vector<std::pair<int, int>> reads;
        bool idlePanel;
    };
    for (const Case& c : {Case{"1EA1AB1AA", withIdle, true}, Case{"1EA1AA1AA", withoutIdle, false}}) {
        SCOPED_TRACE(c.version);
        TransferRig r;
        r.a.setVersion(c.version);
        ASSERT_TRUE(r.startAndUpload());
        EXPECT_EQ(blockReads(r), c.reads);
        EXPECT_EQ(r.letters().substr(0, 4), "VGSa");
        EXPECT_EQ(r.view().openLoopIdlePanelVisible, c.idlePanel);
        // End of upload: gauge hidden, file commands on, live data 120 ms later.
        EXPECT_FALSE(r.view().progressVisible);
        EXPECT_TRUE(r.view().openFileEnabled && r.view().saveFileEnabled);
        EXPECT_TRUE(r.view().dashboardOnlineLook);
        // The block reads ran at the fast rate the 'G' asked for.
        for (const auto& w : r.portA.writes())
            if (w.bytes[0] == 'Z') {
                EXPECT_EQ(w.baud, 115200);
            }
    }
}

TEST(TransferUpload, DecodesTheModuleImageIntoTheParameterSet) {
    TransferRig r;
    ImageState want;
    randomizeImageState(want, 7);
    r.a.setImage(encodeImage(want));
    ASSERT_TRUE(r.startAndUpload());
    EXPECT_EQ(encodeImage(r.image), encodeImage(want));
    EXPECT_EQ(r.image.params.get("P_versterking"), want.params.get("P_versterking"));
    EXPECT_EQ(r.image.stores.UserCurve1, want.stores.UserCurve1);
    // Headers follow the decoded RPM range and idle start speed.
    EXPECT_EQ(r.view().throttleLimitHeaders, r.image.effects.throttleLimitHeaders);
    EXPECT_EQ(r.view().openLoopIdleHeaders[0],
              std::to_string(static_cast<int>(want.params.get("beginwaarde"))));
}

TEST(TransferUpload, UserLevelOneGetsLiveDataOnly) {
    TransferRig r;
    r.a.setLevels(4, 1);
    r.tool.show();
    ASSERT_TRUE(r.sched.runUntil([&] { return r.a.requestCount('*') >= 2; }, 5000));
    EXPECT_TRUE(r.frames('Z').empty());
    EXPECT_FALSE(r.view().responseCurvePanelsVisible);
    EXPECT_FALSE(r.view().progressVisible);
}

TEST(TransferUpload, NewerModuleIsRefusedAndTheLinkStaysIdle) {
    TransferRig r;
    r.a.setVersion("1EA2AA1AA");
    r.tool.show();
    r.sched.advance(3000);
    EXPECT_TRUE(r.frames('Z').empty());
    EXPECT_EQ(r.a.requestCount('*'), 0);
    ASSERT_FALSE(r.dialogs.shown.empty());
    EXPECT_EQ(r.dialogs.shown.back().text, std::string(app_msg::kEcuIsNewer));
}

TEST(TransferUpload, ChunkedBlockReplyWithGapsBelowTheTimeOutCompletes) {
    TransferRig r;
    // The pedal table block: 512 bytes in 20 pieces 500 ms apart, almost ten seconds.
    r.a.faults().add({'Z', 6, 6, sim::Fault::Kind::Chunks, 20, 500, 0});
    ASSERT_TRUE(r.startAndUpload(120000));
    EXPECT_EQ(r.frames('Z').size(), 18u);
    EXPECT_EQ(r.view().commErrorsCaption.find(std::string(sim::SimPort::kDefaultDevice)),
              std::string::npos);
    EXPECT_EQ(r.a.requestCount('Z'), 18);
    EXPECT_GT(r.sched.now(), 9500);  // the pieces really took their time
}

TEST(TransferUpload, GaugeStopsAtItsMaximum) {
    TransferRig r;
    int highest = 0, maximum = 0;
    r.tool.show();
    r.sched.runUntil(
        [&] {
            highest = std::max(highest, r.view().gaugePosition);
            maximum = r.view().gaugeMaximum;
            return r.uploadDone();
        },
        60000);
    EXPECT_EQ(maximum, 1160);
    EXPECT_EQ(highest, 1160);  // 2340 bytes arrive in all
}

TEST(TransferUpload, EntryPointsStartTheSameUpload) {
    struct Case {
        const char* name;
        std::function<void(TransferRig&)> start;
        int gaugeMaximum;
    };
    const std::vector<Case> cases = {
        {"button", [](TransferRig& r) { r.tool.uploadClick(); }, 1158},
        {"Alt+S", [](TransferRig& r) { r.tool.keyDown(Key::S, Alt); }, 579},
    };
    // A password change that brings user level 2, 3 or 4: the access handler reads at once.
    std::vector<Case> all = cases;
    for (int level : {2, 3, 4}) {
        all.push_back({"level reply",
                       [level](TransferRig& r) {
                           r.a.setLevels(4, level);
                           r.tool.link().StopLink();
                           r.st().RxMuted = false;
                           r.tool.link().RequestAccessLevel();
                       },
                       1160});
    }
    for (const auto& c : all) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        ASSERT_TRUE(r.startAndUpload());
        r.sched.advance(10);  // the first live data reply is in
        r.portA.clearWrites();
        c.start(r);
        EXPECT_EQ(r.view().gaugeMaximum, c.gaugeMaximum);
        ASSERT_TRUE(r.sched.runUntil([&] { return r.frames('Z').size() == 18 && r.uploadDone(); },
                                     60000));
    }
}

}  // namespace
}  // namespace qor::test
