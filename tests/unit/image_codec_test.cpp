#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/image/Encodings.h"
#include "core/image/RegionCodec.h"
#include "tests/support/ImageFixtures.h"

namespace qor {
namespace {

using test::ImageState;

Bytes regionBytes(std::initializer_list<int> bytes, int k) {
    Bytes b(bytes.begin(), bytes.end());
    b.resize(static_cast<std::size_t>(RegionWords(k) * 2), 0);
    return b;
}

// ---- Decoders ---------------------------------------------------------------------------

TEST(ImageDecode, CanMessageBytesExample) {
    ImageState s;
    const Bytes b = regionBytes({0x0B, 8, 0x1F, 0xFF, 0xFF, 0xFF, 0, 200, 3, 0}, 12);
    ASSERT_TRUE(decodeRegion(12, b, s.ctx));
    EXPECT_EQ(s.params.get("msg_valid_1"), 1);
    EXPECT_EQ(s.params.get("Mode_On_1"), 0);
    EXPECT_EQ(s.params.get("ID_29Bit_1"), 1);
    EXPECT_EQ(s.params.get("ID_11Bit_1"), 0);
    EXPECT_EQ(s.params.get("Tx_1"), 1);
    EXPECT_EQ(s.params.get("Rx_1"), 0);
    EXPECT_EQ(s.params.get("DLC_1"), 7);  // byte 8 clamps to the last of "1".."8"
    EXPECT_EQ(s.params.get("CAN_ID_1"), 536870911);
    EXPECT_EQ(s.params.get("TimeOut_ms_1"), 1000);
    EXPECT_EQ(s.params.get("Start_bit_Mode_1"), 3);
    // Slot 2 read all-zero bytes: the time-out field's own limit applies.
    EXPECT_EQ(s.params.get("TimeOut_ms_2"), 5);
}

TEST(ImageDecode, ListSwitchAndModeBytes) {
    struct Case {
        int region;
        std::vector<int> bytes;
        const char* name;
        double want;
    };
    const Case cases[] = {
        {2, {7, 0, 0, 0}, "throttle_response_type_1", 2},  // beyond the list: last item
        {2, {1, 0, 0, 0}, "throttle_response_type_1", 1},
        {6, {8, 0, 0, 0, 0}, "hardware_settings_digital_input_1", 7},
        {6, {0, 0, 8, 0, 0}, "hardware_settings_digital_input_3", 8},
        {6, {0, 0, 0, 200, 0}, "hardware_settings_analoge_input_1", 4},
        {8, {0, 0, 0}, "ALS_active", 0},
        {8, {0, 0, 1}, "ALS_active", 1},
        {8, {0, 0, 2}, "ALS_active", 0},
        {8, {0, 0, 255}, "ALS_active", 0},
        {9, {41, 200, 1}, "Launch_min", 20.5},
        {9, {41, 200, 1}, "Launch_max", 100},  // 100 % is its bound
        {13, {0, 0, 64}, "Mode_nr_1", 0},
        {13, {0, 0, 5}, "Mode_nr_1", 6},
        {13, {0, 0, 200}, "Mode_nr_1", 0},
        {13, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 103}, "Channel_name_1", 8},
        {13, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4}, "Channel_name_1", 4},
        {13, {0, 0, 0, 0, 0, 240, 189, 193}, "Factor_1", -999.999},
        {13, {0, 0, 0, 0, 0, 255, 255, 255}, "Factor_1", -0.001},
        {13, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}, "Unit_1", 3},
        {10, {3, 0, 155}, "Startup_watertemp_up_to_1", -20},
        {10, {3, 0, 155}, "Startup_watertemp_up_to_2", 135},
        {11, {9, 1, 2, 13}, "CAN_settings_Baudrate", 4},
        {11, {9, 1, 2, 13}, "CAN_slaves", 12},
        {14, {0x0B, 0x00}, "max_PWM", 100},
        {16, {0, 29}, "beginwaarde", 980},
        {7, {0, 50}, "RPM_Range_Row1", 500},
        {7, {0x07, 0xD0}, "RPM_Range_Row1", 20000},
    };
    for (const auto& c : cases) {
        ImageState s;
        Bytes b(c.bytes.begin(), c.bytes.end());
        b.resize(static_cast<std::size_t>(RegionWords(c.region) * 2), 0);
        ASSERT_TRUE(decodeRegion(c.region, b, s.ctx));
        EXPECT_DOUBLE_EQ(s.params.get(c.name), c.want) << c.name << " region " << c.region;
    }
}

