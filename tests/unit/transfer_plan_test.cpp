// Data of the transfer: the sequencer's page table, the upload block plan, cell payloads and
// the table value limits.
#include <gtest/gtest.h>

#include "core/transfer/Transfer.h"
#include "tests/support/ImageFixtures.h"

namespace qor::test {
namespace {

TEST(TransferPlan, EverySequencerStepLeadsToAStepThatRuns) {
    for (const auto& row : SequencerTable()) {
        for (int next : {row.next, row.nextWithoutOpenLoop}) {
            const bool runs = SequencerRowFor(next) != nullptr || next == step::End ||
                              next == step::EtcChainEnd;
            EXPECT_TRUE(runs) << row.step << " -> " << next;
        }
        // The page a step writes starts where the region table says.
        const PagePlan& plan = PagePlanFor(row.encoder);
        if (!plan.frames.empty()) {
            EXPECT_EQ(plan.frames[0].startWord, RegionStart(plan.region));
        }
    }
}

TEST(TransferPlan, BlockPlanReadsEachRegionOnceInImageOrder) {
    int expectedFrom = 0;
    for (const auto& row : BlockPlan()) {
        if (row.uploadStep == 60) expectedFrom = 18;  // region 17 is never read
        EXPECT_EQ(row.fromBoundary, expectedFrom) << row.uploadStep;
        expectedFrom = row.toBoundary;
    }
    EXPECT_EQ(expectedFrom, 19);
}

TEST(TransferPlan, CellPayloadAddressesAndValues) {
    struct Case {
        int base, column;
        double value;
        Bytes payload;
    };
    const std::vector<Case> cases = {
        {0, 3, 40, {0, 1, 80, 4}},
        {24, 20, 0.25, {0, 34, 0, 21}},     // 0.5 rounds to the even 0
        {567, 0, 10, {2, 55, 20, 1}},
        {74, 7, -1.5, {0, 77, 253, 8}},     // negative as value + 256
    };
    for (const auto& c : cases) EXPECT_EQ(CellWritePayload(c.base, c.column, c.value), c.payload);
}

TEST(TransferPlan, TableLimitsPerTable) {
    struct Case {
        int table;
        double in, out;
        bool limited;
    };
    const std::vector<Case> cases = {
        {table::Curve1, 104.5, 100, true},  {table::Curve2, -3, 0, true},
        {table::ThrottleLimit, 120, 100, true}, {table::OpenLoopIdle, 12, 10, true},
        {table::PedalCorrection, 3000, 2048, true}, {table::PedalCorrection, -3000, -2048, true},
        {table::OpenLoopIdle, 12, 12, false},  // interpolation keeps what it computes
    };
    for (const auto& c : cases) {
        ImageState s;
        const int column = TableFirstColumn(c.table) + 1;
        EXPECT_EQ(ApplyTableCellRules(s.ctx, c.table, column, c.in, c.limited), c.out);
        EXPECT_EQ(s.params.cell(TableGridName(c.table), column), c.out);
    }
    ImageState s;
    ApplyTableCellRules(s.ctx, table::Curve2, 5, 12.25, true);
    EXPECT_EQ(s.stores.UserCurve2[5], 24);  // remembered as value x 2, ties to even
    ApplyTableCellRules(s.ctx, table::Curve2, 6, 3, true);
    EXPECT_TRUE(s.effects.curveNotRising2);
}

}  // namespace
}  // namespace qor::test
