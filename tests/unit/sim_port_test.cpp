#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/VirtualScheduler.h"
#include "sim/FaultPlan.h"
#include "sim/SimPort.h"
#include "sim/Wire.h"

namespace qor::sim {
namespace {

Bytes req(Bytes b) {
    unsigned s = 0;
    for (Byte x : b) s += x;
    b.push_back(static_cast<Byte>(s));
    return b;
}

// A tool-side view of a SimPort: records when and how many bytes arrived, reads them all.
struct Link {
    VirtualScheduler clock;
    SimModule module;
    SimPort port{clock, module};
    std::vector<std::pair<Millis, std::size_t>> events;
    Bytes received;

    Link() {
        port.setOnBytesArrived([this](std::size_t n) {
            events.push_back({clock.now(), n});
            Bytes b;
            EXPECT_TRUE(port.read(n, b));
            received.insert(received.end(), b.begin(), b.end());
        });
    }
    // Opens, identifies at 9600 and switches both sides to 115200, then forgets what it saw.
    void goFast() {
        ASSERT_TRUE(port.open(SimPort::kDefaultDevice));
        port.setBaud(kPowerUpBaud);
        port.write(bytesOf("V"));
        port.write(bytesOf("G"));
        port.setBaud(kFastBaud);
        clock.advance(100);
        events.clear();
        received.clear();
        port.clearWrites();
    }
};

TEST(SimPort, OpensOnlyTheConfiguredAvailableDevice) {
    Link l;
    EXPECT_FALSE(l.port.open("/dev/ttyUSB0"));
    EXPECT_EQ(l.port.lastError(), port_error::kNoSuchPort);
    l.port.setAvailable(false);
    EXPECT_FALSE(l.port.open(SimPort::kDefaultDevice));
    EXPECT_EQ(l.port.lastError(), port_error::kUnavailable);
    EXPECT_FALSE(l.port.write(bytesOf("V")));
    EXPECT_EQ(l.port.lastError(), port_error::kNotOpen);
    l.port.setAvailable(true);
    l.port.setDeviceName("/dev/pts/7");
    EXPECT_TRUE(l.port.open("/dev/pts/7"));
    EXPECT_TRUE(l.port.isOpen());
    EXPECT_EQ(l.port.name(), "/dev/pts/7");
    EXPECT_FALSE(l.port.open("/dev/pts/7"));
    EXPECT_EQ(l.port.lastError(), port_error::kAlreadyOpen);
}

TEST(SimPort, LogsWritesWithBaudAndDeliversTheReplyAsOneChunkAfterTheLatency) {
    Link l;
    ASSERT_TRUE(l.port.open(SimPort::kDefaultDevice));
    l.port.setBaud(kPowerUpBaud);
    ASSERT_TRUE(l.port.write(bytesOf("V")));
    ASSERT_TRUE(l.port.write(bytesOf("G")));
    l.port.setBaud(kFastBaud);
    ASSERT_TRUE(l.port.write(bytesOf("S")));
    ASSERT_EQ(l.port.writes().size(), 3u);
    EXPECT_EQ(l.port.writes()[0].baud, kPowerUpBaud);
    EXPECT_EQ(l.port.writes()[1].bytes, bytesOf("G"));
    EXPECT_EQ(l.port.writes()[1].baud, kPowerUpBaud);
    EXPECT_EQ(l.port.writes()[2].baud, kFastBaud);
    EXPECT_EQ(l.port.writtenFrames(),
              (std::vector<Bytes>{bytesOf("V"), bytesOf("G"), bytesOf("S")}));
    EXPECT_TRUE(l.events.empty()) << "nothing arrives before the clock moves";
    l.clock.advance(1);
    EXPECT_EQ(l.events, (std::vector<std::pair<Millis, std::size_t>>{{1, 11}, {1, 8}}));
    EXPECT_EQ(l.received.size(), 19u);
    EXPECT_EQ(l.received[11], 'S');
}

TEST(SimPort, MutedToolLeavesBytesInTheInputQueueUntilDiscarded) {
    VirtualScheduler clock;
    SimModule module;
    SimPort port(clock, module);
    std::size_t told = 0;
    port.setOnBytesArrived([&](std::size_t n) { told += n; });
    ASSERT_TRUE(port.open(SimPort::kDefaultDevice));
    port.write(bytesOf("V"));
    clock.advance(5);
    EXPECT_EQ(told, 11u);
    EXPECT_EQ(port.bytesAvailable(), 11u);
    Bytes b;
    ASSERT_TRUE(port.read(4, b));
    EXPECT_EQ(b, bytesOf("V1EA"));
    EXPECT_EQ(port.bytesAvailable(), 7u);
    port.discardBuffers();
    EXPECT_EQ(port.bytesAvailable(), 0u);
}

TEST(SimPort, PacedRepliesTakeTenBitTimesPerByteAtTheCurrentBaud) {
    EXPECT_EQ(wireTime(1, 9600), 2);     // 1.04 ms
    EXPECT_EQ(wireTime(66, 9600), 69);   // 68.75 ms
    EXPECT_EQ(wireTime(66, 115200), 6);  // 5.73 ms
    EXPECT_EQ(wireTime(894, 115200), 78);

    Link l;
    l.port.setPacing(true);
    ASSERT_TRUE(l.port.open(SimPort::kDefaultDevice));
    l.port.write(bytesOf("V"));  // 9600: request 2 ms, latency 1 ms, 11 bytes 11.46 ms
    l.clock.advance(100);
    ASSERT_FALSE(l.events.empty());
    EXPECT_EQ(l.events.front().first, 3 + 2);  // first byte complete after 1.04 ms
    EXPECT_EQ(l.events.back().first, 3 + 12);
    EXPECT_EQ(l.received.size(), 11u);

    l.events.clear();
    l.received.clear();
    l.port.write(bytesOf("G"));
    l.port.setBaud(kFastBaud);
    l.port.write(bytesOf("*"));  // 115200: request 1 ms, latency 1 ms, 66 bytes in 6 ms
    const Millis sent = l.clock.now();
    l.clock.advance(100);
    EXPECT_EQ(l.received.size(), 66u);
    EXPECT_EQ(l.events.back().first - sent, 1 + 1 + 6);
    EXPECT_GE(l.events.size(), 5u) << "bytes arrive spread over the wire time";
}

// The pseudo-terminal plans in microseconds: a block reply at the fast speed must keep its
// 1.91 ms, not grow to whole milliseconds per byte group, while still arriving in groups.
TEST(SimPort, MicrosecondPlansKeepTheExactWireTime) {
    EXPECT_EQ(wireTime(1, 9600, 1000), 1042);   // 1041.67 us
    EXPECT_EQ(wireTime(6, 115200, 1000), 521);  // 520.83 us
    EXPECT_EQ(wireTime(22, 115200, 1000), 1910);

    using Plan = std::vector<std::pair<std::int64_t, std::size_t>>;  // (at, bytes) per group
    struct Case {
        const char* what;
        Transmission t;
        bool paced;
        Plan groups;
        std::int64_t end;
    };
    const Bytes b22(22, 0x5A);
    const std::vector<Case> cases{
        {"paced, grouped by millisecond, each group at its last byte",
         {b22, kFastBaud, 0, 1, 0}, true, {{955, 11}, {1910, 11}}, 1910},
        {"delay and gaps in whole ms, wire time exact",
         {b22, kFastBaud, 3, 2, 5}, true, {{3955, 11}, {9910, 11}}, 9910},
        {"unpaced: whole pieces at once", {b22, kFastBaud, 3, 2, 5}, false, {{3000, 11}, {8000, 11}},
         8000},
    };
    for (const auto& c : cases) {
        const ChunkPlan plan = planChunks(c.t, c.paced, 1000);
        Plan got;
        for (const auto& chunk : plan.chunks) got.push_back({chunk.at, chunk.bytes.size()});
        EXPECT_EQ(got, c.groups) << c.what;
        EXPECT_EQ(plan.end, c.end) << c.what;
    }
    // The same reply planned in milliseconds, as the in-process port does, is unchanged.
    const ChunkPlan ms = planChunks({b22, kFastBaud, 0, 1, 0}, true);
    ASSERT_EQ(ms.chunks.size(), 2u);
    EXPECT_EQ(ms.chunks.back().at, 2);
    EXPECT_EQ(ms.end, 2);
}

TEST(SimPort, FaultsPerLetterAndOccurrence) {
    struct Case {
        const char* line;
        // what the tool sees of the three 'Z' replies: arrival (time after request, size)
        std::vector<std::pair<Millis, std::size_t>> third;
        bool thirdIntact;
    };
    const std::vector<Case> cases{
        {"Z 3 noreply", {}, false},          {"Z 3 badsum", {{1, 6}}, false},
        {"Z 3 badfirst", {{1, 6}}, false},   {"Z 3 chunks 3 20", {{1, 2}, {21, 2}, {41, 2}}, true},
        {"Z 3 delay 600", {{601, 6}}, true}, {"Z 3 extra 2", {{1, 8}}, false},
    };
    const Bytes z = req(Bytes{'Z', 0, 7, 0, 2});
    for (const auto& c : cases) {
        Link l;
        std::string err;
        auto f = FaultPlan::parseLine(c.line, err);
        ASSERT_TRUE(f.has_value()) << c.line << ": " << err;
        l.module.faults().add(*f);
        l.module.setWord(7, 0x0102);
        l.module.setWord(8, 0x0304);
        l.goFast();
        const Bytes good{'Z', 1, 2, 3, 4, static_cast<Byte>('Z' + 10)};
        for (int i = 0; i < 2; ++i) {
            l.port.write(z);
            l.clock.advance(1000);
        }
        Bytes twice = good;
        twice.insert(twice.end(), good.begin(), good.end());
        EXPECT_EQ(l.received, twice) << c.line;
        l.events.clear();
        l.received.clear();
        const Millis sent = l.clock.now();
        l.port.write(z);
        l.clock.advance(1000);
        std::vector<std::pair<Millis, std::size_t>> seen;
        for (auto [at, n] : l.events) seen.push_back({at - sent, n});
        EXPECT_EQ(seen, c.third) << c.line;
        EXPECT_EQ(l.received == good, c.thirdIntact) << c.line;
        if (std::string(c.line) == "Z 3 badfirst") {
            EXPECT_EQ(l.received, (Bytes{'x', 1, 2, 3, 4, good[5]}));
        }
        if (std::string(c.line) == "Z 3 extra 2") {
            EXPECT_EQ(l.received, (Bytes{'Z', 1, 2, 3, 4, good[5], 0, 0}));
        }
        if (std::string(c.line) == "Z 3 badsum") {
            EXPECT_EQ(l.received, (Bytes{'Z', 1, 2, 3, 4, static_cast<Byte>(good[5] + 1)}));
        }
        // The fourth is answered normally again.
        l.received.clear();
        l.port.write(z);
        l.clock.advance(1000);
        EXPECT_EQ(l.received, good) << c.line;
    }
}

TEST(SimPort, SilenceAndDisconnectLastFromTheirRequestOn) {
    {
        Link l;
        l.module.faults().add({'*', 2, 2, Fault::Kind::Silence});
        l.goFast();
        for (const char* r : {"*", "*", "S", "*"}) {
            EXPECT_TRUE(l.port.write(bytesOf(r)));
            l.clock.advance(600);
        }
        EXPECT_EQ(l.received.size(), 66u) << "only the first live data answered";
    }
    {
        Link l;
        l.module.faults().add({'*', 2, 2, Fault::Kind::Disconnect});
        l.goFast();
        EXPECT_TRUE(l.port.write(bytesOf("*")));
        EXPECT_TRUE(l.port.write(bytesOf("*")));
        l.clock.advance(600);
        EXPECT_EQ(l.received.size(), 0u) << "answers on the way are lost with the device";
        EXPECT_FALSE(l.port.write(bytesOf("*")));
        EXPECT_EQ(l.port.lastError(), port_error::kDisconnected);
        Bytes b;
        EXPECT_FALSE(l.port.read(1, b));
        l.port.close();
        EXPECT_FALSE(l.port.open(SimPort::kDefaultDevice));
        l.module.reconnect();
        ASSERT_TRUE(l.port.open(SimPort::kDefaultDevice));
        l.port.setBaud(kPowerUpBaud);
        EXPECT_TRUE(l.port.write(bytesOf("V")));
        l.clock.advance(10);
        EXPECT_EQ(l.received.size(), 11u) << "back at the power-up speed";
    }
}

TEST(SimPort, WriteAndReadFailuresAreReported) {
    Link l;
    l.goFast();
    l.port.setWriteFails(true);
    EXPECT_FALSE(l.port.write(bytesOf("*")));
    EXPECT_EQ(l.port.lastError(), port_error::kWriteFailed);
    ASSERT_EQ(l.port.writes().size(), 1u);
    EXPECT_FALSE(l.port.writes()[0].ok);
    l.clock.advance(100);
    EXPECT_TRUE(l.events.empty()) << "a failed write reaches nobody";
    l.port.setWriteFails(false);
    l.port.setReadFails(true);
    l.port.setOnBytesArrived([&](std::size_t n) {
        Bytes b;
        EXPECT_FALSE(l.port.read(n, b));
        EXPECT_EQ(l.port.lastError(), port_error::kReadFailed);
        l.events.push_back({l.clock.now(), n});
    });
    EXPECT_TRUE(l.port.write(bytesOf("*")));
    l.clock.advance(100);
    EXPECT_EQ(l.events.size(), 1u);
}

TEST(SimPort, ClosingOrChangingSpeedSpoilsAnswersStillOnTheWay) {
    Link l;
    l.goFast();
    l.module.faults().add({'S', 1, 1, Fault::Kind::Delay, 0, 50});
    l.module.faults().add({'S', 2, 2, Fault::Kind::Delay, 0, 50});
    l.port.write(bytesOf("S"));
    l.port.close();
    ASSERT_TRUE(l.port.open(SimPort::kDefaultDevice));
    l.clock.advance(100);
    EXPECT_TRUE(l.events.empty());
    l.port.write(bytesOf("S"));
    l.port.setBaud(kPowerUpBaud);
    l.clock.advance(100);
    EXPECT_EQ(l.received, Bytes(8, kGarbageByte));
}

TEST(SimPort, ToolAtTheWrongSpeedReadsGarbage) {
    Link l;
    ASSERT_TRUE(l.port.open(SimPort::kDefaultDevice));
    l.port.setBaud(kFastBaud);
    l.port.write(bytesOf("S"));
    l.clock.advance(10);
    EXPECT_EQ(l.received, Bytes{kGarbageByte});
}

TEST(FaultPlan, ParsesScriptLines) {
    struct Case {
        const char* line;
        char letter;
        int first, last;
        Fault::Kind kind;
        int count;
        Millis gap;
        Byte value;
    };
    const std::vector<Case> cases{
        {"Z 3 badsum", 'Z', 3, 3, Fault::Kind::BadChecksum, 0, 0, 0},
        {"* 5 chunks 3 20", '*', 5, 5, Fault::Kind::Chunks, 3, 20, 0},
        {"* 10 silence", '*', 10, 10, Fault::Kind::Silence, 0, 0, 0},
        {"  S 2-4 noreply  ", 'S', 2, 4, Fault::Kind::NoReply, 0, 0, 0},
        {"E 7+ delay 700", 'E', 7, Fault::kEvery, Fault::Kind::Delay, 0, 700, 0},
        {"V every badfirst N", 'V', 1, Fault::kEvery, Fault::Kind::BadFirstByte, 0, 0, 'N'},
        {"V 1 badfirst 0x0B", 'V', 1, 1, Fault::Kind::BadFirstByte, 0, 0, 0x0B},
        {"q 1 badfirst", 'q', 1, 1, Fault::Kind::BadFirstByte, 0, 0, 'x'},
        {"Z 1 extra 3 255", 'Z', 1, 1, Fault::Kind::Extra, 3, 0, 255},
        {"a 2 disconnect", 'a', 2, 2, Fault::Kind::Disconnect, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::string err;
        auto f = FaultPlan::parseLine(c.line, err);
        ASSERT_TRUE(f.has_value()) << c.line << ": " << err;
        EXPECT_EQ(f->letter, c.letter) << c.line;
        EXPECT_EQ(f->first, c.first) << c.line;
        EXPECT_EQ(f->last, c.last) << c.line;
        EXPECT_EQ(f->kind, c.kind) << c.line;
        EXPECT_EQ(f->count, c.count) << c.line;
        EXPECT_EQ(f->gap, c.gap) << c.line;
        EXPECT_EQ(f->value, c.value) << c.line;
    }
    for (const char* bad :
         {"Z", "Z 0 badsum", "Z x badsum", "ZZ 1 badsum", "Z 1 explode", "Z 1 chunks 3",
          "Z 1 delay -5", "Z 1 badfirst 300", "Z 4-2 noreply", "Z 1 noreply 5"}) {
        std::string err;
        EXPECT_FALSE(FaultPlan::parseLine(bad, err).has_value()) << bad;
        EXPECT_FALSE(err.empty()) << bad;
    }
    FaultPlan plan;
    std::string err;
    EXPECT_TRUE(plan.parseScript("# comment\n\nZ 3 badsum\n* every delay 5\n", err)) << err;
    EXPECT_EQ(plan.matching('Z', 3).size(), 1u);
    EXPECT_EQ(plan.matching('Z', 2).size(), 0u);
    EXPECT_EQ(plan.matching('*', 99).size(), 1u);
    EXPECT_FALSE(plan.parseScript("Z 3 badsum\nZ 3 bad\n", err));
    EXPECT_EQ(err.rfind("line 2:", 0), 0u) << err;
}

}  // namespace
}  // namespace qor::sim