TEST(ImageDecode, ResponseCurvesFillTheGridAndWarnWhenFalling) {
    ImageState s;
    // Curve 1 stored falling at cell 2; curve 2 rising.
    Bytes c1 = regionBytes({0, 20, 10, 30}, 0);
    for (int c = 4; c < 21; ++c) c1[static_cast<std::size_t>(c)] = static_cast<Byte>(30 + c);
    Bytes c2(22, 0);
    for (int c = 0; c < 21; ++c) c2[static_cast<std::size_t>(c)] = static_cast<Byte>(2 * c);
    decodeRegion(0, c1, s.ctx);
    decodeRegion(1, c2, s.ctx);
    EXPECT_EQ(s.stores.UserCurve1[2], 10);
    EXPECT_DOUBLE_EQ(s.params.cell("Throttle_response_curve_1", 1), 10);
    EXPECT_TRUE(s.effects.curveNotRising1);
    EXPECT_FALSE(s.effects.curveNotRising2);

    // Type 2 (user) keeps showing the stored curve; type 0 replaces it and the warning goes.
    decodeRegion(2, regionBytes({7, 10, 0, 251}, 2), s.ctx);
    EXPECT_TRUE(s.effects.curveNotRising1);
    EXPECT_DOUBLE_EQ(s.params.cell("Throttle_response_curve_1", 2), 5);
    EXPECT_DOUBLE_EQ(s.params.get("throttle_response_curve_1_acc_limiter"), 5);
    EXPECT_DOUBLE_EQ(s.params.get("throttle_response_curve_2_acc_limiter"), 125);
    EXPECT_DOUBLE_EQ(s.params.cell("Throttle_response_curve_2", 20), 100);
    FillResponseCurve(0, 1, s.ctx);
    EXPECT_FALSE(s.effects.curveNotRising1);
    FillResponseCurve(1, 1, s.ctx);
    EXPECT_DOUBLE_EQ(s.params.cell("Throttle_response_curve_1", 8), 20.5);
    EXPECT_EQ(s.stores.UserCurve1[2], 10);  // the user curve is kept
}

TEST(ImageDecode, HeadersFromRpmRangeAndStartValue) {
    ImageState s;
    Bytes rpm(44, 0);
    for (int i = 0; i < 21; ++i)
        rpm[static_cast<std::size_t>(2 * i + 1)] = static_cast<Byte>(60 + 5 * i);
    decodeRegion(7, rpm, s.ctx);
    EXPECT_EQ(s.effects.throttleLimitHeaders[0], "600");
    EXPECT_EQ(s.effects.throttleLimitHeaders[20], "1600");
    decodeRegion(16, regionBytes({0, 5}, 16), s.ctx);
    EXPECT_DOUBLE_EQ(s.params.get("beginwaarde"), 500);
    for (int c = 0; c < 21; ++c)
        EXPECT_EQ(s.effects.openLoopIdleHeaders[static_cast<std::size_t>(c)],
                  std::to_string(500 + 20 * c));
}

TEST(ImageDecode, SystemAreaSetsTps1LimitsAndHints) {
    ImageState s;
    Bytes sa(256, 0);
    sa[60] = 300 >> 8;
    sa[61] = 300 & 0xFF;
    sa[62] = 4800 >> 8;
    sa[63] = 4800 & 0xFF;
    sa[255] = 7;
    decodeRegion(18, sa, s.ctx);
    EXPECT_EQ(s.stores.SystemArea[30], 300);
    EXPECT_EQ(s.stores.SystemArea[127], 7);
    for (const char* n : {"Min_value_TPS1", "Max_value_TPS1"}) {
        const auto& l = s.params.limits(ParamIndex(n));
        EXPECT_EQ(l.min, 300) << n;
        EXPECT_EQ(l.max, 4800) << n;
        EXPECT_EQ(l.hint, "300...4800") << n;
    }
    EXPECT_EQ(s.effects.hulpMaxTps1Max, 4800);
    EXPECT_EQ(s.effects.hulpMaxTps1Hint, "1300...4800");
}

