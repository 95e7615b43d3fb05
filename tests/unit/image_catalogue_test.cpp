#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
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
        {"throttle_response_curve_1_acc_limiter", K::Spin, F::HalfPercent, 22, 1, 1, 0, 125, 0.5, 1,
         "", 0, 0},
        {"Throttle_limit", K::Grid, F::HalfPercent, 24, 0, 1, 0, 100, 0.5, 1, "", 0, 0},
        {"PErrorOffSet", K::Spin, F::HalfPercent, 37, 0, 2, 0, 12.5, 0.5, 1, "0...12,5", 0, 0},
        {"ImaxTijd", K::Spin, F::Plain, 43, 0, 2, 0, 1000, 1, 0, "0...1000", 0, 0},
        {"ResetDiff", K::Spin, F::HalfPercent, 45, 0, 2, 0, 100, 0.5, 1, "0...100", 0, 0},
        {"SingleSpring", K::Spin, F::Plain, 60, 0, 2, 0, 2, 1, 0, "0...1", 0, 0},
        {"AutoCalTPS", K::Spin, F::Plain, 63, 0, 2, 0, 50, 1, 0, "0...50", 0, 0},
        {"Min_Value_Ped2", K::Spin, F::Plain, 66, 0, 2, 0, 5000, 1, 0, "0...5000", 0, 0},
        {"PositieveSollwert", K::Grid, F::SignedWord, 74, 0, 2, -2048, 2048, 1, 0, "", 0, 0},
        {"RPM_Range_Row1", K::Spin, F::Tens, 332, 0, 2, 500, 20000, 50, 0, "500 .. 20000 RPM", 500,
         0},
        {"ALS_max", K::Spin, F::HalfPercent, 354, 1, 1, 0, 100, 0.5, 1, "0...100", 0, 0},
        {"Startup_opening", K::Spin, F::HalfPercent, 358, 0, 1, 0, 20, 0.5, 1, "0...20%", 0, 0},
        {"startup_warmup_5", K::Spin, F::HalfPercent, 365, 1, 1, 0, 20, 0.5, 1, "0..20%", 0, 0},
        {"startup_Airco", K::Spin, F::HalfPercent, 371, 0, 1, 0, 10, 0.5, 1, "0...10", 0, 0},
        {"startup_blib_max_opening", K::Spin, F::HalfPercent, 372, 0, 1, 0, 50, 0.5, 1, "0...50", 0,
         0},
        {"startup_blib_max_opening_time", K::Spin, F::Tens, 372, 1, 1, 0, 2000, 10, 0, "0...2000",
         0, 0},
        {"startup_Throttle_limit", K::Spin, F::HalfPercent, 373, 0, 1, 0, 100, 0.5, 1, "0...100%",
         0, 0},
        {"Anti_stall_RPM_trigger", K::Spin, F::Tens, 373, 1, 1, 0, 2500, 10, 0, "0...2500RPM", 0,
         0},
        {"Anti_stall_point", K::Spin, F::HalfPercent, 374, 0, 1, 0, 10, 0.5, 1, "0...10%", 0, 0},
        {"Rx_1", K::Box, F::Complement, 379, 0, 0, 0, 1, 1, 0, "", 1, 0},
        {"ID_11Bit_1", K::Box, F::Complement, 379, 0, 0, 0, 1, 1, 0, "", 0, 0},
        {"openloop_idle", K::Grid, F::HalfPercent, 567, 0, 1, 0, 10, 0.5, 1, "", 0, 0},
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

