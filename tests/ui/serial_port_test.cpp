#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QSerialPortInfo>
#include <cstdlib>

#include "UiTestSupport.h"
#include "ui/DemoLauncher.h"
#include "ui/QtSerialPort.h"

using namespace qor;
using namespace qor::ui;
using qor::test::spin;
using qor::test::waitFor;

namespace {

// A pseudo-terminal whose master side the test holds: the far end of the link.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = ptsname(master);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void send(const std::string& s) {
        ASSERT_EQ(::write(master, s.data(), s.size()), ssize_t(s.size()));
    }
    std::string receive(int ms) {
        std::string got;
        waitFor(
            [&] {
                char buf[256];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
                return !got.empty();
            },
            ms);
        return got;
    }
    speed_t speed() const {
        termios t{};
        tcgetattr(master, &t);
        return cfgetospeed(&t);
    }
};

TEST(QtSerialPort, DeviceNames) {
    struct Case {
        const char* given;
        const char* opened;
    };
    const Case cases[] = {{"ttyUSB0", "/dev/ttyUSB0"},
                          {"/dev/pts/3", "/dev/pts/3"},
                          {"/tmp/qor-sim-link", "/tmp/qor-sim-link"},
                          {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(QtSerialPort::devicePath(c.given), c.opened) << c.given;
}

TEST(QtSerialPort, CarriesBytesBothWaysAtTheChosenSpeed) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    QtSerialPort port;
    std::vector<std::size_t> arrived;
    port.setOnBytesArrived([&](std::size_t n) { arrived.push_back(n); });
    ASSERT_TRUE(port.open(pty.slave)) << port.lastError();  // DTR/RTS refusals are harmless
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.name(), pty.slave);
    EXPECT_TRUE(port.lastError().empty()) << port.lastError();
    EXPECT_EQ(pty.speed(), B9600);
    ASSERT_TRUE(port.setBaud(115200));
    EXPECT_EQ(pty.speed(), B115200);

    ASSERT_TRUE(port.write(bytesOf("V")));
    EXPECT_EQ(pty.receive(1000), "V");

    pty.send("1EA1AB1AA");
    ASSERT_TRUE(waitFor([&] { return port.bytesAvailable() >= 9; }, 2000));
    ASSERT_FALSE(arrived.empty());
    EXPECT_GE(arrived.back(), 1u);
    Bytes got;
    ASSERT_TRUE(port.read(4, got));
    EXPECT_EQ(textOf(got), "1EA1");
    ASSERT_TRUE(port.read(100, got));
    EXPECT_EQ(textOf(got), "AB1AA");

    pty.send("garbage");
    ASSERT_TRUE(waitFor([&] { return port.bytesAvailable() > 0; }, 2000));
    port.discardBuffers();
    EXPECT_EQ(port.bytesAvailable(), 0u);

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write(bytesOf("*")));
    EXPECT_FALSE(port.read(1, got));
}

// A reply already waiting when the tool writes is reported after the write, never inside it.
TEST(QtSerialPort, ArrivalsDuringAWriteAreReportedAfterIt) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    QtSerialPort port;
    bool inWrite = false;
    int insideWrite = 0;
    std::size_t reported = 0;
    port.setOnBytesArrived([&](std::size_t n) {
        if (inWrite) ++insideWrite;
        reported = n;
    });
    ASSERT_TRUE(port.open(pty.slave)) << port.lastError();
    for (int round = 0; round < 20; ++round) {
        reported = 0;
        pty.send("Y");  // waiting in the driver, not yet seen by the event loop
        inWrite = true;
        const std::string big(512, '*');  // long enough for Qt to wait for the device
        EXPECT_TRUE(port.write(bytesOf(big)));
        inWrite = false;
        ASSERT_TRUE(waitFor([&] { return reported > 0; }, 1000)) << "round " << round;
        Bytes got;
        ASSERT_TRUE(port.read(100, got));
        pty.receive(200);
    }
    EXPECT_EQ(insideWrite, 0);
}

