// Runs the qor-etc-sim program and talks to it through its pseudo-terminal, as the tool does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/platform/Bytes.h"
#include "sim/SimProcess.h"


namespace qor {
namespace {

namespace fs = std::filesystem;

// The simulator program, quiet on stderr.
struct SimProcess : sim::SimProcess {
    explicit SimProcess(const std::vector<std::string>& args)
        : sim::SimProcess(std::string(QOR_BIN_DIR) + "/qor-etc-sim", args, true) {}
    std::string firstLine() const { return device(); }
};

struct Tty {
    int fd = -1;
    explicit Tty(const std::string& path) {
        fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (fd >= 0 && tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
        speed(B9600);
    }
    ~Tty() {
        if (fd >= 0) close(fd);
    }
    void speed(speed_t s) {
        termios t{};
        tcgetattr(fd, &t);
        cfsetispeed(&t, s);
        cfsetospeed(&t, s);
        tcsetattr(fd, TCSANOW, &t);
    }
    void send(const Bytes& b) {
        ASSERT_EQ(write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    // Reads until n bytes have come or 2 s have passed.
    Bytes receive(std::size_t n) {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (got.size() < n && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                Byte buf[256];
                const ssize_t r = read(fd, buf, sizeof buf);
                if (r > 0) got.insert(got.end(), buf, buf + r);
            }
        }
        return got;
    }
};

TEST(SimProgram, ServesThePseudoTerminalWithImageFaultsLiveValuesAndLog) {
    const fs::path dir = fs::temp_directory_path() / ("qor_sim_pty_" + std::to_string(getpid()));
    fs::create_directories(dir);
    // A parameter file: version "1EA1AA1AA" in records 0..5, word 22 = 0x1234.
    {
        std::vector<std::uint16_t> rec(1031, 0);
        const std::string v = "1EA1AA1AA";
        for (std::size_t i = 0; i < v.size(); ++i)
            rec[i / 2] |=
                static_cast<std::uint16_t>(static_cast<unsigned char>(v[i]) << (i % 2 ? 0 : 8));
        rec[6 + 22] = 0x1234;
        std::ofstream f(dir / "p.e00", std::ios::binary);
        for (auto w : rec) f.put(static_cast<char>(w & 0xFF)).put(static_cast<char>(w >> 8));
    }
    std::ofstream(dir / "faults.txt") << "# the first serial number answer is spoilt\nS 1 badsum\n";
    SimProcess sim({"--image", (dir / "p.e00").string(), "--faults", (dir / "faults.txt").string(),
                    "--set", "Status_bits=0x0800", "--serial", "654321", "--log",
                    (dir / "log.txt").string()});
    const std::string path = sim.firstLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
    {
        Tty tty(path);
        tty.send(bytesOf("V"));
        Bytes v = tty.receive(11);
        EXPECT_EQ(textOf(v).substr(0, 10), "V1EA1AA1AA") << "version from the file header";
        tty.send(bytesOf("G"));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        tty.speed(B115200);
        tty.send(bytesOf("S"));
        EXPECT_EQ(tty.receive(8), (Bytes{'S', '6', '5', '4', '3', '2', '1', 0x89}))
            << "checksum 0x88 + 1";
        tty.send(bytesOf("S"));
        EXPECT_EQ(tty.receive(8), (Bytes{'S', '6', '5', '4', '3', '2', '1', 0x88}));
        tty.send(Bytes{'Z', 0, 22, 0, 1, 'Z' + 22 + 1});
        EXPECT_EQ(tty.receive(4), (Bytes{'Z', 0x12, 0x34, 'Z' + 0x12 + 0x34}));
        tty.send(bytesOf("*"));
        const Bytes live = tty.receive(66);
        ASSERT_EQ(live.size(), 66u);
        EXPECT_EQ(live[43], 0x08);
        EXPECT_EQ(live[44], 0x00);
        // At the wrong speed the tool reads noise.
        tty.speed(B9600);
        tty.send(bytesOf("S"));
        EXPECT_EQ(tty.receive(1), Bytes{0x00});
    }
    {
        // The tool closed the port; the program keeps serving and a new identification works.
        Tty tty(path);
        tty.send(bytesOf("V"));
        EXPECT_EQ(tty.receive(11).size(), 11u);
    }
    EXPECT_EQ(sim.stop(SIGTERM), 0);
    std::ifstream logIn(dir / "log.txt");
    std::stringstream log;
    log << logIn.rdbuf();
    EXPECT_NE(log.str().find(" 9600 rx 56\n"), std::string::npos) << log.str();
    EXPECT_NE(log.str().find(" 115200 tx 5A 12 34 A0\n"), std::string::npos) << log.str();
    fs::remove_all(dir);
}

TEST(SimProgram, RefusesBadOptionsAndExitsOnInterrupt) {
    for (std::vector<std::string> bad : {std::vector<std::string>{"--set", "nosuch=1"},
                                         {"--image", "/nonexistent.e00"},
                                         {"--bogus"}}) {
        SimProcess sim(bad);
        EXPECT_EQ(sim.firstLine(), "") << bad[0];
        EXPECT_EQ(sim.stop(0), 2) << bad[0];
    }
    SimProcess sim({});
    EXPECT_EQ(sim.firstLine().rfind("/dev/", 0), 0u);
    EXPECT_EQ(sim.stop(SIGINT), 0);
}

}  // namespace
}  // namespace qor