TEST(ImageDecode, ShortInputChangesNothingAndExtraBytesAreIgnored) {
    ImageState s;
    EXPECT_FALSE(decodeRegion(8, Bytes{41, 42, 1}, s.ctx));  // 3 of 4 bytes
    EXPECT_EQ(s.params.get("ALS_min"), 0);
    EXPECT_FALSE(decodeRegion(17, Bytes(634, 1), s.ctx));
    EXPECT_TRUE(decodeRegion(8, Bytes{41, 42, 1, 0, 99, 99, 99}, s.ctx));
    EXPECT_EQ(s.params.get("ALS_min"), 20.5);
    EXPECT_EQ(s.params.get("ALS_max"), 21);
}

TEST(ImageDecode, UploadStepsDecodeTheirRegionAndNameTheNextStep) {
    ImageState s;
    Bytes rx{'Z', 41, 42, 1, 0};
    const auto* row = decodeUploadStep(11, rx, s.ctx);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->region, 8);
    EXPECT_EQ(row->next, 12);
    EXPECT_EQ(s.params.get("ALS_min"), 20.5);
    EXPECT_EQ(UploadStepRowFor(17)->next, 18);
    EXPECT_EQ(UploadStepRowFor(17)->nextWithoutOpenLoop, 60);
    EXPECT_EQ(UploadStepRowFor(19)->next, 60);
    EXPECT_EQ(UploadStepRowFor(60)->region, 18);
    EXPECT_EQ(UploadStepRowFor(70), nullptr);
    EXPECT_EQ(decodeUploadStep(12, Bytes{'Z', 1}, s.ctx), nullptr);  // short: nothing
}

TEST(ImageDecode, PidGroupChangesOnlyTheControlLoopWords) {
    ImageState s;
    s.params.set("Min_value_TPS1", 700);
    Bytes b(78, 0);
    b[1] = 150;  // P_versterking 1.50
    b[35] = 9;   // Dvtime_neg
    b[37] = 99;  // Min_value_TPS1 (word 53): not part of the group
    ASSERT_TRUE(decodeEtcPidGroup(std::span<const Byte>(b).first(36), s.ctx));
    EXPECT_DOUBLE_EQ(s.params.get("P_versterking"), 1.5);
    EXPECT_DOUBLE_EQ(s.params.get("Dvtime_neg"), 9);
    EXPECT_DOUBLE_EQ(s.params.get("Min_value_TPS1"), 700);
}

// ---- Encoders and frames ------------------------------------------------------------------

TEST(ImageEncode, ImageVectors) {
    ImageState s;
    s.params.setCell("Throttle_limit", 0, 20.5);
    s.params.setCell("Throttle_limit", 1, 0.25);
    s.params.setCell("Throttle_limit", 20, 100);
    s.params.setCell("openloop_idle", 20, 10);
    s.params.setCell("PositieveSollwert", 1, -1);
    s.params.setCell("PositieveSollwert", 2, -5);
    s.params.set("Factor_1", -999.999);
    for (auto& v : s.stores.UserCurve1) v = 255;
    s.stores.UserCurve2.fill(255);
    auto img = test::encodeImage(s);
    EXPECT_EQ(img[24], 41 * 256 + 0);
    EXPECT_EQ(img[34], 200 * 256);
    for (int w : {10, 21, 34, 577}) EXPECT_EQ(img[static_cast<std::size_t>(w)] & 0xFF, 0) << w;
    EXPECT_EQ(img[10], 255 * 256);
    EXPECT_EQ(img[74], 65535);
    EXPECT_EQ(img[75], 65531);
    EXPECT_EQ(img[378], 0);
    EXPECT_EQ(img[565], 0);
    EXPECT_EQ(img[578], 0);  // start value 400
    EXPECT_EQ(img[441] & 0xFF, 240);
    EXPECT_EQ(img[442], 189 * 256 + 193);
    s.stores.CanSettingsTouched = true;
    s.params.set("beginwaarde", 980);
    img = test::encodeImage(s);
    EXPECT_EQ(img[565], 256);
    EXPECT_EQ(img[578], 29);
    for (int w = 579; w < 896; ++w) ASSERT_EQ(img[static_cast<std::size_t>(w)], 0) << w;
}