// Qt 6.4 floods ReadError once the far end goes; the adapter must close once, report the
// loss once, and not crash or spin.
TEST(QtSerialPort, FarEndClosingIsOneLinkLoss) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    QtSerialPort port;
    int losses = 0;
    std::string why;
    port.setOnLinkLost([&](const std::string& w) {
        ++losses;
        why = w;
    });
    ASSERT_TRUE(port.open(pty.slave)) << port.lastError();
    pty.closeMaster();
    // The loss shows up on reading, or at the latest on the next write.
    if (!waitFor([&] { return losses > 0; }, 1000)) {
        port.write(bytesOf("*"));  // a write towards a vanished far end fails
        waitFor([&] { return losses > 0; }, 2000);
    }
    EXPECT_EQ(losses, 1);
    EXPECT_NE(why.find("Link lost on " + pty.slave), std::string::npos) << why;
    spin(300);
    EXPECT_EQ(losses, 1);
    EXPECT_LT(port.errorSignalsSinceOpen(), 1000) << "error flood";
    // The core still holds the port: it stays open for it, but nothing goes through, so
    // the core's own failure handling takes over.
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(port.write(bytesOf("*")));
    Bytes got;
    EXPECT_FALSE(port.read(1, got));
    EXPECT_EQ(port.bytesAvailable(), 0u);
    EXPECT_EQ(port.lastError(), why);
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(losses, 1);
}

TEST(QtSerialPort, OpenFailuresAreExplained) {
    QtSerialPort port;
    EXPECT_FALSE(port.open("/dev/qor-no-such-port"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(port.lastError().find("not found"), std::string::npos) << port.lastError();

    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    QtSerialPort first, second;
    ASSERT_TRUE(first.open(pty.slave)) << first.lastError();
    EXPECT_FALSE(second.open(pty.slave));
    EXPECT_NE(second.lastError().find("in use by another program"), std::string::npos)
        << second.lastError();
    first.close();
    EXPECT_TRUE(second.open(pty.slave)) << second.lastError();
}

TEST(QtPortLister, ListsNamesThePortOpens) {
    QtPortLister lister;
    const auto names = lister.availablePorts();
    const auto infos = QSerialPortInfo::availablePorts();
    ASSERT_EQ(names.size(), static_cast<std::size_t>(infos.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], infos[static_cast<qsizetype>(i)].portName().toStdString());
        EXPECT_EQ(QtSerialPort::devicePath(names[i]),
                  infos[static_cast<qsizetype>(i)].systemLocation());
    }
}

}  // namespace

namespace {

// The adapter against the simulated module on its pseudo-terminal: identification at 9600,
// live data at 115200, then the simulator goes away.
TEST(QtSerialPortWithSimulator, TalksToTheModuleAndSurvivesItsEnd) {
    DemoLauncher sim;
    const QString device = sim.start(DemoLauncher::simulatorPath(QOR_BIN_DIR));
    ASSERT_FALSE(device.isEmpty()) << sim.error().toStdString();
    QtSerialPort port;
    int losses = 0;
    port.setOnLinkLost([&](const std::string&) { ++losses; });
    ASSERT_TRUE(port.open(device.toStdString())) << port.lastError();

    auto exchange = [&](const std::string& request, std::size_t replyBytes) {
        EXPECT_TRUE(port.write(bytesOf(request))) << port.lastError();
        Bytes all, got;
        waitFor(
            [&] {
                if (port.bytesAvailable() > 0 && port.read(256, got))
                    all.insert(all.end(), got.begin(), got.end());
                return all.size() >= replyBytes;
            },
            3000);
        return all;
    };
    const Bytes version = exchange("V", 11);
    ASSERT_EQ(version.size(), 11u);
    EXPECT_EQ(textOf(Bytes(version.begin(), version.begin() + 10)), "V1EA1AB1AA");
    ASSERT_TRUE(port.write(bytesOf("G")));  // the module switches to 115200
    spin(100);
    ASSERT_TRUE(port.setBaud(115200));
    const Bytes live = exchange("*", 66);
    ASSERT_EQ(live.size(), 66u);
    EXPECT_EQ(live[0], '*');

    sim.stop();  // the far end closes
    if (!waitFor([&] { return losses > 0; }, 1000)) {
        port.write(bytesOf("*"));
        waitFor([&] { return losses > 0; }, 2000);
    }
    spin(300);
    EXPECT_EQ(losses, 1);
    EXPECT_LT(port.errorSignalsSinceOpen(), 1000) << "error flood";
    EXPECT_FALSE(port.write(bytesOf("*")));  // nothing goes through any more
    port.close();
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
