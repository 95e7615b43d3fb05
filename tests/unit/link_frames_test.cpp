#include <gtest/gtest.h>

#include "core/link/Frames.h"

namespace qor::frames {
namespace {

Bytes hex(std::initializer_list<int> v) {
    Bytes b;
    for (int x : v) b.push_back(static_cast<Byte>(x));
    return b;
}

TEST(LinkFrames, EveryRequestHasItsExactBytes) {
    struct Case {
        const char* what;
        Bytes built;
        Bytes expected;
    };
    const Case cases[] = {
        {"identify", Single('V'), hex({'V'})},
        {"access level query", AccessLevelQuery(), hex({0x61, 0x41, 0x42, 0x43, 0x44, 0x6B})},
        {"set level master 3 user 2", SetAccessLevel(3, 2), hex({'A', 3, 2, ('A' + 3 + 2) & 0xFF})},
        {"block read 578,446", BlockRead(578, 446),
         hex({'Z', 2, 66, 1, 190, ('Z' + 2 + 66 + 1 + 190) & 0xFF})},
        {"calibration step -1 goes as 255", CalibrationStep(-1),
         hex({'q', 'A', 'B', 'C', 255, ('q' + 'A' + 'B' + 'C' + 255) & 0xFF})},
        {"cell write", CellWrite('B', hex({0, 24, 99, 3})),
         hex({'B', 0, 24, 99, 3, ('B' + 24 + 99 + 3) & 0xFF})},
        {"chart cell write", CellWrite('C', hex({1, 2, 3, 4})),
         hex({'C', 1, 2, 3, 4, ('C' + 1 + 2 + 3 + 4) & 0xFF})},
        {"page write: two words at 22", PageWrite(hex({0, 4, 0, 22, 0x12, 0x34, 0xAB, 0xCD})),
         hex({'E', 0, 4, 0, 22, 0x12, 0x34, 0xAB, 0xCD,
              ('E' + 4 + 22 + 0x12 + 0x34 + 0xAB + 0xCD) & 0xFF})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.built, c.expected) << c.what;
}

TEST(LinkFrames, PasswordsArePaddedWithZerosOrCutToTen) {
    const Bytes abc = Password('p', "ABC");
    ASSERT_EQ(abc.size(), 12u);
    EXPECT_EQ(std::string(abc.begin() + 1, abc.end() - 1), "ABC0000000");
    EXPECT_TRUE(ChecksumOk(abc));
    EXPECT_EQ(PadPassword("0123456789"), "0123456789");
    EXPECT_EQ(PadPassword("0123456789X"), "0123456789");
    EXPECT_EQ(Password('P', "QOR")[0], 'P');
}

TEST(LinkFrames, PageWriteChecksumCoversWhatTheFrameStatesButNeverBeyondIt) {
    // Length field says 2 data bytes, but 4 follow: the sum stops after n + 5 bytes.
    const Bytes longer = PageWrite(hex({0, 2, 0, 10, 1, 2, 3, 4}));
    EXPECT_EQ(longer.back(), ('E' + 2 + 10 + 1 + 2) & 0xFF);
    // Length field claims more than there is: the sum covers the bytes present only.
    const Bytes shorter = PageWrite(hex({0, 200, 0, 10, 1}));
    EXPECT_EQ(shorter.back(), ('E' + 200 + 10 + 1) & 0xFF);
}

TEST(LinkFrames, ChecksumWrapsModulo256AndNeedsTwoBytes) {
    const Bytes f = Framed('*', Bytes(64, 0xFF));
    EXPECT_EQ(f.back(), static_cast<Byte>(('*' + 64 * 0xFF) & 0xFF));
    EXPECT_TRUE(ChecksumOk(f));
    EXPECT_FALSE(ChecksumOk(hex({'*'})));
    EXPECT_FALSE(ChecksumOk(Bytes{}));
    Bytes bad = f;
    bad[10] ^= 1;
    EXPECT_FALSE(ChecksumOk(bad));
}

TEST(LinkFrames, FirstByteFilterAcceptsExactlyTheReplyLetters) {
    const std::string accepted = "*.?ABCDEIJLPQRSTVYZadfijpq";
    for (int b = 0; b < 256; ++b) {
        const bool expected = accepted.find(static_cast<char>(b)) != std::string::npos;
        EXPECT_EQ(AcceptedFirstByte(static_cast<Byte>(b)), expected) << b;
    }
}

TEST(LinkFrames, TextFieldRunsFromByteOneToBeforeTheChecksum) {
    EXPECT_EQ(TextField(Framed('V', bytesOf("1EA1AB1AA"))), "1EA1AB1AA");
    EXPECT_EQ(TextField(Framed('S', bytesOf("1234567"))), "1234567");  // longer reply, longer text
    EXPECT_EQ(TextField(hex({'S'})), "");
}

}  // namespace
}  // namespace qor::frames
