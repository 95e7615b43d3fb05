#pragma once
// Region decoders (words -> parameter set, stores and display effects) and encoders
// (parameter set -> a region's words). Upload, the parameter files and the predefined
// settings all decode through decodeRegion; downloads and files encode through encodeRegion.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/image/ParameterSet.h"
#include "core/platform/Bytes.h"

namespace qor {

using Word = std::uint16_t;

// Values without a control of their own.
struct ImageStores {
    std::array<int, kCurveCells> UserCurve1{};  // half-percent, 0..200
    std::array<int, kCurveCells> UserCurve2{};
    std::array<int, kSystemAreaWords> SystemArea{};
    bool CanSettingsTouched = false;
    bool operator==(const ImageStores&) const = default;
};

// What the decoders change on screen beyond the parameter values; the UI renders it.
struct ImageEffects {
    bool curveNotRising1 = false;  // AdvSmoothPanel_warning_waarde_niet_oplopend1 shown
    bool curveNotRising2 = false;  // AdvSmoothPanel_warning_waarde_niet_oplopend2 shown
    std::array<std::string, 21> throttleLimitHeaders{};  // AdvStringGrid_Throttle_limit
    std::array<std::string, 21> openLoopIdleHeaders{};   // AdvStringGrid_openloop_idle
    // hulp_Max_TPS1 of the calibration dialogue: limits and hint from the system area.
    std::optional<double> hulpMaxTps1Max;
    std::string hulpMaxTps1Hint;
};

// Everything a decoder writes to.
struct ImageContext {
    ParameterSet& params;
    ImageStores& stores;
    ImageEffects& effects;
};

// Decodes region k from its bytes in link order (high byte first), as they follow the
// reply letter. Extra bytes past the region are ignored; returns false (and changes
// nothing) when fewer bytes than the region holds are given or k has no decoder (17).
bool decodeRegion(int k, std::span<const Byte> regionBytes, ImageContext& ctx);
bool decodeRegionWords(int k, std::span<const Word> words, ImageContext& ctx);
// The control-loop group alone: the first 18 words of region 4.
bool decodeEtcPidGroup(std::span<const Byte> regionBytes, ImageContext& ctx);
inline constexpr int kEtcPidWords = 18;

// The words of region k built from the parameter set and stores.
std::vector<Word> encodeRegion(int k, const ParameterSet& p, const ImageStores& s);
// Link-order bytes of the given words.
Bytes wordsToBytes(std::span<const Word> words);

// Response curve grid of curve 1 or 2 for a response type (0 Lineair, 1 E-log, else user).
void FillResponseCurve(int type, int curve, ImageContext& ctx);
// Shows the not-rising warning of curve 1 or 2 exactly when the curve grid falls somewhere.
void CheckCurveRising(int curve, ImageContext& ctx);
// Headers of the throttle limit grid from the RPM range, of the open-loop grid from the
// start value.
void UpdateThrottleLimitHeaders(const ParameterSet& p, ImageEffects& e);
void UpdateOpenLoopIdleHeaders(const ParameterSet& p, ImageEffects& e);

// ---- Upload steps -----------------------------------------------------------------------

struct UploadStepRow {
    int step;
    int region;               // decoded at this step
    int next;                 // next step
    int nextWithoutOpenLoop;  // next step when the module has no open-loop idle table
};
// Steps 3..19 and 60, in order; step 70 (upload complete) and 100 decode nothing here.
std::span<const UploadStepRow> UploadStepTable();
const UploadStepRow* UploadStepRowFor(int step);
// Decodes the region of an upload step from the receive buffer (reply letter first).
// Returns the row used, or nullptr when the step decodes nothing or the buffer is short.
const UploadStepRow* decodeUploadStep(int step, std::span<const Byte> rxBuffer, ImageContext& ctx);

// ---- Page encoders: frame plans and frame contents ----------------------------------------

enum class PageEncoder {
    ByteTableCurve1,
    ByteTableCurve2,
    ResponseTypes,
    ByteTableThrottleLimit,
    Etc,
    EtcPid,
    PedalCorrection,
    Hardware,
    Rpm,
    Als,
    Launch,
    Throttle,
    CanSettings,
    CanMessages,
    CanChannels,
    MaxPwm,
    ByteTableOpenLoopIdle,
    StartValue,
    SkipUnused,
    SystemArea,
};

// A: next step, hide progress at 200. B: stop Timer2, SendRow := 1, hide edit menu.
// C: as B without the edit menu. CNoRow: C without the SendRow reset. D: skip region 17.
enum class Completion { A, B, C, CNoRow, D };

struct FrameSpec {
    int startWord;
    int byteCount;
    int progress;
};

struct PagePlan {
    PageEncoder encoder;
    const char* name;
    int region;
    std::vector<FrameSpec> frames;
    Completion completion;
    int completionProgress;  // D only: the progress added at once (317)
};

std::span<const PagePlan> PagePlans();
const PagePlan& PagePlanFor(PageEncoder e);

// Payload of frame p (from 1) of an encoder: byte count (2), start word (2), data.
Bytes buildFramePayload(PageEncoder e, int p, const ParameterSet& params,
                        const ImageStores& stores);

}  // namespace qor
