#include "core/image/RegionCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/image/Encodings.h"

namespace qor {

namespace {

constexpr std::array<double, 21> kELogCurve = {0,  2,    4,  6,    8.5,  11,   14.5,
                                               17, 20.5, 24, 28.5, 33.5, 38.5, 43.5,
                                               50, 56.5, 64, 72,   80.5, 90.5, 100};

std::string numberText(double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool isScale(Family f, Scale& s) {
    switch (f) {
        case Family::HalfPercent:
            s = Scale::HalfPercent;
            return true;
        case Family::Hundredths:
            s = Scale::Hundredths;
            return true;
        case Family::Plain:
            s = Scale::Plain;
            return true;
        case Family::Tens:
            s = Scale::Tens;
            return true;
        case Family::TwentyFives:
            s = Scale::TwentyFives;
            return true;
        case Family::Fives:
            s = Scale::Fives;
            return true;
        case Family::Temperature:
            s = Scale::Temperature;
            return true;
        case Family::Pwm:
            s = Scale::Pwm;
            return true;
        case Family::StartRpm:
            s = Scale::StartRpm;
            return true;
        default:
            return false;
    }
}

long long readRun(std::span<const Byte> bytes, int offset, int width) {
    long long n = 0;
    for (int i = 0; i < width; ++i) n = n * 256 + bytes[static_cast<std::size_t>(offset + i)];
    return n;
}

void writeRun(std::vector<Byte>& bytes, int offset, int width, long long n) {
    for (int i = width - 1; i >= 0; --i) {
        bytes[static_cast<std::size_t>(offset + i)] = static_cast<Byte>(n & 0xFF);
        n >>= 8;
    }
}

double decodeValue(const ParamDef& d, long long raw) {
    Scale s{};
    if (isScale(d.family, s)) return DecodeScaled(s, raw);
    const int count = static_cast<int>(d.items.size());
    switch (d.family) {
        case Family::ItemIndex:
            return ItemIndexFromValue(static_cast<int>(raw), count);
        case Family::Switch:
            return SwitchFromHighByte(static_cast<int>(raw)) ? 1 : 0;
        case Family::CanFlag: {
            const CanFlags f = UnpackCanFlags(static_cast<int>(raw));
            const bool bits[] = {f.tx, f.id29, f.modeOn, f.valid};
            return bits[d.bit] ? 1 : 0;
        }
        case Family::ErrorMaskBit:
            return SwitchesFromErrorMask(static_cast<int>(raw))[static_cast<std::size_t>(d.bit)]
                       ? 1
                       : 0;
        case Family::CanId:
            return static_cast<double>(raw);
        case Family::Fixed24:
            return Fixed24ToFloat(static_cast<int>((raw >> 16) & 0xFF),
                                  static_cast<int>((raw >> 8) & 0xFF),
                                  static_cast<int>(raw & 0xFF));
        case Family::ModeValue:
            return std::min(ModeIndexFromValue(static_cast<int>(raw), count), count - 1);
        case Family::ChannelCode:
            return ItemIndexFromValue(ChannelIndexFromCode(static_cast<int>(raw)), count);
        case Family::SignedWord:
            return WordToSmallInt(static_cast<int>(raw));
        default:
            return 0;
    }
}

// The integer stored for value v; bit families give the bit's value within their field.
long long encodeValue(const ParamDef& d, double v) {
    Scale s{};
    if (isScale(d.family, s)) return EncodeScaled(s, v);
    switch (d.family) {
        case Family::ItemIndex:
            return Round(v);
        case Family::Switch:
            return v != 0 ? 1 : 0;
        case Family::CanFlag:
        case Family::ErrorMaskBit:
            return v != 0 ? (1LL << d.bit) : 0;
        case Family::CanId: {
            const long long id = Round(v);
            return CanIdWord(id, 1) * 65536 + CanIdWord(id, 2);
        }
        case Family::Fixed24:
            return static_cast<long long>(Fixed24Byte(v, 1)) * 65536 + Fixed24Byte(v, 2) * 256 +
                   Fixed24Byte(v, 3);
        case Family::ModeValue:
            return ModeValueFromIndex(static_cast<int>(Round(v)));
        case Family::ChannelCode:
            return ChannelCodeFromIndex(static_cast<int>(Round(v)));
        case Family::SignedWord:
            return SmallIntToWord(static_cast<int>(std::clamp<long long>(Round(v), -32768, 32767)));
        default:
            return 0;
    }
}

// A stored value never spills into a neighbouring field: it is brought into the range its
// bytes can hold (this is what keeps an out-of-range Launch_min off Launch_max).
long long fitWidth(long long n, int width) {
    const long long top = (1LL << (8 * width)) - 1;
    return std::clamp<long long>(n, 0, top);
}

bool isBitFamily(Family f) {
    return f == Family::CanFlag || f == Family::ErrorMaskBit;
}

void decodeFields(int k, std::span<const Byte> bytes, ImageContext& ctx, int wordLimit) {
    const int base = RegionStart(k) * 2;
    const auto& cat = Catalogue();
    for (int idx : RegionParams(k)) {
        const auto& d = cat[static_cast<std::size_t>(idx)];
        if (!d.stored()) continue;
        if (d.word >= wordLimit) continue;
        const int off = d.firstImageByte() - base;
        if (d.isGrid()) {
            for (int c = 0; c < d.cells; ++c)
                ctx.params.setCell(idx, d.firstColumn + c,
                                   decodeValue(d, readRun(bytes, off + c * d.width, d.width)));
        } else {
            ctx.params.set(idx, decodeValue(d, readRun(bytes, off, d.width)));
        }
    }
}

void decodeCurve(int curve, std::span<const Byte> bytes, ImageContext& ctx) {
    auto& store = curve == 1 ? ctx.stores.UserCurve1 : ctx.stores.UserCurve2;
    const int grid =
        ParamIndex(curve == 1 ? "Throttle_response_curve_1" : "Throttle_response_curve_2");
    for (int c = 0; c < kCurveCells; ++c) {
        const int b = bytes[static_cast<std::size_t>(c)];
        ctx.params.setCell(grid, c, b / 2.0);
        store[static_cast<std::size_t>(c)] = b;
    }
    CheckCurveRising(curve, ctx);
}

void decodeSystemArea(std::span<const Byte> bytes, ImageContext& ctx) {
    auto& sa = ctx.stores.SystemArea;
    for (int i = 0; i < kSystemAreaWords; ++i)
        sa[static_cast<std::size_t>(i)] = WordFromRegionBytes(bytes, 2 * i + 1);
    const int lo = sa[30];
    const int hi = sa[31];
    const std::string hint = std::to_string(lo) + "..." + std::to_string(hi);
    static const int minTps1 = ParamIndex("Min_value_TPS1");
    static const int maxTps1 = ParamIndex("Max_value_TPS1");
    ctx.params.setLimits(minTps1, lo, hi, hint);
    ctx.params.setLimits(maxTps1, lo, hi, hint);
    ctx.effects.hulpMaxTps1Max = hi;
    ctx.effects.hulpMaxTps1Hint =
        std::to_string(lo + 1000) + "..." + numberText(ctx.params.limits(maxTps1).max);
}

}  // namespace

bool decodeRegion(int k, std::span<const Byte> bytes, ImageContext& ctx) {
    if (k < 0 || k >= kRegionCount || k == 17) return false;
    if (static_cast<int>(bytes.size()) < RegionWords(k) * 2) return false;
    switch (k) {
        case 0:
            decodeCurve(1, bytes, ctx);
            return true;
        case 1:
            decodeCurve(2, bytes, ctx);
            return true;
        case 18:
            decodeSystemArea(bytes, ctx);
            return true;
        default:
            break;
    }
    decodeFields(k, bytes, ctx, kImageWords);
    if (k == 2) {
        FillResponseCurve(static_cast<int>(ctx.params.get("throttle_response_type_1")), 1, ctx);
        FillResponseCurve(static_cast<int>(ctx.params.get("throttle_response_type_2")), 2, ctx);
    } else if (k == 7) {
        UpdateThrottleLimitHeaders(ctx.params, ctx.effects);
    } else if (k == 16) {
        UpdateOpenLoopIdleHeaders(ctx.params, ctx.effects);
    }
    return true;
}

bool decodeRegionWords(int k, std::span<const Word> words, ImageContext& ctx) {
    return decodeRegion(k, wordsToBytes(words), ctx);
}

bool decodeEtcPidGroup(std::span<const Byte> bytes, ImageContext& ctx) {
    if (static_cast<int>(bytes.size()) < kEtcPidWords * 2) return false;
    // Only the first 18 words are read; pad the rest so the shared field walk can run.
    std::vector<Byte> padded(bytes.begin(), bytes.begin() + kEtcPidWords * 2);
    padded.resize(static_cast<std::size_t>(RegionWords(4) * 2), 0);
    decodeFields(4, padded, ctx, RegionStart(4) + kEtcPidWords);
    return true;
}

Bytes wordsToBytes(std::span<const Word> words) {
    Bytes b;
    b.reserve(words.size() * 2);
    for (Word w : words) AppendWord(b, w);
    return b;
}

std::vector<Word> encodeRegion(int k, const ParameterSet& p, const ImageStores& s) {
    const int n = RegionWords(k);
    std::vector<Byte> bytes(static_cast<std::size_t>(n * 2), 0);
    const int base = RegionStart(k) * 2;
    if (k == 0 || k == 1) {
        const auto& curve = k == 0 ? s.UserCurve1 : s.UserCurve2;
        for (int c = 0; c < kCurveCells; ++c)
            bytes[static_cast<std::size_t>(c)] =
                static_cast<Byte>(fitWidth(curve[static_cast<std::size_t>(c)], 1));
    } else if (k == 18) {
        for (int i = 0; i < kSystemAreaWords; ++i)
            writeRun(bytes, 2 * i, 2, fitWidth(s.SystemArea[static_cast<std::size_t>(i)], 2));
    } else if (k != 17) {
        const auto& cat = Catalogue();
        for (int idx : RegionParams(k)) {
            const auto& d = cat[static_cast<std::size_t>(idx)];
            if (!d.stored()) continue;
            const int off = d.firstImageByte() - base;
            if (d.isGrid()) {
                for (int c = 0; c < d.cells; ++c)
                    writeRun(bytes, off + c * d.width, d.width,
                             fitWidth(encodeValue(d, p.cell(idx, d.firstColumn + c)), d.width));
            } else if (isBitFamily(d.family)) {
                const long long cur = readRun(bytes, off, d.width);
                writeRun(bytes, off, d.width, cur | encodeValue(d, p.get(idx)));
            } else {
                writeRun(bytes, off, d.width, fitWidth(encodeValue(d, p.get(idx)), d.width));
            }
        }
        if (k == 13) {
            const int off = (kCanSettingsTouchedWord - RegionStart(13)) * 2;
            writeRun(bytes, off, 2, SwitchToWord(s.CanSettingsTouched));
        }
    }
    std::vector<Word> words(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        words[static_cast<std::size_t>(i)] = static_cast<Word>(readRun(bytes, 2 * i, 2));
    return words;
}

void FillResponseCurve(int type, int curve, ImageContext& ctx) {
    const int grid =
        ParamIndex(curve == 1 ? "Throttle_response_curve_1" : "Throttle_response_curve_2");
    const auto& user = curve == 1 ? ctx.stores.UserCurve1 : ctx.stores.UserCurve2;
    for (int c = 0; c < kCurveCells; ++c) {
        double v = 0;
        if (type == 0)
            v = 5.0 * c;
        else if (type == 1)
            v = kELogCurve[static_cast<std::size_t>(c)];
        else
            v = user[static_cast<std::size_t>(c)] / 2.0;
        ctx.params.setCell(grid, c, v);
    }
    CheckCurveRising(curve, ctx);
}

void CheckCurveRising(int curve, ImageContext& ctx) {
    const int grid =
        ParamIndex(curve == 1 ? "Throttle_response_curve_1" : "Throttle_response_curve_2");
    bool falls = false;
    for (int c = 1; c < kCurveCells; ++c)
        if (ctx.params.cell(grid, c) < ctx.params.cell(grid, c - 1)) falls = true;
    (curve == 1 ? ctx.effects.curveNotRising1 : ctx.effects.curveNotRising2) = falls;
}

void UpdateThrottleLimitHeaders(const ParameterSet& p, ImageEffects& e) {
    static const int first = ParamIndex("RPM_Range_Row1");
    for (int c = 0; c < 21; ++c)
        e.throttleLimitHeaders[static_cast<std::size_t>(c)] = numberText(p.get(first + c));
}

void UpdateOpenLoopIdleHeaders(const ParameterSet& p, ImageEffects& e) {
    long long h = Round(p.get("beginwaarde"));
    for (int c = 0; c < 21; ++c, h += 20)
        e.openLoopIdleHeaders[static_cast<std::size_t>(c)] = std::to_string(h);
}

// ---- Upload steps -------------------------------------------------------------------------

namespace {
constexpr UploadStepRow kUploadSteps[] = {
    {3, 0, 4, 4},     {4, 1, 5, 5},     {5, 2, 6, 6},     {6, 3, 7, 7},     {7, 4, 8, 8},
    {8, 5, 9, 9},     {9, 6, 10, 10},   {10, 7, 11, 11},  {11, 8, 12, 12},  {12, 9, 13, 13},
    {13, 10, 14, 14}, {14, 11, 15, 15}, {15, 12, 16, 16}, {16, 13, 17, 17}, {17, 14, 18, 60},
    {18, 15, 19, 19}, {19, 16, 60, 60}, {60, 18, 70, 70},
};
}  // namespace

std::span<const UploadStepRow> UploadStepTable() {
    return kUploadSteps;
}

const UploadStepRow* UploadStepRowFor(int step) {
    for (const auto& r : kUploadSteps)
        if (r.step == step) return &r;
    return nullptr;
}

const UploadStepRow* decodeUploadStep(int step, std::span<const Byte> rx, ImageContext& ctx) {
    const UploadStepRow* row = UploadStepRowFor(step);
    if (!row || rx.empty()) return nullptr;
    return decodeRegion(row->region, rx.subspan(1), ctx) ? row : nullptr;
}

// ---- Page encoders --------------------------------------------------------------------------

namespace {

std::vector<FrameSpec> evenFrames(int start, int count, int bytes, int strideWords) {
    std::vector<FrameSpec> f;
    for (int p = 0; p < count; ++p) f.push_back({start + strideWords * p, bytes, bytes});
    return f;
}

std::vector<PagePlan> buildPlans() {
    using P = PageEncoder;
    using C = Completion;
    const auto one = [](int k) {
        const int n = RegionWords(k) * 2;
        return std::vector<FrameSpec>{{RegionStart(k), n, n}};
    };
    const int etc = RegionStart(4);
    auto pedal = evenFrames(RegionStart(5), 15, 32, 16);
    pedal.push_back({RegionStart(5) + 240, 30, 30});
    auto channels = evenFrames(RegionStart(13), 8, 28, 14);
    channels.push_back({RegionStart(13) + 112, 30, 30});
    return {
        {P::ByteTableCurve1, "SendByteTablePage(curve 1)", 0, one(0), C::A, 0},
        {P::ByteTableCurve2, "SendByteTablePage(curve 2)", 1, one(1), C::A, 0},
        {P::ResponseTypes, "SendResponseTypesPage", 2, one(2), C::B, 0},
        {P::ByteTableThrottleLimit, "SendByteTablePage(throttle limit)", 3, one(3), C::A, 0},
        {P::Etc,
         "SendEtcPage",
         4,
         {{etc, 22, 22}, {etc + 11, 36, 36}, {etc + 29, 20, 20}},
         C::C,
         0},
        {P::EtcPid, "SendEtcPidPage", 4, {{etc, 22, 22}, {etc + 11, 14, 14}}, C::C, 0},
        {P::PedalCorrection, "SendPedalCorrectionPage", 5, pedal, C::A, 0},
        {P::Hardware, "SendHardwarePage", 6, one(6), C::C, 0},
        {P::Rpm, "SendRpmPage", 7, one(7), C::CNoRow, 0},
        {P::Als, "SendAlsPage", 8, one(8), C::C, 0},
        {P::Launch, "SendLaunchPage", 9, one(9), C::C, 0},
        {P::Throttle, "SendThrottlePage", 10, one(10), C::C, 0},
        {P::CanSettings, "SendCanSettingsPage", 11, one(11), C::C, 0},
        {P::CanMessages, "SendCanMessagesPage", 12, evenFrames(RegionStart(12), 4, 30, 15), C::C,
         0},
        {P::CanChannels, "SendCanChannelsPage", 13, channels, C::C, 0},
        {P::MaxPwm, "SendMaxPwmPage", 14, one(14), C::B, 0},
        {P::ByteTableOpenLoopIdle, "SendByteTablePage(open-loop idle)", 15, one(15), C::A, 0},
        {P::StartValue, "SendStartValuePage", 16, one(16), C::B, 0},
        {P::SkipUnused, "SkipUnusedRegion", 17, {}, C::D, RegionWords(17)},
        {P::SystemArea, "SendSystemAreaPage", 18, evenFrames(RegionStart(18), 8, 32, 16), C::A, 0},
    };
}

}  // namespace

std::span<const PagePlan> PagePlans() {
    static const std::vector<PagePlan> plans = buildPlans();
    return plans;
}

const PagePlan& PagePlanFor(PageEncoder e) {
    return PagePlans()[static_cast<std::size_t>(e)];
}

Bytes buildFramePayload(PageEncoder e, int p, const ParameterSet& params,
                        const ImageStores& stores) {
    const PagePlan& plan = PagePlanFor(e);
    if (p < 1 || p > static_cast<int>(plan.frames.size())) return {};
    const FrameSpec& f = plan.frames[static_cast<std::size_t>(p - 1)];
    const auto words = encodeRegion(plan.region, params, stores);
    Bytes out;
    out.reserve(static_cast<std::size_t>(4 + f.byteCount));
    AppendWord(out, f.byteCount);
    AppendWord(out, f.startWord);
    const int first = f.startWord - RegionStart(plan.region);
    for (int i = 0; i < f.byteCount / 2; ++i)
        AppendWord(out, words[static_cast<std::size_t>(first + i)]);
    return out;
}

}  // namespace qor
