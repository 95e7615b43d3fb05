#include <csignal>

#include "UiTestSupport.h"
#include "ui/CommandLine.h"
#include "ui/DemoLauncher.h"

using namespace qor::ui;

namespace {

TEST(CommandLine, OwnSwitchesAndTheCoresArguments) {
    struct Case {
        std::vector<std::string> args;
        bool demo;
        std::optional<std::string> port;
        std::optional<std::string> screenshot;
        double after;
        bool exitWhenOffline;
        std::vector<std::string> core;
        bool error;
    };
    const Case cases[] = {
        {{}, false, {}, {}, 5.0, false, {}, false},
        {{"-2", "-O"}, false, {}, {}, 5.0, false, {"-2", "-O"}, false},
        {{"--demo", "-O"}, true, {}, {}, 5.0, false, {"-O"}, false},
        {{"-O", "--port", "/dev/pts/4", "-3"},
         false,
         "/dev/pts/4",
         {},
         5.0,
         false,
         {"-O", "-3"},
         false},
        {{"--screenshot", "shot.png", "--after", "2.5", "--exit-when-offline"},
         false,
         {},
         "shot.png",
         2.5,
         true,
         {},
         false},
        {{"--port"}, false, {}, {}, 5.0, false, {}, true},
        {{"--after", "soon"}, false, {}, {}, 5.0, false, {}, true},
        {{"-o"}, false, {}, {}, 5.0, false, {"-o"}, false},  // the core decides what -o means
    };
    for (const auto& c : cases) {
        const CommandLine cl = CommandLine::parse(c.args);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args[0]);
        EXPECT_EQ(!cl.error.empty(), c.error) << cl.error;
        if (c.error) continue;
        EXPECT_EQ(cl.demo, c.demo);
        EXPECT_EQ(cl.port, c.port);
        EXPECT_EQ(cl.screenshot, c.screenshot);
        EXPECT_DOUBLE_EQ(cl.screenshotAfterSeconds, c.after);
        EXPECT_EQ(cl.exitWhenOffline, c.exitWhenOffline);
        EXPECT_EQ(cl.coreArgs, c.core);
    }
}

TEST(DemoLauncher, ReadsTheDeviceFromTheFirstLineAndStopsTheChild) {
    DemoLauncher launcher;
    const QString path = launcher.start(
        "/bin/sh", {"-c", "echo /dev/pts/42; echo second line; exec sleep 30"}, 5000);
    ASSERT_EQ(path, "/dev/pts/42") << launcher.error().toStdString();
    ASSERT_TRUE(launcher.running());
    const qint64 pid = launcher.processId();
    launcher.stop();
    EXPECT_FALSE(launcher.running());
    EXPECT_NE(::kill(static_cast<pid_t>(pid), 0), 0);  // gone
}

TEST(DemoLauncher, FailuresAreReported) {
    struct Case {
        QString program;
        QStringList args;
    };
    const Case cases[] = {
        {"/nonexistent/qor-etc-sim", {}},
        {"/bin/sh", {"-c", "exit 3"}},         // ends without naming a device
        {"/bin/sh", {"-c", "exec sleep 30"}},  // names nothing in time
    };
    for (const auto& c : cases) {
        DemoLauncher launcher;
        EXPECT_TRUE(launcher.start(c.program, c.args, 500).isEmpty());
        EXPECT_FALSE(launcher.error().isEmpty());
        EXPECT_FALSE(launcher.running());
    }
}

TEST(DemoLauncher, SimulatorSitsBesideTheProgram) {
    EXPECT_EQ(DemoLauncher::simulatorPath("/opt/qor/bin"), "/opt/qor/bin/qor-etc-sim");
}

}  // namespace
