#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/SimModule.h"

namespace qor::sim {
namespace {

// A request with its checksum appended (sum of all preceding bytes, modulo 256).
Bytes req(const std::string& letterAndPayload) {
    Bytes b = bytesOf(letterAndPayload);
    unsigned s = 0;
    for (Byte x : b) s += x;
    b.push_back(static_cast<Byte>(s));
    return b;
}
Bytes req(Bytes b) {
    unsigned s = 0;
    for (Byte x : b) s += x;
    b.push_back(static_cast<Byte>(s));
    return b;
}

// Everything the module sends back for some bytes, concatenated.
Bytes feed(SimModule& m, const Bytes& in, int baud = kFastBaud) {
    Bytes out;
    for (const auto& t : m.receive(in, baud)) out.insert(out.end(), t.bytes.begin(), t.bytes.end());
    return out;
}

// A module that has been through 'V' and 'G', as after the tool's identification.
SimModule fastModule() {
    SimModule m;
    m.receive(bytesOf("V"), kPowerUpBaud);
    m.receive(bytesOf("G"), kPowerUpBaud);
    return m;
}

TEST(SimModule, AnswersEachRequestWithTheExactReplyBytes) {
    struct Case {
        const char* what;
        Bytes request;
        Bytes reply;
    };
    const std::vector<Case> cases{
        {"version", bytesOf("V"), {'V', '1', 'E', 'A', '1', 'A', 'B', '1', 'A', 'A', 0x74}},
        {"serial number", bytesOf("S"), {'S', '1', '2', '3', '4', '5', '6', 0x88}},
        {"access levels", {0x61, 0x41, 0x42, 0x43, 0x44, 0x6B}, {0x61, 4, 4, 0x69}},
        {"lock", bytesOf("L"), {'L'}},
        {"download end", bytesOf("R"), {'R'}},
        {"baud switch has no answer", bytesOf("G"), {}},
        {"user password", req("pQOR0000000"), {'p', 'O', 'K', 0x0A}},
        {"wrong password", req("pQOR0000001"), {'p', 'N', 'O', 0x0D}},
        {"unknown letter is ignored", bytesOf("x"), {}},
    };
    for (const auto& c : cases) {
        SimModule m;
        EXPECT_EQ(feed(m, c.request, kPowerUpBaud), c.reply) << c.what;
    }
}

TEST(SimModule, PedalCalibrationStartAnswersTheFirstInstruction) {
    SimModule m;
    Bytes q = req(Bytes{'q', 'A', 'B', 'C', 0});
    EXPECT_EQ(feed(m, q, kPowerUpBaud), (Bytes{'q', 10, 0x7B}));
}

TEST(SimModule, LiveDataIsTheLetterSixtyFourBytesAndChecksum) {
    SimModule m = fastModule();
    m.setLiveWord(live::EngineSpeed, 850);
    m.setLiveWord(live::StatusBits, 0x0801);
    m.setLiveWord(live::ErrorWord1, 0x1234);
    m.setLiveWord(live::ErrorWord3, 0xABCD);
    const Bytes r = feed(m, bytesOf("*"));
    ASSERT_EQ(r.size(), 66u);
    EXPECT_EQ(r[0], '*');
    EXPECT_EQ(r[1] << 8 | r[2], 850);
    EXPECT_EQ(r[43] << 8 | r[44], 0x0801);
    EXPECT_EQ(r[58] << 8 | r[59], 0x1234);
    EXPECT_EQ(r[62] << 8 | r[63], 0xABCD);
    unsigned s = 0;
    for (int i = 0; i < 65; ++i) s += r[i];
    EXPECT_EQ(r[65], static_cast<Byte>(s));
}

TEST(SimModule, LiveWordsAreFoundByFieldNameOrByteOffset) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases{
        {"enginespeed", 1},       {"STATUS_BITS", 43},  {"Calibration_result", 45},
        {"Error_word_3", 62},     {"58", 58},           {"63", 63},
        {"0", std::nullopt},      {"64", std::nullopt}, {"123456789012", std::nullopt},
        {"nosuch", std::nullopt}, {"", std::nullopt}};
    for (const auto& [name, offset] : cases) EXPECT_EQ(live::offsetByName(name), offset) << name;
}

TEST(SimModule, AnyChunkingOfARequestStreamGivesTheSameReplies) {
    Bytes stream;
    for (const Bytes& f :
         {bytesOf("*"), req(Bytes{'Z', 0, 22, 0, 2}), req(Bytes{'E', 0, 4, 0, 22, 1, 2, 3, 4}),
          req(Bytes{'Z', 0, 22, 0, 2}), bytesOf("S")})
        stream.insert(stream.end(), f.begin(), f.end());
    SimModule whole = fastModule();
    const Bytes expected = feed(whole, stream);
    ASSERT_EQ(expected.size(), 66u + 6 + 1 + 6 + 8);
    for (std::size_t size = 1; size <= 7; ++size) {
        SimModule m = fastModule();
        Bytes got;
        for (std::size_t i = 0; i < stream.size(); i += size) {
            Bytes piece(
                stream.begin() + static_cast<std::ptrdiff_t>(i),
                stream.begin() + static_cast<std::ptrdiff_t>(std::min(i + size, stream.size())));
            Bytes r = feed(m, piece);
            got.insert(got.end(), r.begin(), r.end());
        }
        EXPECT_EQ(got, expected) << "chunks of " << size;
    }
}

TEST(SimModule, FrameWithWrongChecksumGetsNoReplyAndTheNextFrameIsAnswered) {
    SimModule m = fastModule();
    Bytes bad = req(Bytes{'Z', 0, 0, 0, 1});
    bad.back() = static_cast<Byte>(bad.back() + 1);
    EXPECT_EQ(feed(m, bad), Bytes{});
    Bytes badWrite = req(Bytes{'E', 0, 2, 0, 5, 0x12, 0x34});
    badWrite.back() ^= 0x01;
    EXPECT_EQ(feed(m, badWrite), Bytes{});
    EXPECT_EQ(m.word(5), 0) << "a rejected write changes nothing";
    EXPECT_EQ(feed(m, req(Bytes{'Z', 0, 0, 0, 1})), (Bytes{'Z', 0, 0, 'Z'}));
    EXPECT_EQ(m.requestCount('Z'), 1);
}

TEST(SimModule, PageWriteThenBlockReadRoundTrip) {
    SimModule m = fastModule();
    m.setLocked(true);
    // Two words at address 22: 'E', 0, 4, 0, 22, data, checksum over the nine bytes.
    EXPECT_EQ(feed(m, req(Bytes{'E', 0, 4, 0, 22, 0x01, 0x02, 0xFF, 0xFE})), (Bytes{'Y'}));
    EXPECT_FALSE(m.locked());
    EXPECT_EQ(m.word(22), 0x0102);
    EXPECT_EQ(m.word(23), 0xFFFE);
    const Bytes z = feed(m, req(Bytes{'Z', 0, 21, 0, 3}));
    EXPECT_EQ(z, (Bytes{'Z', 0, 0, 0x01, 0x02, 0xFF, 0xFE,
                        static_cast<Byte>('Z' + 0x01 + 0x02 + 0xFF + 0xFE)}));
    // The whole image in one read: 2 x 1024 + 2 bytes.
    EXPECT_EQ(feed(m, req(Bytes{'Z', 0, 0, 4, 0})).size(), 2050u);
    EXPECT_EQ(feed(m, bytesOf("L")), (Bytes{'L'}));
    EXPECT_TRUE(m.locked());
}

TEST(SimModule, RequestsReachingBeyondTheImageAreRefusedWithoutWriting) {
    struct Case {
        const char* what;
        Bytes frame;
    };
    const std::vector<Case> cases{
        {"read past the end", req(Bytes{'Z', 0x03, 0xFF, 0, 2})},
        {"write past the end", req(Bytes{'E', 0, 4, 0x03, 0xFF, 1, 2, 3, 4})},
        {"odd byte count", req(Bytes{'E', 0, 3, 0, 0, 1, 2, 3})},
        {"cell beyond the image", req(Bytes{'B', 0x04, 0x00, 9, 1})},
        {"column zero", req(Bytes{'B', 0, 0, 9, 0})},
    };
    for (const auto& c : cases) {
        SimModule m = fastModule();
        EXPECT_EQ(feed(m, c.frame), Bytes{}) << c.what;
        for (std::size_t a = 0; a < kImageWords; ++a) ASSERT_EQ(m.word(a), 0) << c.what;
    }
    SimModule m = fastModule();
    EXPECT_EQ(feed(m, req(Bytes{'Z', 0x03, 0xFF, 0, 1})).size(), 4u) << "last word is readable";
}

TEST(SimModule, CellWritesSetTheHighByteForEvenColumnsAndTheLowByteForOdd) {
    struct Case {
        char letter;
        int column;  // as in the table; the frame carries column + 1
        std::uint16_t expected;
    };
    const std::vector<Case> cases{
        {'B', 0, 0x5034}, {'B', 1, 0x1250}, {'C', 6, 0x5034}, {'C', 7, 0x1250}};
    for (const auto& c : cases) {
        SimModule m = fastModule();
        m.setWord(2, 0x1234);
        const Bytes f =
            req(Bytes{static_cast<Byte>(c.letter), 0, 2, 0x50, static_cast<Byte>(c.column + 1)});
        EXPECT_EQ(feed(m, f), (Bytes{'Y'})) << c.letter << c.column;
        EXPECT_EQ(m.word(2), c.expected) << c.letter << c.column;
        EXPECT_FALSE(m.locked());
    }
}

TEST(SimModule, WrongSpeedGivesGarbageAndVersionAtPowerUpSpeedStartsOver) {
    SimModule m;
    // Before 'G' the module listens at 9600: a fast request is noise, byte for byte.
    EXPECT_EQ(feed(m, bytesOf("S"), kFastBaud), Bytes{kGarbageByte});
    EXPECT_EQ(feed(m, req(Bytes{'Z', 0, 0, 0, 1}), kFastBaud), Bytes(6, kGarbageByte));
    EXPECT_EQ(m.requestCount('Z'), 0);
    feed(m, bytesOf("V"), kPowerUpBaud);
    feed(m, bytesOf("G"), kPowerUpBaud);
    EXPECT_EQ(m.baud(), kFastBaud);
    // After 'G' a slow request other than 'V' is noise too.
    EXPECT_EQ(feed(m, bytesOf("*"), kPowerUpBaud), Bytes{kGarbageByte});
    // A slow 'V' brings the module back to 9600 and it answers.
    const auto out = m.receive(bytesOf("V"), kPowerUpBaud);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 11u);
    EXPECT_EQ(out[0].baud, kPowerUpBaud);
    EXPECT_EQ(m.baud(), kPowerUpBaud);
    // Noise then a good frame in one chunk: garbage first, then the answer.
    feed(m, bytesOf("G"), kPowerUpBaud);
    const auto mixed = m.receive(bytesOf("*V"), kPowerUpBaud);
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[0].bytes, Bytes{kGarbageByte});
    EXPECT_EQ(mixed[1].bytes[0], 'V');
}

