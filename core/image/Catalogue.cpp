#include "core/image/Catalogue.h"

#include <string_view>
#include <unordered_map>

namespace qor {

const char* FamilyName(Family f) {
    switch (f) {
        case Family::HalfPercent:
            return "half-percent";
        case Family::Hundredths:
            return "hundredths";
        case Family::Plain:
            return "plain";
        case Family::Tens:
            return "tens";
        case Family::TwentyFives:
            return "twenty-fives";
        case Family::Fives:
            return "fives";
        case Family::Temperature:
            return "temperature";
        case Family::Pwm:
            return "pwm";
        case Family::StartRpm:
            return "start-rpm";
        case Family::ItemIndex:
            return "item-index";
        case Family::Switch:
            return "switch";
        case Family::CanFlag:
            return "can-flag";
        case Family::ErrorMaskBit:
            return "error-mask-bit";
        case Family::CanId:
            return "can-id";
        case Family::Fixed24:
            return "fixed24";
        case Family::ModeValue:
            return "mode-value";
        case Family::ChannelCode:
            return "channel-code";
        case Family::SignedWord:
            return "signed-word";
        case Family::CurveDisplay:
            return "curve-display";
        case Family::Complement:
            return "complement";
    }
    return "?";
}

const char* ControlKindName(ControlKind k) {
    switch (k) {
        case ControlKind::Spin:
            return "spin";
        case ControlKind::List:
            return "list";
        case ControlKind::Box:
            return "box";
        case ControlKind::Grid:
            return "grid";
    }
    return "?";
}

int RegionStart(int k) {
    return kRegionStart[static_cast<std::size_t>(k)];
}
int RegionWords(int k) {
    return RegionStart(k + 1) - RegionStart(k);
}

namespace {

using Items = std::vector<std::string>;

Items numberedItems(int from, int to, int stride = 1) {
    Items v;
    for (int i = from; i <= to; i += stride) v.push_back(std::to_string(i));
    return v;
}

const Items kResponseTypes = {"Lineair", "E-log", "User defined"};
const Items kDigitalInputs = {
    "None",          "ALS activation", "Launch control activation", "Airco correction", "High idle",
    "Throttle Blip", "Throttle limit", "Throttle response curve 2"};
const Items kAnalogInputs = {"None", "Variable ALS", "Variable launch control", "Water temperature",
                             "Engine load"};
const Items kPulses = {"0,5", " 1", "1,5", " 2", "2,5", " 3", " 4", " 5"};
const Items kBaudrates = {"Autodetect", "125 kHz", "250 kHz", "500 kHz", "1 MHz"};
const Items kProtocols = {"Off", "UserDefined", "QOR VT60", "......"};
const Items kMasterSlave = {"Off", "Master", "Slave"};
const Items kUnits = {"Blanc", "RPM",
                      "\xC2\xB0"
                      "C",
                      "%"};
const Items kDataTypes = {"1 bit",
                          "8 bit",
                          "8 bit signed",
                          "16 bit intel",
                          "16 bit motorola",
                          "16 bit signed intel",
                          "16 bit signed mot."};
const Items kDigits = {"0", "0,0", "0,00", "0,000"};
const Items kChannelNames = {"Noname",           "Engine speed",       "ALS TPS",
                             "Launch TPS",       "Watertemp",          "ALSActivation",
                             "LaunchActivation", "AircoActivation",    "HighIdleActivation",
                             "BlipActivation",   "TpsLimitActivation", "Curve2Activation"};

Items modeItems() {
    Items v{"Off"};
    for (auto& s : numberedItems(0, 63)) v.push_back(s);
    return v;
}
Items msgNrItems() {
    Items v{"Off"};
    for (auto& s : numberedItems(1, 8)) v.push_back(s);
    return v;
}

// Builds the catalogue region by region; a cursor walks the bytes of each region so that
// a run of byte fields is written in the order the image holds them.
class Builder {
  public:
    std::vector<ParamDef> rows;

    void at(int region, int word, int byteInWord) {
        region_ = region;
        pos_ = word * 2 + byteInWord;
    }
    void skip(int bytes) { pos_ += bytes; }