// Launch_min has no range of its own; its byte holds 0..127.5 % and must never reach
// Launch_max, which shares the word.
TEST(ImageEncode, LaunchMinIsKeptInItsByte) {
    struct Case {
        double launchMin;
        int word;
    };
    const Case cases[] = {
        {20, 40 * 256 + 60}, {127.5, 255 * 256 + 60}, {150, 255 * 256 + 60}, {-3, 0 * 256 + 60}};
    for (const auto& c : cases) {
        ImageState s;
        s.params.set("Launch_max", 30);
        s.params.set("Launch_min", c.launchMin);
        EXPECT_EQ(encodeRegion(9, s.params, s.stores)[0], c.word) << c.launchMin;
    }
}

TEST(ImageEncode, FramePlans) {
    struct Case {
        PageEncoder e;
        std::vector<FrameSpec> frames;
        Completion completion;
    };
    std::vector<FrameSpec> pedal;
    for (int p = 0; p < 15; ++p) pedal.push_back({74 + 16 * p, 32, 32});
    pedal.push_back({314, 30, 30});
    std::vector<FrameSpec> channels;
    for (int p = 0; p < 8; ++p) channels.push_back({439 + 14 * p, 28, 28});
    channels.push_back({551, 30, 30});
    const Case cases[] = {
        {PageEncoder::ByteTableCurve1, {{0, 22, 22}}, Completion::A},
        {PageEncoder::ByteTableThrottleLimit, {{24, 22, 22}}, Completion::A},
        {PageEncoder::ByteTableOpenLoopIdle, {{567, 22, 22}}, Completion::A},
        {PageEncoder::ResponseTypes, {{22, 4, 4}}, Completion::B},
        {PageEncoder::Etc, {{35, 22, 22}, {46, 36, 36}, {64, 20, 20}}, Completion::C},
        {PageEncoder::EtcPid, {{35, 22, 22}, {46, 14, 14}}, Completion::C},
        {PageEncoder::PedalCorrection, pedal, Completion::A},
        {PageEncoder::Hardware, {{329, 6, 6}}, Completion::C},
        {PageEncoder::Rpm, {{332, 44, 44}}, Completion::CNoRow},
        {PageEncoder::Als, {{354, 4, 4}}, Completion::C},
        {PageEncoder::Launch, {{356, 4, 4}}, Completion::C},
        {PageEncoder::Throttle, {{358, 36, 36}}, Completion::C},
        {PageEncoder::CanSettings, {{376, 6, 6}}, Completion::C},
        {PageEncoder::CanMessages,
         {{379, 30, 30}, {394, 30, 30}, {409, 30, 30}, {424, 30, 30}},
         Completion::C},
        {PageEncoder::CanChannels, channels, Completion::C},
        {PageEncoder::MaxPwm, {{566, 2, 2}}, Completion::B},
        {PageEncoder::StartValue, {{578, 2, 2}}, Completion::B},
        {PageEncoder::SkipUnused, {}, Completion::D},
        {PageEncoder::SystemArea,
         {{896, 32, 32},
          {912, 32, 32},
          {928, 32, 32},
          {944, 32, 32},
          {960, 32, 32},
          {976, 32, 32},
          {992, 32, 32},
          {1008, 32, 32}},
         Completion::A},
    };
    for (const auto& c : cases) {
        const auto& plan = PagePlanFor(c.e);
        EXPECT_EQ(plan.encoder, c.e) << plan.name;
        ASSERT_EQ(plan.frames.size(), c.frames.size()) << plan.name;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(plan.frames[i].startWord, c.frames[i].startWord) << plan.name << i;
            EXPECT_EQ(plan.frames[i].byteCount, c.frames[i].byteCount) << plan.name << i;
            EXPECT_EQ(plan.frames[i].progress, c.frames[i].progress) << plan.name << i;
        }
        EXPECT_EQ(plan.completion, c.completion) << plan.name;
    }
    EXPECT_EQ(PagePlanFor(PageEncoder::SkipUnused).completionProgress, 317);
}