TEST(SimModule, PasswordsAndLevels) {
    struct Step {
        Bytes frame;
        const char* answer;  // "OK" / "NO"
    };
    struct Case {
        const char* what;
        int master;
        std::vector<Step> steps;
        int userLevelAfter;
        std::string userPasswordAfter;
    };
    const auto p = [](const std::string& pw) { return req("p" + padPassword(pw)); };
    const auto P = [](const std::string& pw) { return req("P" + padPassword(pw)); };
    const auto A = [](int master, int user) {
        return req(Bytes{'A', static_cast<Byte>(master), static_cast<Byte>(user)});
    };
    const std::vector<Case> cases{
        {"level change needs a password", 4, {{A(4, 2), "NO"}}, 4, "QOR0000000"},
        {"user password then level", 4, {{p("QOR"), "OK"}, {A(4, 2), "OK"}}, 2, "QOR0000000"},
        {"level capped by master 2",
         2,
         {{p("QOR"), "OK"}, {A(2, 3), "NO"}, {A(2, 2), "OK"}},
         2,
         "QOR0000000"},
        {"level 0 and 5 refused",
         4,
         {{p("QOR"), "OK"}, {A(4, 0), "NO"}, {A(4, 5), "NO"}},
         4,
         "QOR0000000"},
        {"wrong password withdraws",
         4,
         {{p("QOR"), "OK"}, {p("XYZ"), "NO"}, {A(4, 1), "NO"}},
         4,
         "QOR0000000"},
        {"new user password",
         4,
         {{p("QOR"), "OK"}, {P("NEW1"), "OK"}, {p("QOR"), "NO"}, {p("NEW1"), "OK"}},
         4,
         "NEW1000000"},
        {"new password needs a password", 4, {{P("NEW1"), "NO"}}, 4, "QOR0000000"},
        {"master resets the user password",
         4,
         {{p("QOR"), "OK"}, {P("SECRET"), "OK"}, {p("MASTER"), "OK"}, {p("QOR"), "OK"}},
         4,
         "QOR0000000"},
    };
    for (const auto& c : cases) {
        SimModule m = fastModule();
        m.setLevels(c.master, 4);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Bytes r = feed(m, c.steps[i].frame);
            ASSERT_EQ(r.size(), 4u) << c.what << " step " << i;
            EXPECT_EQ(r[0], c.steps[i].frame[0]) << c.what;
            EXPECT_EQ(std::string(r.begin() + 1, r.begin() + 3), c.steps[i].answer)
                << c.what << " step " << i;
        }
        EXPECT_EQ(m.userLevel(), c.userLevelAfter) << c.what;
        EXPECT_EQ(m.userPassword(), c.userPasswordAfter) << c.what;
    }
}