    ParamDef& add(std::string name, ControlKind kind, Family family, int width) {
        ParamDef d;
        d.name = std::move(name);
        d.kind = kind;
        d.family = family;
        d.region = region_;
        d.word = pos_ / 2;
        d.byteInWord = pos_ % 2;
        d.width = width;
        pos_ += width;
        rows.push_back(std::move(d));
        return rows.back();
    }
    ParamDef& spin(std::string name, Family f, int width, double lo, double hi, double step,
                   int decimals, std::string hint, double start = 0) {
        auto& d = add(std::move(name), ControlKind::Spin, f, width);
        d.min = lo;
        d.max = hi;
        d.step = step;
        d.decimals = decimals;
        d.hint = std::move(hint);
        d.start = start;
        return d;
    }
    ParamDef& list(std::string name, const Items& items, int start = 0,
                   Family f = Family::ItemIndex) {
        auto& d = add(std::move(name), ControlKind::List, f, 1);
        d.items = items;
        d.min = 0;
        d.max = static_cast<double>(items.size()) - 1;
        d.start = start;
        return d;
    }
    ParamDef& box(std::string name, Family f, int width, int bit, bool start = false) {
        auto& d = add(std::move(name), ControlKind::Box, f, width);
        d.bit = bit;
        d.min = 0;
        d.max = 1;
        d.start = start ? 1 : 0;
        pos_ -= width;  // boxes sharing bits of one field do not advance the cursor
        return d;
    }
    ParamDef& grid(std::string name, Family f, int width, int cells, int firstColumn, double lo,
                   double hi, double step, int decimals) {
        auto& d = add(std::move(name), ControlKind::Grid, f, width);
        d.cells = cells;
        d.firstColumn = firstColumn;
        d.min = lo;
        d.max = hi;
        d.step = step;
        d.decimals = decimals;
        d.bounded = false;  // grids hold what they are given; edit rules limit typed values
        pos_ += width * (cells - 1);
        return d;
    }