TEST(ImageEncode, FramePayloads) {
    ImageState s;
    s.params.setCell("Throttle_limit", 0, 20.5);
    s.params.setCell("Throttle_limit", 1, 0.25);
    s.params.setCell("PositieveSollwert", 241, -1);
    s.params.set("P_versterking", 1.5);
    s.params.set("throttle_response_type_1", 1);
    s.params.set("throttle_response_curve_1_acc_limiter", 20.5);
    s.stores.CanSettingsTouched = true;

    Bytes tl = buildFramePayload(PageEncoder::ByteTableThrottleLimit, 1, s.params, s.stores);
    ASSERT_EQ(tl.size(), 26u);
    EXPECT_EQ((Bytes{tl.begin(), tl.begin() + 6}), (Bytes{0, 22, 0, 24, 41, 0}));
    EXPECT_EQ(tl.back(), 0);

    EXPECT_EQ(buildFramePayload(PageEncoder::ResponseTypes, 1, s.params, s.stores),
              (Bytes{0, 4, 0, 22, 1, 41, 0, 0}));

    Bytes ped = buildFramePayload(PageEncoder::PedalCorrection, 16, s.params, s.stores);
    ASSERT_EQ(ped.size(), 34u);
    EXPECT_EQ((Bytes{ped.begin(), ped.begin() + 6}), (Bytes{0, 30, 1, 58, 255, 255}));

    Bytes ch = buildFramePayload(PageEncoder::CanChannels, 9, s.params, s.stores);
    ASSERT_EQ(ch.size(), 34u);
    EXPECT_EQ((Bytes{ch.end() - 2, ch.end()}), (Bytes{1, 0}));  // the flag word 565

    // The control-loop frames never carry words 53..73.
    Bytes pid2 = buildFramePayload(PageEncoder::EtcPid, 2, s.params, s.stores);
    EXPECT_EQ(pid2.size(), 18u);
    EXPECT_EQ((Bytes{pid2.begin(), pid2.begin() + 4}), (Bytes{0, 14, 0, 46}));
    EXPECT_TRUE(buildFramePayload(PageEncoder::EtcPid, 3, s.params, s.stores).empty());
    Bytes pid1 = buildFramePayload(PageEncoder::EtcPid, 1, s.params, s.stores);
    EXPECT_EQ((Bytes{pid1.begin() + 4, pid1.begin() + 6}), (Bytes{0, 150}));
}

// ---- Round trips --------------------------------------------------------------------------

TEST(ImageRoundTrip, EncodeDecodeEncodeIsIdenticalForEveryRegion) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        ImageState a;
        test::randomizeImageState(a, seed);
        for (int k = 0; k < kRegionCount; ++k) {
            const auto first = encodeRegion(k, a.params, a.stores);
            ImageState b;
            b.stores.CanSettingsTouched = a.stores.CanSettingsTouched;  // never decoded
            if (k != 17) {
                ASSERT_TRUE(decodeRegionWords(k, first, b.ctx));
            }
            EXPECT_EQ(encodeRegion(k, b.params, b.stores), first)
                << "seed " << seed << " region " << k;
        }
    }
}

// Bytes that no decoder reads, per word: what the tool does not carry from an image.
std::array<Word, kImageWords> unreadMask() {
    std::array<Word, kImageWords> readBits{};
    auto mark = [&](int byte, int bits) {
        auto& w = readBits[static_cast<std::size_t>(byte / 2)];
        w = static_cast<Word>(w | (byte % 2 == 0 ? bits << 8 : bits));
    };
    for (const auto& d : Catalogue()) {
        if (!d.stored()) continue;
        const int bytes = d.isGrid() ? d.cells * d.width : d.width;
        for (int b = 0; b < bytes; ++b) mark(d.firstImageByte() + b, 0xFF);
    }
    for (int c = 0; c < 2 * kCurveCells; ++c) mark(c < 21 ? c : 22 + (c - 21), 0xFF);
    for (int w = 896; w < 1024; ++w) readBits[static_cast<std::size_t>(w)] = 0xFFFF;
    std::array<Word, kImageWords> unread{};
    for (int w = 0; w < kImageWords; ++w)
        unread[static_cast<std::size_t>(w)] =
            static_cast<Word>(~readBits[static_cast<std::size_t>(w)]);
    return unread;
}

