#pragma once
// The five predefined control-loop settings shipped with the tool, gentle (1) to
// aggressive (5). They are starting points for a first setup, not values tuned for any
// particular throttle body: check and tune them on the engine.
#include <array>

namespace qor::predefined {

inline constexpr const char* kNames[18] = {
    "P_versterking",   "P_neg",          "PErrorOffSet",   "Iversterking",    "Ineg",
    "IErrorOffSetNeg", "ImaxPos",        "ImaxNeg",        "ImaxTijd",        "ResetAcct",
    "ResetDiff",       "PulsSampleTime", "PulslengteOpen", "PulslengteDicht", "Dversterking",
    "Dtime",           "Dv_neg",         "Dvtime_neg"};

// One row per parameter above; columns are settings 1..5.
inline constexpr std::array<std::array<double, 5>, 18> kValues = {{
    {1.00, 1.50, 2.00, 2.75, 3.50},  // P gain pos.
    {0.80, 1.20, 1.60, 2.20, 2.80},  // P gain neg.
    {1.0, 1.0, 1.5, 2.0, 2.5},       // P offset
    {0.10, 0.15, 0.20, 0.30, 0.40},  // I gain pos.
    {0.08, 0.12, 0.16, 0.24, 0.32},  // I gain neg.
    {0.5, 0.5, 1.0, 1.0, 1.5},       // I offset
    {400, 600, 800, 1100, 1400},     // maximum I pos.
    {300, 450, 600, 850, 1100},      // maximum I neg.
    {200, 150, 120, 100, 80},        // maximum I time (ms)
    {20, 16, 12, 10, 8},             // reset acceleration (ms)
    {10, 12.5, 15, 20, 25},          // reset differential
    {10, 10, 8, 6, 5},               // pulse sample time (ms)
    {20, 30, 40, 55, 70},            // pulse length open
    {15, 25, 35, 45, 60},            // pulse length close
    {0.20, 0.35, 0.50, 0.70, 0.90},  // D gain pos.
    {10, 12, 15, 18, 20},            // D time pos. (ms)
    {0.15, 0.25, 0.40, 0.55, 0.70},  // D gain neg.
    {8, 10, 12, 15, 18},             // D time neg. (ms)
}};

}  // namespace qor::predefined