  private:
    int region_ = 0;
    int pos_ = 0;
};

std::vector<ParamDef> build() {
    Builder b;
    using F = Family;
    const auto S = std::string();

    // Regions 0 and 1: the stored curves are UserCurve1/2; the grids show the selected type.
    b.at(0, 0, 0);
    b.grid("Throttle_response_curve_1", F::CurveDisplay, 1, 21, 0, 0, 100, 0.5, 1);
    b.at(1, 11, 0);
    b.grid("Throttle_response_curve_2", F::CurveDisplay, 1, 21, 0, 0, 100, 0.5, 1);

    // Region 2.
    b.at(2, 22, 0);
    b.list("throttle_response_type_1", kResponseTypes);
    b.spin("throttle_response_curve_1_acc_limiter", F::HalfPercent, 1, 0, 125, 0.5, 1, S);
    b.list("throttle_response_type_2", kResponseTypes);
    b.spin("throttle_response_curve_2_acc_limiter", F::HalfPercent, 1, 0, 125, 0.5, 1, S);

    // Region 3.
    b.at(3, 24, 0);
    b.grid("Throttle_limit", F::HalfPercent, 1, 21, 0, 0, 100, 0.5, 1);

    // Region 4: one word per parameter, then the two error setup masks.
    b.at(4, 35, 0);
    struct EtcRow {
        const char* name;
        Family f;
        double max;
        double step;
        int decimals;
        const char* hint;
    };
    const EtcRow etc[] = {
        {"P_versterking", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"P_neg", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"PErrorOffSet", F::HalfPercent, 12.5, 0.5, 1, "0...12,5"},
        {"Iversterking", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"Ineg", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"IErrorOffSetNeg", F::HalfPercent, 12.5, 0.5, 1, "0...12,5"},
        {"ImaxPos", F::Plain, 3000, 1, 0, "0...3000"},
        {"ImaxNeg", F::Plain, 3000, 1, 0, "0...3000"},
        {"ImaxTijd", F::Plain, 1000, 1, 0, "0...1000"},
        {"ResetAcct", F::Plain, 63, 1, 0, "0...63"},
        {"ResetDiff", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"PulsSampleTime", F::Plain, 100, 1, 0, "0...100"},
        {"PulslengteOpen", F::Plain, 200, 1, 0, "0...200"},
        {"PulslengteDicht", F::Plain, 200, 1, 0, "0...200"},
        {"Dversterking", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"Dtime", F::Plain, 63, 1, 0, "0...63"},
        {"Dv_neg", F::Hundredths, 10, 0.01, 2, "0...10"},
        {"Dvtime_neg", F::Plain, 63, 1, 0, "0...63"},
        {"Min_value_TPS1", F::Plain, 5000, 1, 0, "0...5000"},
        {"Max_value_TPS1", F::Plain, 5000, 1, 0, "0...5000"},
        {"Min_value_TPS2", F::Plain, 5000, 1, 0, "0...5000"},
        {"Max_value_TPS2", F::Plain, 5000, 1, 0, "0...5000"},
        {"MinTPS_standDp", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"MaxTPS_standDp", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"MaxDiffTps1Tps2", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"SingleSpring", F::Plain, 2, 1, 0, "0...1"},
        {"TPS1_Inverted", F::Plain, 1, 1, 0, "0...1"},
        {"TPS2_Inverted", F::Plain, 1, 1, 0, "0...1"},
        {"AutoCalTPS", F::Plain, 50, 1, 0, "0...50"},
        {"Min_Value_Ped1", F::Plain, 5000, 1, 0, "0...5000"},
        {"Max_Value_Ped1", F::Plain, 5000, 1, 0, "0...5000"},
        {"Min_Value_Ped2", F::Plain, 5000, 1, 0, "0...5000"},
        {"Max_Value_Ped2", F::Plain, 5000, 1, 0, "0...5000"},
        {"MaxDiffPed1Ped2", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"MaxPedPowerUp", F::HalfPercent, 100, 0.5, 1, "0...100"},
        {"pedal1_Inverted", F::Plain, 1, 1, 0, "0...1"},
        {"pedal2_Inverted", F::Plain, 1, 1, 0, "0...1"},
    };
    for (const auto& r : etc) b.spin(r.name, r.f, 2, 0, r.max, r.step, r.decimals, r.hint);
    for (int k = 0; k < 32; ++k) {
        if (k == 16) b.skip(2);
        b.box("Error_setup_" + std::to_string(k), F::ErrorMaskBit, 2, k % 16);
    }
    b.skip(2);

    // Region 5.
    b.at(5, 74, 0);
    b.grid("PositieveSollwert", F::SignedWord, 2, 255, 1, -2048, 2048, 1, 0);

    // Region 6.
    b.at(6, 329, 0);
    Items digital3 = kDigitalInputs;
    digital3.push_back("RPM input");
    b.list("hardware_settings_digital_input_1", kDigitalInputs);
    b.list("hardware_settings_digital_input_2", kDigitalInputs);
    b.list("hardware_settings_digital_input_3", digital3);
    b.list("hardware_settings_analoge_input_1", kAnalogInputs);
    b.list("hardware_settings_analoge_input_2", kAnalogInputs);

    // Region 7.
    b.at(7, 332, 0);
    for (int i = 1; i <= 21; ++i)
        b.spin("RPM_Range_Row" + std::to_string(i), F::Tens, 2, 500, 20000, 50, 0,
               "500 .. 20000 RPM", 500.0 * i);
    b.list("RPM_pickup_pulses_per_revolution", kPulses);

    // Regions 8 and 9.
    b.at(8, 354, 0);
    b.spin("ALS_min", F::HalfPercent, 1, 0, 100, 0.5, 1, "0...100");
    b.spin("ALS_max", F::HalfPercent, 1, 0, 100, 0.5, 1, "0...100");
    b.box("ALS_active", F::Switch, 1, -1);
    b.at(9, 356, 0);
    auto& launchMin = b.spin("Launch_min", F::HalfPercent, 1, 0, 100, 0.5, 1, "0...100");
    launchMin.bounded = false;  // the field itself has no range
    b.spin("Launch_max", F::HalfPercent, 1, 0, 100, 0.5, 1, "0...100");
    b.box("Launch_active", F::Switch, 1, -1);

    // Region 10: a run of 35 bytes from the high byte of word 358.
    b.at(10, 358, 0);
    b.spin("Startup_opening", F::HalfPercent, 1, 0, 20, 0.5, 1, "0...20%");
    for (int c = 1; c <= 5; ++c)
        b.spin("Startup_watertemp_up_to_" + std::to_string(c), F::Temperature, 1, -20, 135, 1, 0,
               "-20...135 \xC2\xB0"
               "C");
    for (int c = 1; c <= 5; ++c)
        b.spin("startup_400rpm_" + std::to_string(c), F::HalfPercent, 1, 0, 20, 0.5, 1, "0...20%");
    for (int c = 1; c <= 5; ++c)
        b.spin("startup_warmup_" + std::to_string(c), F::HalfPercent, 1, 0, 20, 0.5, 1, "0..20%");
    for (int c = 1; c <= 5; ++c)
        b.spin("startup_high_idle_procent_" + std::to_string(c), F::HalfPercent, 1, 0, 20, 0.5, 1,
               "0..20%");
    for (int c = 1; c <= 5; ++c)
        b.spin("startup_high_idle_sec_" + std::to_string(c), F::Plain, 1, 0, 255, 1, 0,
               "0..255 sec.");
    b.spin("startup_Airco", F::HalfPercent, 1, 0, 10, 0.5, 1, "0...10");
    b.spin("startup_high_idle", F::HalfPercent, 1, 0, 10, 0.5, 1, "0...10");
    b.spin("startup_blib_max_opening", F::HalfPercent, 1, 0, 50, 0.5, 1, "0...50");
    b.spin("startup_blib_max_opening_time", F::Tens, 1, 0, 2000, 10, 0, "0...2000");
    b.spin("startup_Throttle_limit", F::HalfPercent, 1, 0, 100, 0.5, 1, "0...100%");
    b.spin("Anti_stall_RPM_trigger", F::Tens, 1, 0, 2500, 10, 0, "0...2500RPM");
    b.spin("Anti_stall_point", F::HalfPercent, 1, 0, 10, 0.5, 1, "0...10%");
    b.spin("Anti_stall_RPM", F::Tens, 1, 0, 2500, 10, 0, "0...2500RPM");
    b.spin("Anti_stall_time", F::TwentyFives, 1, 0, 5000, 25, 0, "0...5000ms");

    // Region 11 (word 378 is reserved and always 0).
    b.at(11, 376, 0);
    b.list("CAN_settings_Baudrate", kBaudrates);
    b.list("CAN_settings_Protocol", kProtocols);
    b.list("CAN_Master_Slave", kMasterSlave);
    b.spin("CAN_slaves", F::Plain, 1, 0, 12, 1, 0, "0...12", 1);

    // Region 12: twelve message slots of five words, one row each.
    for (int m = 1; m <= kCanMessages; ++m) {
        const std::string n = std::to_string(m);
        b.at(12, 379 + 5 * (m - 1), 0);
        b.box("Tx_" + n, F::CanFlag, 1, 0, m >= 9);
        b.box("Rx_" + n, F::Complement, 0, -1, m < 9);
        b.box("ID_29Bit_" + n, F::CanFlag, 1, 1);
        b.box("ID_11Bit_" + n, F::Complement, 0, -1);
        b.box("Mode_On_" + n, F::CanFlag, 1, 2);
        b.box("msg_valid_" + n, F::CanFlag, 1, 3);
        b.skip(1);
        b.list("DLC_" + n, numberedItems(1, 8), 7);
        b.spin("CAN_ID_" + n, F::CanId, 4, 0, 536870969, 1, 0, "0...100", 536870969);
        b.skip(1);  // the high byte of the time-out word is not read
        b.spin("TimeOut_ms_" + n, F::Fives, 1, 5, 1000, 5, 0, "0...1000", 1000);
        b.list("Start_bit_Mode_" + n, numberedItems(0, 56, 8));
    }

    // Region 13: eighteen receive channels of seven words, one row each; word 565 follows.
    for (int ch = 1; ch <= kCanChannels; ++ch) {
        const std::string n = std::to_string(ch);
        b.at(13, 439 + 7 * (ch - 1), 0);
        b.list("msg_nr_" + n, msgNrItems());
        b.list("data_type_" + n, kDataTypes);
        b.list("Mode_nr_" + n, modeItems(), 0, F::ModeValue);
        b.list("Start_bit_" + n, numberedItems(0, 63));
        b.list("digits_" + n, kDigits);
        b.spin("Factor_" + n, F::Fixed24, 3, -999.999, 999.999, 0.001, 3, "-999,999...999,999",
               -999.999);
        b.spin("offset_" + n, F::Fixed24, 3, -999.999, 1000, 0.001, 3, "-999,999...999,999",
               -999.999);
        b.list("Channel_name_" + n, kChannelNames, 0, F::ChannelCode);
        b.list("Unit_" + n, kUnits);
    }

    // Regions 14 and 16 (15 is the open-loop idle table).
    b.at(14, 566, 0);
    b.spin("max_PWM", F::Pwm, 2, 0, 100, 0.1, 1, "0...100");
    b.at(15, 567, 0);
    b.grid("openloop_idle", F::HalfPercent, 1, 21, 0, 0, 10, 0.5, 1);
    b.at(16, 578, 0);
    b.spin("beginwaarde", F::StartRpm, 2, 400, 980, 20, 0, "400...980 RPM", 400);
    return b.rows;
}

struct Index {
    std::vector<ParamDef> rows = build();
    std::unordered_map<std::string_view, int> byName;
    std::array<std::vector<int>, kRegionCount> byRegion;
    Index() {
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const auto& d = rows[static_cast<std::size_t>(i)];
            byName.emplace(d.name, i);
            byRegion[static_cast<std::size_t>(d.region)].push_back(i);
        }
        // Pairs of boxes: each takes the opposite of the other when assigned.
        for (int m = 1; m <= kCanMessages; ++m) {
            const std::string n = std::to_string(m);
            for (auto [a, b] : {std::pair{"Tx_", "Rx_"}, std::pair{"ID_29Bit_", "ID_11Bit_"}}) {
                const int ia = byName.at(a + n);
                const int ib = byName.at(b + n);
                rows[static_cast<std::size_t>(ia)].partner = ib;
                rows[static_cast<std::size_t>(ib)].partner = ia;
            }
        }
    }
};

const Index& index() {
    static const Index idx;
    return idx;
}

}  // namespace

const std::vector<ParamDef>& Catalogue() {
    return index().rows;
}

int ParamIndex(std::string_view name) {
    const auto& m = index().byName;
    auto it = m.find(name);
    return it == m.end() ? -1 : it->second;
}

std::span<const int> RegionParams(int k) {
    return index().byRegion[static_cast<std::size_t>(k)];
}

}  // namespace qor