TEST(ImageRoundTrip, UnreadBytesAreExactlyTheReservedOnes) {
    const auto unread = unreadMask();
    struct Case {
        int word;
        Word mask;
    };
    const Case cases[] = {
        {10, 0x00FF},  {21, 0x00FF},  {34, 0x00FF},  {577, 0x00FF},  // byte-table padding
        {331, 0x00FF}, {353, 0x00FF}, {355, 0x00FF}, {357, 0x00FF}, {375, 0x00FF},
        {378, 0xFFFF},                 // reserved
        {382, 0xFF00}, {383, 0x00FF},  // time-out high, +4 low
        {445, 0x00FF},                 // channel +6 low
        {565, 0xFFFF},                 // written, never read
        {579, 0xFFFF}, {895, 0xFFFF},  // region 17
        {35, 0},       {379, 0},      {566, 0},      {578, 0x0000}, {900, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unread[static_cast<std::size_t>(c.word)], c.mask) << c.word;
}

// Random images: every byte a decoder reads comes back unchanged from decode -> encode when
// its value is one the control can hold; unread bytes come back as 0 (word 565 from the
// tool's own flag).
TEST(ImageRoundTrip, DecodeEncodeReproducesEveryCarriedWord) {
    const auto unread = unreadMask();
    std::mt19937 rng(12345);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        ImageState valid;
        test::randomizeImageState(valid, seed);
        const auto img = test::encodeImage(valid);
        auto noisy = img;
        for (int w = 0; w < kImageWords; ++w)
            noisy[static_cast<std::size_t>(w)] = static_cast<Word>(
                (img[static_cast<std::size_t>(w)] & ~unread[static_cast<std::size_t>(w)]) |
                (rng() & unread[static_cast<std::size_t>(w)]));
        ImageState b;
        test::decodeImage(noisy, b);
        const auto out = test::encodeImage(b);
        for (int w = 0; w < kImageWords; ++w) {
            const auto i = static_cast<std::size_t>(w);
            ASSERT_EQ(out[i] & ~unread[i], img[i] & ~unread[i]) << "seed " << seed << " word " << w;
            ASSERT_EQ(out[i] & unread[i], 0) << "seed " << seed << " word " << w;
        }
    }
}

// Stored values a control cannot hold are not carried: they come back as the control
// took them.
TEST(ImageRoundTrip, ValuesOutsideAControlComeBackAsTheControlTookThem) {
    struct Case {
        int word;
        Word mask;  // the bits replaced
        Word stored;
        Word back;
        const char* why;
    };
    const Case cases[] = {
        {329, 0xFFFF, 9 * 256 + 7, 7 * 256 + 7, "list index beyond the last item"},
        {355, 0xFF00, 2 * 256, 0, "switch byte other than 1"},
        {379, 0xFF00, 0x1000, 0x0F00, "flags byte of 16 and more"},
        {440, 0xFF00, 70 * 256, 64 * 256, "mode number above 63 shows Off"},
        {444, 0x00FF, 50, 106, "channel code 5..99 beyond the list"},
        {382, 0x00FF, 0, 1, "time-out below 5 ms"},
        {354, 0xFF00, 250 * 256, 200 * 256, "ALS_min above 100 %"},
        {35, 0xFFFF, 5000, 1000, "P gain above 10"},
        {566, 0xFFFF, 3000, 2816, "PWM above 100 %"},
        {578, 0xFFFF, 40, 29, "start value above 980 RPM"},
    };
    for (const auto& c : cases) {
        ImageState valid;
        auto img = test::encodeImage(valid);
        auto& w = img[static_cast<std::size_t>(c.word)];
        w = static_cast<Word>((w & ~c.mask) | c.stored);
        ImageState b;
        test::decodeImage(img, b);
        EXPECT_EQ(test::encodeImage(b)[static_cast<std::size_t>(c.word)] & c.mask, c.back) << c.why;
    }
}

}  // namespace
}  // namespace qor
