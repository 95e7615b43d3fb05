// Single-table send: cell writes one per acknowledgement, interpolation, paste with read-back,
// the pedal correction table, the limiters and idle start speed, and the offline walk.
#include <gtest/gtest.h>

#include "tests/scenario/transfer_rig.h"

namespace qor::test {
namespace {

struct Payload {
    int word, value, columnPlusOne;
    bool operator==(const Payload&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Payload& p) {
    return o << "(" << p.word << "," << p.value << "," << p.columnPlusOne << ")";
}

std::vector<Payload> cellWrites(const TransferRig& r) {
    std::vector<Payload> out;
    for (const auto& f : r.frames('B')) out.push_back({wordAt(f, 1), f[3], f[4]});
    return out;
}

// Uploaded and quiet: live data polling runs, its last reply is in.
void online(TransferRig& r) {
    ASSERT_TRUE(r.startAndUpload());
    r.sched.advance(10);
    r.portA.clearWrites();
}

bool editDone(const TransferRig& r) {
    return r.st().TransferStep == 0 && r.st().PendingRequest == '*';
}

// The poll tick starts the edit 80 ms after the request; then wait for live data again.
bool runEdit(TransferRig& r) {
    r.sched.advance(80);
    return r.sched.runUntil([&] { return editDone(r); }, 5000);
}

TEST(TransferTable, SetValueOnAUserDefinedCurveWritesEachCellAfterTheLastAcknowledgement) {
    TransferRig r;
    r.a.setWord(22, 2 << 8);  // curve 1 "User defined"
    online(r);
    // The second acknowledgement comes 300 ms late: the third cell must wait for it.
    r.a.faults().add({'B', 2, 2, sim::Fault::Kind::Delay, 0, 300, 0});
    TableEditRequest e;
    e.table = table::Curve1;
    e.option = EditOption::SetValue;
    e.left = 3;
    e.right = 6;
    e.setValue = 40;
    r.transfer.RequestTableEdit(e);
    ASSERT_TRUE(runEdit(r));
    EXPECT_EQ(cellWrites(r), (std::vector<Payload>{{1, 80, 4}, {2, 80, 5}, {2, 80, 6}, {3, 80, 7}}));
    std::vector<Millis> at;
    for (const auto& w : r.portA.writes())
        if (w.bytes[0] == 'B') at.push_back(w.at);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_GE(at[2] - at[1], 300);
    for (int c = 3; c <= 6; ++c) {
        EXPECT_EQ(r.image.params.cell("Throttle_response_curve_1", c), 40);
        EXPECT_EQ(r.image.stores.UserCurve1[static_cast<std::size_t>(c)], 80);
    }
    EXPECT_EQ(r.a.word(1) & 0xFF, 80);
    EXPECT_EQ(r.a.word(2), 80 * 256 + 80);
    EXPECT_EQ(r.a.word(3) >> 8, 80);
    EXPECT_FALSE(r.view().progressVisible);
    EXPECT_EQ(r.letters().back(), '*');
}

TEST(TransferTable, ChangeByPercentAndInterpolationOnTheThrottleLimit) {
    struct Case {
        const char* name;
        EditOption option;
        int left, right;
        double percent;
        std::vector<Payload> writes;
        std::vector<double> cells;  // columns left..right afterwards
    };
    // Cells start at 10 (column 2), 20, 95 (column 4), 40 (column 5).
    const std::vector<Case> cases = {
        {"+10 %", EditOption::ChangeByPercent, 2, 5, 10,
         {{25, 22, 3}, {25, 44, 4}, {26, 200, 5}, {26, 88, 6}}, {11, 22, 100, 44}},
        {"-100 %", EditOption::ChangeByPercent, 4, 4, -100, {{26, 0, 5}}, {0}},
        {"interpolation", EditOption::HorizontalInterpolation, 2, 5, 0,
         {{25, 20, 3}, {25, 40, 4}, {26, 60, 5}, {26, 80, 6}}, {10, 20, 30, 40}},
        {"interpolation over one column", EditOption::HorizontalInterpolation, 4, 4, 0, {}, {95}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        r.a.setWord(25, 20 * 256 + 40);
        r.a.setWord(26, 190 * 256 + 80);
        online(r);
        TableEditRequest e;
        e.table = table::ThrottleLimit;
        e.option = c.option;
        e.left = c.left;
        e.right = c.right;
        e.percent = c.percent;
        r.transfer.RequestTableEdit(e);
        ASSERT_TRUE(runEdit(r));
        EXPECT_EQ(cellWrites(r), c.writes);
        for (int col = c.left; col <= c.right; ++col)
            EXPECT_EQ(r.image.params.cell("Throttle_limit", col),
                      c.cells[static_cast<std::size_t>(col - c.left)]);
        EXPECT_TRUE(r.frames('Z').empty());
    }
}

TEST(TransferTable, PasteWritesThenReadsTheTableBack) {
    struct Case {
        const char* name;
        int table;
        const char* grid;
        int base;
        double cellTenAfter;  // the module's value shows only for the curves
    };
    for (const Case& c : {Case{"curve 1", table::Curve1, "Throttle_response_curve_1", 0, 33},
                          Case{"throttle limit", table::ThrottleLimit, "Throttle_limit", 24, 0}}) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        r.a.setWord(22, 2 << 8);  // curve 1 "User defined"
        online(r);
        // The module's cell 10 changes behind the tool's back.
        r.a.setWord(static_cast<std::size_t>(c.base + 5), 66 << 8);
        TableEditRequest e;
        e.table = c.table;
        e.option = EditOption::Paste;
        e.left = 18;
        e.right = 20;
        e.pasteCells = {12.5, 30, 55, 70, 80};  // the last two fall off the table
        r.transfer.RequestTableEdit(e);
        ASSERT_TRUE(runEdit(r));
        EXPECT_EQ(cellWrites(r), (std::vector<Payload>{{c.base + 9, 25, 19},
                                                       {c.base + 9, 60, 20},
                                                       {c.base + 10, 110, 21}}));
        const auto reads = r.frames('Z');
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(wordAt(reads[0], 1), c.base);
        EXPECT_EQ(wordAt(reads[0], 3), 21);
        EXPECT_EQ(r.image.params.cell(c.grid, 10), c.cellTenAfter);
        EXPECT_EQ(r.image.params.cell(c.grid, 20), 55);
        EXPECT_EQ(r.letters().back(), '*');
    }
}

TEST(TransferTable, PedalCorrectionEditsStayInTheTool) {
    struct Case {
        const char* name;
        EditOption option;
        double setValue;
        std::vector<double> cells;  // columns 10..14
    };
    for (const Case& c :
         {Case{"set 3000", EditOption::SetValue, 3000, {2048, 2048, 2048, 2048, 2048}},
          Case{"interpolation", EditOption::HorizontalInterpolation, 0, {0, 1, 1.5, 2, 3}}}) {
        SCOPED_TRACE(c.name);
        TransferRig r;
        r.a.setWord(74 + 13, 3);  // cell 14
        online(r);
        TableEditRequest e;
        e.table = table::PedalCorrection;
        e.option = c.option;
        e.left = 10;
        e.right = 14;
        e.setValue = c.setValue;
        r.transfer.RequestTableEdit(e);
        ASSERT_TRUE(runEdit(r));
        for (int col = 10; col <= 14; ++col)
            EXPECT_EQ(r.image.params.cell("PositieveSollwert", col),
                      c.cells[static_cast<std::size_t>(col - 10)]);
        r.sched.advance(100);
        EXPECT_EQ(r.letters(), "*");  // only the live data request that ends the edit
        EXPECT_EQ(r.a.word(74 + 13), 3);
    }
}

TEST(TransferTable, LimiterAndIdleStartSpeedWriteTheirRegionThenEnd) {
    struct Case {
        int table;
        int start, bytes;
        std::function<void(TransferRig&)> check;
    };
    const std::vector<Case> cases = {
        {table::Limiter1, 22, 4,
         [](TransferRig& r) {
             EXPECT_EQ(r.image.params.get("throttle_response_curve_1_acc_limiter"), 125);
             EXPECT_EQ(r.a.word(22) & 0xFF, 250);
         }},
        {table::IdleStartSpeed, 578, 2, [](TransferRig& r) { EXPECT_EQ(r.a.word(578), 6); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        TransferRig r;
        online(r);
        r.image.params.set("beginwaarde", 520);
        TableEditRequest e;
        e.table = c.table;
        e.option = EditOption::SetValue;
        e.setValue = 200;
        r.transfer.RequestTableEdit(e);
        ASSERT_TRUE(runEdit(r));
        const auto pages = r.frames('E');
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(wordAt(pages[0], 1), c.bytes);
        EXPECT_EQ(wordAt(pages[0], 3), c.start);
        EXPECT_EQ(r.letters(), "ER*");
        c.check(r);
    }
}

TEST(TransferTable, OfflineEditChangesOneCellPerTickAndSendsNothing) {
    TransferRig r;
    r.portA.setAvailable(false);
    r.tool.show();
    r.sched.advance(1000);
    ASSERT_FALSE(r.st().LinkOnline);
    for (int col = 0; col < 10; ++col) r.image.params.setCell("Throttle_limit", col, 50);
    std::vector<Millis> changedAt;
    r.image.params.subscribe([&](int, int) { changedAt.push_back(r.sched.now()); });
    TableEditRequest e;
    e.table = table::ThrottleLimit;
    e.option = EditOption::ChangeByPercent;
    e.left = 0;
    e.right = 9;
    e.percent = 10;
    r.transfer.RequestTableEdit(e);
    r.sched.advance(2000);
    ASSERT_EQ(changedAt.size(), 10u);
    for (std::size_t i = 1; i < changedAt.size(); ++i) EXPECT_EQ(changedAt[i] - changedAt[i - 1], 50);
    EXPECT_EQ(r.image.params.cell("Throttle_limit", 9), 55);
    EXPECT_TRUE(r.portA.writes().empty());
    EXPECT_EQ(r.st().TransferStep, 0);
}

TEST(TransferTable, CellAcknowledgementOutsideATransferOnlySetsStepDone) {
    TransferRig r;
    online(r);
    r.tool.link().StopLink();
    r.st().RxMuted = false;
    r.st().StepDone = false;
    r.st().TxPayload = CellWritePayload(0, 3, 40);
    r.tool.link().SendCellWrite();
    r.sched.advance(2000);
    EXPECT_TRUE(r.st().StepDone);
    EXPECT_EQ(r.st().TransferStep, 0);
    EXPECT_EQ(r.letters(), "B");
}

}  // namespace
}  // namespace qor::test