// Every field in the byte order the module expects, region by region: a swapped pair or a
// field in the wrong half of its word moves another parameter on the module. A null name
// stands for bytes that hold no field of their own (flags and unread bytes).
TEST(ImageCatalogue, FieldsFollowTheImageByteOrder) {
    struct Field {
        const char* name;
        int width;
    };
    struct Run {
        int word;  // first word of the run; it starts in the high byte
        std::vector<Field> fields;
    };
    const Run runs[] = {
        {22,
         {{"throttle_response_type_1", 1},
          {"throttle_response_curve_1_acc_limiter", 1},
          {"throttle_response_type_2", 1},
          {"throttle_response_curve_2_acc_limiter", 1}}},
        {35,
         {{"P_versterking", 2},
          {"P_neg", 2},
          {"PErrorOffSet", 2},
          {"Iversterking", 2},
          {"Ineg", 2},
          {"IErrorOffSetNeg", 2},
          {"ImaxPos", 2},
          {"ImaxNeg", 2},
          {"ImaxTijd", 2},
          {"ResetAcct", 2},
          {"ResetDiff", 2},
          {"PulsSampleTime", 2},
          {"PulslengteOpen", 2},
          {"PulslengteDicht", 2},
          {"Dversterking", 2},
          {"Dtime", 2},
          {"Dv_neg", 2},
          {"Dvtime_neg", 2},
          {"Min_value_TPS1", 2},
          {"Max_value_TPS1", 2},
          {"Min_value_TPS2", 2},
          {"Max_value_TPS2", 2},
          {"MinTPS_standDp", 2},
          {"MaxTPS_standDp", 2},
          {"MaxDiffTps1Tps2", 2},
          {"SingleSpring", 2},
          {"TPS1_Inverted", 2},
          {"TPS2_Inverted", 2},
          {"AutoCalTPS", 2},
          {"Min_Value_Ped1", 2},
          {"Max_Value_Ped1", 2},
          {"Min_Value_Ped2", 2},
          {"Max_Value_Ped2", 2},
          {"MaxDiffPed1Ped2", 2},
          {"MaxPedPowerUp", 2},
          {"pedal1_Inverted", 2},
          {"pedal2_Inverted", 2},
          {"Error_setup_0", 2},
          {"Error_setup_16", 2}}},
        {329,
         {{"hardware_settings_digital_input_1", 1},
          {"hardware_settings_digital_input_2", 1},
          {"hardware_settings_digital_input_3", 1},
          {"hardware_settings_analoge_input_1", 1},
          {"hardware_settings_analoge_input_2", 1}}},
        {352, {{"RPM_Range_Row21", 2}, {"RPM_pickup_pulses_per_revolution", 1}}},
        {354,
         {{"ALS_min", 1},
          {"ALS_max", 1},
          {"ALS_active", 1},
          {nullptr, 1},
          {"Launch_min", 1},
          {"Launch_max", 1},
          {"Launch_active", 1}}},
        {358,
         {{"Startup_opening", 1},
          {"Startup_watertemp_up_to_1", 1},
          {"Startup_watertemp_up_to_2", 1},
          {"Startup_watertemp_up_to_3", 1},
          {"Startup_watertemp_up_to_4", 1},
          {"Startup_watertemp_up_to_5", 1},
          {"startup_400rpm_1", 1},
          {"startup_400rpm_2", 1},
          {"startup_400rpm_3", 1},
          {"startup_400rpm_4", 1},
          {"startup_400rpm_5", 1},
          {"startup_warmup_1", 1},
          {"startup_warmup_2", 1},
          {"startup_warmup_3", 1},
          {"startup_warmup_4", 1},
          {"startup_warmup_5", 1},
          {"startup_high_idle_procent_1", 1},
          {"startup_high_idle_procent_2", 1},
          {"startup_high_idle_procent_3", 1},
          {"startup_high_idle_procent_4", 1},
          {"startup_high_idle_procent_5", 1},
          {"startup_high_idle_sec_1", 1},
          {"startup_high_idle_sec_2", 1},
          {"startup_high_idle_sec_3", 1},
          {"startup_high_idle_sec_4", 1},
          {"startup_high_idle_sec_5", 1},
          {"startup_Airco", 1},
          {"startup_high_idle", 1},
          {"startup_blib_max_opening", 1},
          {"startup_blib_max_opening_time", 1},
          {"startup_Throttle_limit", 1},
          {"Anti_stall_RPM_trigger", 1},
          {"Anti_stall_point", 1},
          {"Anti_stall_RPM", 1},
          {"Anti_stall_time", 1}}},
        {376,
         {{"CAN_settings_Baudrate", 1},
          {"CAN_settings_Protocol", 1},
          {"CAN_Master_Slave", 1},
          {"CAN_slaves", 1}}},
        // Message slot 7 and receive channel 11: the slot and channel strides are checked too.
        {379 + 5 * 6,
         {{"Tx_7", 1},
          {"DLC_7", 1},
          {"CAN_ID_7", 4},
          {nullptr, 1},
          {"TimeOut_ms_7", 1},
          {"Start_bit_Mode_7", 1}}},
        {439 + 7 * 10,
         {{"msg_nr_11", 1},
          {"data_type_11", 1},
          {"Mode_nr_11", 1},
          {"Start_bit_11", 1},
          {"digits_11", 1},
          {"Factor_11", 3},
          {"offset_11", 3},
          {"Channel_name_11", 1},
          {"Unit_11", 1}}},
        {566, {{"max_PWM", 2}}},
        {578, {{"beginwaarde", 2}}},
    };
    for (const auto& run : runs) {
        int at = run.word * 2;
        for (const auto& f : run.fields) {
            if (f.name) {
                const int i = ParamIndex(f.name);
                ASSERT_GE(i, 0) << f.name;
                const auto& d = Catalogue()[static_cast<std::size_t>(i)];
                EXPECT_EQ(d.word, at / 2) << f.name;
                EXPECT_EQ(d.byteInWord, at % 2) << f.name;
                EXPECT_EQ(d.width, f.width) << f.name;
            }
            at += f.width;
        }
    }
    // The flag bits of a message slot and the two error setup masks.
    for (const auto& [name, bit] :
         std::vector<std::pair<std::string, int>>{{"Tx_7", 0},
                                                  {"ID_29Bit_7", 1},
                                                  {"Mode_On_7", 2},
                                                  {"msg_valid_7", 3},
                                                  {"Error_setup_0", 0},
                                                  {"Error_setup_15", 15},
                                                  {"Error_setup_16", 0},
                                                  {"Error_setup_31", 15}}) {
        const auto& d = Catalogue()[static_cast<std::size_t>(ParamIndex(name))];
        EXPECT_EQ(d.bit, bit) << name;
    }
    EXPECT_EQ(Catalogue()[static_cast<std::size_t>(ParamIndex("Error_setup_15"))].word, 72);
    EXPECT_EQ(Catalogue()[static_cast<std::size_t>(ParamIndex("Error_setup_31"))].word, 73);
}