TEST(SimModule, AccessQueryAnswersLevelsAndIgnoresAWrongConstantPart) {
    SimModule m = fastModule();
    m.setLevels(2, 3);
    EXPECT_EQ(feed(m, req("aABCD")), (Bytes{'a', 2, 3, static_cast<Byte>('a' + 5)}));
    EXPECT_EQ(feed(m, req("aABCE")), Bytes{});
}

TEST(SimModule, CalibrationStepsAndProgressWord) {
    auto q = [](int step) { return req(Bytes{'q', 'A', 'B', 'C', static_cast<Byte>(step)}); };
    auto code = [&](SimModule& m, int step) {
        const Bytes r = feed(m, q(step));
        EXPECT_EQ(r.size(), 3u);
        return r.size() == 3 ? r[1] : -1;
    };
    auto progress = [](SimModule& m) {
        const Bytes r = feed(m, bytesOf("*"));
        return r[45] << 8 | r[46];
    };
    {
        SimModule m = fastModule();
        m.setCalibrationFrames(3);
        EXPECT_EQ(code(m, 0), 10);
        EXPECT_EQ(code(m, 10), 11);
        EXPECT_EQ(code(m, 11), 12);
        EXPECT_EQ(progress(m), 0) << "not running yet";
        EXPECT_EQ(code(m, 12), 13);
        EXPECT_EQ(code(m, 13), 13);
        EXPECT_EQ(progress(m), 1);
        EXPECT_EQ(progress(m), 1);
        EXPECT_EQ(progress(m), 1);
        EXPECT_EQ(progress(m), 0) << "finished without error";
        EXPECT_EQ(code(m, 13), 20) << "nothing running any more";
    }
    {
        SimModule m = fastModule();
        m.setCalibrationFrames(1);
        m.setCalibrationOutcome(16);  // error 8
        EXPECT_EQ(code(m, 2), 13) << "dual spring throttle valve runs at once";
        EXPECT_EQ(progress(m), 1);
        EXPECT_EQ(progress(m), 16);
    }
    {
        SimModule m = fastModule();
        m.setLiveWord(live::EngineSpeed, 85);
        EXPECT_EQ(code(m, 0), 20) << "engine running";
        m.setLiveWord(live::EngineSpeed, 0);
        EXPECT_EQ(code(m, -1), 20) << "unknown step";
        EXPECT_EQ(feed(m, req(Bytes{'q', 'A', 'B', 'D', 0})), Bytes{});
    }
}

}  // namespace
}  // namespace qor::sim
