#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/image/Catalogue.h"
#include "core/image/ParameterSet.h"

namespace qor {
namespace {

TEST(ImageCatalogue, RegionsCoverTheImageWithoutGapOrOverlap) {
    EXPECT_EQ(RegionStart(0), 0);
    EXPECT_EQ(RegionStart(kRegionCount), kImageWords);
    int total = 0;
    for (int k = 0; k < kRegionCount; ++k) {
        EXPECT_GT(RegionWords(k), 0) << k;
        total += RegionWords(k);
    }
    EXPECT_EQ(total, kImageWords);
}

// Every field lies inside its own region and no two fields share a byte, except the boxes
// that are bits of one flags byte or mask word.
TEST(ImageCatalogue, FieldsStayInTheirRegionAndDoNotOverlap) {
    std::vector<std::string> owner(kImageWords * 2);
    std::set<std::string> names;
    for (const auto& d : Catalogue()) {
        EXPECT_TRUE(names.insert(d.name).second) << "duplicate " << d.name;
        const int bytes = d.isGrid() ? d.width * d.cells : d.width;
        const int first = d.firstImageByte();
        EXPECT_GE(first, RegionStart(d.region) * 2) << d.name;
        EXPECT_LE(first + bytes, RegionStart(d.region + 1) * 2) << d.name;
        if (d.bit >= 0 || !d.stored()) continue;
        for (int b = first; b < first + bytes; ++b) {
            EXPECT_EQ(owner[static_cast<std::size_t>(b)], "") << d.name << " overlaps";
            owner[static_cast<std::size_t>(b)] = d.name;
        }
    }
}

TEST(ImageCatalogue, RowsCarryTheirPlaceRangeAndStart) {
    struct Case {
        const char* name;
        ControlKind kind;
        Family family;
        int word, byteInWord, width;
        double min, max, step;
        int decimals;
        const char* hint;
        double start;
        std::size_t items;
    };
    using K = ControlKind;
    using F = Family;
    const Case cases[] = {
        {"throttle_response_type_2", K::List, F::ItemIndex, 23, 0, 1, 0, 2, 1, 0, "", 0, 3},
        {"P_versterking", K::Spin, F::Hundredths, 35, 0, 2, 0, 10, 0.01, 2, "0...10", 0, 0},
        {"Error_setup_17", K::Box, F::ErrorMaskBit, 73, 0, 2, 0, 1, 1, 0, "", 0, 0},
        {"hardware_settings_digital_input_3", K::List, F::ItemIndex, 330, 0, 1, 0, 8, 1, 0, "", 0,
         9},
        {"hardware_settings_analoge_input_2", K::List, F::ItemIndex, 331, 0, 1, 0, 4, 1, 0, "", 0,
         5},
        {"RPM_Range_Row21", K::Spin, F::Tens, 352, 0, 2, 500, 20000, 50, 0, "500 .. 20000 RPM",
         10500, 0},
        {"RPM_pickup_pulses_per_revolution", K::List, F::ItemIndex, 353, 0, 1, 0, 7, 1, 0, "", 0,
         8},
        {"Launch_min", K::Spin, F::HalfPercent, 356, 0, 1, 0, 100, 0.5, 1, "0...100", 0, 0},
        {"Startup_watertemp_up_to_1", K::Spin, F::Temperature, 358, 1, 1, -20, 135, 1, 0,
         "-20...135 \xC2\xB0"
         "C",
         0, 0},
        {"startup_high_idle_sec_1", K::Spin, F::Plain, 368, 1, 1, 0, 255, 1, 0, "0..255 sec.", 0,
         0},
        {"Anti_stall_time", K::Spin, F::TwentyFives, 375, 0, 1, 0, 5000, 25, 0, "0...5000ms", 0, 0},
        {"CAN_slaves", K::Spin, F::Plain, 377, 1, 1, 0, 12, 1, 0, "0...12", 1, 0},
        {"Tx_9", K::Box, F::CanFlag, 419, 0, 1, 0, 1, 1, 0, "", 1, 0},
        {"Tx_8", K::Box, F::CanFlag, 414, 0, 1, 0, 1, 1, 0, "", 0, 0},
        {"DLC_12", K::List, F::ItemIndex, 434, 1, 1, 0, 7, 1, 0, "", 7, 8},
        {"CAN_ID_12", K::Spin, F::CanId, 435, 0, 4, 0, 536870969, 1, 0, "0...100", 536870969, 0},
        {"TimeOut_ms_12", K::Spin, F::Fives, 437, 1, 1, 5, 1000, 5, 0, "0...1000", 1000, 0},
        {"Start_bit_Mode_12", K::List, F::ItemIndex, 438, 0, 1, 0, 7, 1, 0, "", 0, 8},
        {"Mode_nr_18", K::List, F::ModeValue, 559, 0, 1, 0, 64, 1, 0, "", 0, 65},
        {"Factor_18", K::Spin, F::Fixed24, 560, 1, 3, -999.999, 999.999, 0.001, 3,
         "-999,999...999,999", -999.999, 0},
        {"offset_18", K::Spin, F::Fixed24, 562, 0, 3, -999.999, 1000, 0.001, 3,
         "-999,999...999,999", -999.999, 0},
        {"Channel_name_18", K::List, F::ChannelCode, 563, 1, 1, 0, 11, 1, 0, "", 0, 12},
        {"Unit_18", K::List, F::ItemIndex, 564, 0, 1, 0, 3, 1, 0, "", 0, 4},
        {"max_PWM", K::Spin, F::Pwm, 566, 0, 2, 0, 100, 0.1, 1, "0...100", 0, 0},
        {"beginwaarde", K::Spin, F::StartRpm, 578, 0, 2, 400, 980, 20, 0, "400...980 RPM", 400, 0},
    };
    for (const auto& c : cases) {
        const int i = ParamIndex(c.name);
        ASSERT_GE(i, 0) << c.name;
        const auto& d = Catalogue()[static_cast<std::size_t>(i)];
        EXPECT_EQ(d.kind, c.kind) << c.name;
        EXPECT_EQ(d.family, c.family) << c.name;
        EXPECT_EQ(d.word, c.word) << c.name;
        EXPECT_EQ(d.byteInWord, c.byteInWord) << c.name;
        EXPECT_EQ(d.width, c.width) << c.name;
        EXPECT_DOUBLE_EQ(d.min, c.min) << c.name;
        EXPECT_DOUBLE_EQ(d.max, c.max) << c.name;
        EXPECT_DOUBLE_EQ(d.step, c.step) << c.name;
        EXPECT_EQ(d.decimals, c.decimals) << c.name;
        EXPECT_EQ(d.hint, c.hint) << c.name;
        EXPECT_DOUBLE_EQ(d.start, c.start) << c.name;
        EXPECT_EQ(d.items.size(), c.items) << c.name;
    }
    // One row per message slot and receive channel parameter.
    for (int m = 1; m <= kCanMessages; ++m)
        for (const char* p : {"Tx_", "ID_29Bit_", "Mode_On_", "msg_valid_", "DLC_", "CAN_ID_",
                              "TimeOut_ms_", "Start_bit_Mode_"})
            EXPECT_GE(ParamIndex(p + std::to_string(m)), 0) << p << m;
    for (int ch = 1; ch <= kCanChannels; ++ch)
        for (const char* p : {"msg_nr_", "data_type_", "Mode_nr_", "Start_bit_", "digits_",
                              "Factor_", "offset_", "Channel_name_", "Unit_"})
            EXPECT_GE(ParamIndex(p + std::to_string(ch)), 0) << p << ch;
}

// Values are taken the way the control would take them.
TEST(ImageParameterSet, AssignmentFollowsTheControl) {
    struct Case {
        const char* name;
        double given;
        double held;
    };
    const Case cases[] = {
        {"ImaxPos", 12.5, 12},  // integers stay integers (ties to even)
        {"ImaxPos", 13.5, 14},
        {"ImaxPos", 4000, 3000},  // outside the range: nearer bound
        {"ImaxPos", -3, 0},
        {"P_versterking", 2.37, 2.37},  // decimals kept
        {"P_versterking", 10.01, 10},
        {"Startup_watertemp_up_to_3", -40, -20},
        {"TimeOut_ms_4", 0, 5},
        {"hardware_settings_digital_input_1", 9, 7},  // lists clamp to the last item
        {"hardware_settings_digital_input_3", 9, 8},
        {"Unit_2", -1, 0},
        {"ALS_active", 5, 1},
        {"Launch_min", 130, 130},  // the field has no range of its own
        {"Launch_min", -4, -4},
        {"Launch_max", 130, 100},
    };
    for (const auto& c : cases) {
        ParameterSet p;
        EXPECT_DOUBLE_EQ(p.set(c.name, c.given), c.held) << c.name << " " << c.given;
        EXPECT_DOUBLE_EQ(p.get(c.name), c.held) << c.name;
    }
    ParameterSet p;
    p.setCell("PositieveSollwert", 255, -3000);  // grids hold what they are given
    EXPECT_DOUBLE_EQ(p.cell("PositieveSollwert", 255), -3000);
    EXPECT_DOUBLE_EQ(p.cell("PositieveSollwert", 0), 0);  // column 0 is not a cell
    EXPECT_THROW(p.get("no_such_parameter"), std::out_of_range);
}

// Rx and the 11-bit box are not stored: each takes the opposite of its partner when either
// is assigned (both identifier boxes start cleared).
TEST(ImageParameterSet, BoxPairsTakeOppositeStates) {
    ParameterSet p;
    EXPECT_EQ(p.get("Rx_1"), 1);
    EXPECT_EQ(p.get("Tx_1"), 0);
    EXPECT_EQ(p.get("Rx_9"), 0);
    EXPECT_EQ(p.get("Tx_9"), 1);
    EXPECT_EQ(p.get("ID_11Bit_11"), 0);
    EXPECT_EQ(p.get("ID_29Bit_11"), 0);
    p.set("ID_29Bit_11", 1);
    EXPECT_EQ(p.get("ID_11Bit_11"), 0);
    p.set("ID_29Bit_11", 0);
    EXPECT_EQ(p.get("ID_11Bit_11"), 1);
    p.set("ID_11Bit_11", 0);
    EXPECT_EQ(p.get("ID_29Bit_11"), 1);
    p.set("Rx_12", 1);
    EXPECT_EQ(p.get("Tx_12"), 0);
    EXPECT_EQ(p.get("Tx_11"), 1);  // other slots untouched
}

TEST(ImageParameterSet, NotifiesActualChangesOnly) {
    ParameterSet p;
    std::vector<std::pair<int, int>> seen;
    const int id = p.subscribe([&](int i, int c) { seen.emplace_back(i, c); });
    p.set("P_neg", 1.25);
    p.set("P_neg", 1.25);  // same value: no notice
    p.setCell("Throttle_limit", 4, 20.5);
    p.setLimits(ParamIndex("Min_value_TPS1"), 300, 4800, "300...4800");
    p.unsubscribe(id);
    p.set("P_neg", 2);
    const std::vector<std::pair<int, int>> want = {{ParamIndex("P_neg"), -1},
                                                   {ParamIndex("Throttle_limit"), 4},
                                                   {ParamIndex("Min_value_TPS1"), -1}};
    EXPECT_EQ(seen, want);
    // New limits apply to later assignments.
    EXPECT_DOUBLE_EQ(p.set("Min_value_TPS1", 100), 300);
}

}  // namespace
}  // namespace qor