// List texts are shown and compared as they stand, blanks and spellings included.
TEST(ImageCatalogue, ListsCarryTheirItemTextsExactly) {
    using Items = std::vector<std::string>;
    const Items digital = {"None",
                           "ALS activation",
                           "Launch control activation",
                           "Airco correction",
                           "High idle",
                           "Throttle Blip",
                           "Throttle limit",
                           "Throttle response curve 2"};
    Items digital3 = digital;
    digital3.push_back("RPM input");
    const Items analog = {"None", "Variable ALS", "Variable launch control", "Water temperature",
                          "Engine load"};
    const Items channelNames = {"Noname",           "Engine speed",       "ALS TPS",
                                "Launch TPS",       "Watertemp",          "ALSActivation",
                                "LaunchActivation", "AircoActivation",    "HighIdleActivation",
                                "BlipActivation",   "TpsLimitActivation", "Curve2Activation"};
    const Items dataTypes = {"1 bit",
                             "8 bit",
                             "8 bit signed",
                             "16 bit intel",
                             "16 bit motorola",
                             "16 bit signed intel",
                             "16 bit signed mot."};
    const Items units = {"Blanc", "RPM",
                         "\xC2\xB0"
                         "C",
                         "%"};
    const Items dlc = {"1", "2", "3", "4", "5", "6", "7", "8"};
    const Items startBitMode = {"0", "8", "16", "24", "32", "40", "48", "56"};
    const Items msgNr = {"Off", "1", "2", "3", "4", "5", "6", "7", "8"};
    Items startBit;
    for (int i = 0; i <= 63; ++i) startBit.push_back(std::to_string(i));
    Items modeNr = {"Off"};
    modeNr.insert(modeNr.end(), startBit.begin(), startBit.end());
    const std::pair<const char*, Items> cases[] = {
        {"throttle_response_type_1", {"Lineair", "E-log", "User defined"}},
        {"throttle_response_type_2", {"Lineair", "E-log", "User defined"}},
        {"hardware_settings_digital_input_1", digital},
        {"hardware_settings_digital_input_2", digital},
        {"hardware_settings_digital_input_3", digital3},
        {"hardware_settings_analoge_input_1", analog},
        {"hardware_settings_analoge_input_2", analog},
        {"RPM_pickup_pulses_per_revolution", {"0,5", " 1", "1,5", " 2", "2,5", " 3", " 4", " 5"}},
        {"CAN_settings_Baudrate", {"Autodetect", "125 kHz", "250 kHz", "500 kHz", "1 MHz"}},
        {"CAN_settings_Protocol", {"Off", "UserDefined", "QOR VT60", "......"}},
        {"CAN_Master_Slave", {"Off", "Master", "Slave"}},
        {"DLC_1", dlc},
        {"DLC_12", dlc},
        {"Start_bit_Mode_1", startBitMode},
        {"Start_bit_Mode_12", startBitMode},
        {"msg_nr_1", msgNr},
        {"data_type_18", dataTypes},
        {"Mode_nr_1", modeNr},
        {"Start_bit_18", startBit},
        {"digits_1", {"0", "0,0", "0,00", "0,000"}},
        {"Channel_name_1", channelNames},
        {"Channel_name_18", channelNames},
        {"Unit_1", units},
        {"Unit_18", units},
    };
    for (const auto& [name, items] : cases) {
        const int i = ParamIndex(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_EQ(Catalogue()[static_cast<std::size_t>(i)].items, items) << name;
    }
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
