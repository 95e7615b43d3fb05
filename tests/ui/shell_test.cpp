#include "ui/Shell.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "core/platform/VirtualScheduler.h"
#include "sim/SimModule.h"
#include "sim/SimPort.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Widgets.h"

using namespace qor;
using namespace qor::ui;
using qor::test::child;

namespace {

struct NoDocuments : DocumentOpener {
    bool open(const std::string&) override { return false; }
};
struct FixedPorts : PortLister {
    std::vector<std::string> availablePorts() const override { return {"ttyS0", "ttyUSB0"}; }
};
// Answers the open and save dialogs with a fixed file name (none: cancelled).
struct ScriptedFileDialogs : FileDialogs {
    std::optional<std::string> answer;
    int asked = 0;
    std::optional<std::string> getSaveFileName(const FileDialogSpec&) override {
        ++asked;
        return answer;
    }
    std::optional<std::string> getOpenFileName(const FileDialogSpec&) override {
        ++asked;
        return answer;
    }
};

// The platform pieces a Shell is built on: the simulated module in virtual time, scripted
// dialogs and a temporary program folder.
struct ShellDoubles {
    VirtualScheduler clock;
    sim::SimModule module;
    sim::SimPort port{clock, module};
    test::ScriptedDialogs dialogs;
    NoDocuments opener;
    FixedPorts ports;
    ScriptedFileDialogs fileDialogs;
    DiskFileStore files;
    QTemporaryDir dir;

    std::unique_ptr<Shell> makeShell(std::vector<std::string> args) {
        return std::make_unique<Shell>(
            Shell::Platform{clock, port, dialogs, opener, ports, fileDialogs, files},
            std::move(args), dir.path().toStdString() + "/");
    }
};

// The windows bound to the real core, talking to the simulated module in virtual time.
struct ShellTest : ::testing::Test, ShellDoubles {
    std::unique_ptr<Shell> shell;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        shell = makeShell({"qor-etc", "-O"});
        shell->tool().overridePort(sim::SimPort::kDefaultDevice);
        shell->runSplash();  // "-O": none
        shell->showMain();
    }
    MainWindow& w() { return shell->mainWindow(); }
    const Presentation& view() { return shell->tool().view(); }
    template <class T = QWidget>
    T* get(const QString& name) {
        return child<T>(&w(), name);
    }

    // Every value label, LED and the dashboard look as the core's presentation has them.
    void expectWindowShowsView() {
        const auto& d = view().dashboard;
        const auto& m = view().main;
        EXPECT_EQ(w().windowTitle().toStdString(), m.caption);
        auto* dash = get<GradientPanel>("Panel_dashbord");
        EXPECT_EQ(dash->gradientStart(),
                  m.dashboardOnlineLook ? QColor(228, 231, 233) : QColor(255, 66, 66));
        for (std::size_t i = 0; i < d.values.size(); ++i) {
            const QString name = QString::fromUtf8(DashboardView::kValueNames[i]);
            auto* label = get<QLabel>("Label_" + name + "_waarde");
            EXPECT_EQ(label->text().toStdString(), d.values[i]) << name.toStdString();
            EXPECT_EQ(label->isEnabled(), d.active);
            EXPECT_EQ(label->palette().color(QPalette::WindowText),
                      QColor(d.valueColor.r, d.valueColor.g, d.valueColor.b));
            EXPECT_EQ(get("Panel_" + name)->isHidden(), !m.liveValuePanelsVisible);
        }
        for (std::size_t i = 0; i < d.leds.size(); ++i) {
            const Rgb c = LedColor(d.leds[i]);
            EXPECT_EQ(get<Led>(DashboardView::kLedNames[i])->color(), QColor(c.r, c.g, c.b))
                << DashboardView::kLedNames[i];
        }
        EXPECT_EQ(get("Label_Panel_dashboard_offline2_2")->isHidden(), !m.offlineHintsVisible);
        EXPECT_EQ(get("Panel_power_to_system_was_interrupted")->isHidden(),
                  !m.powerInterruptedPanelVisible);
        EXPECT_EQ(get<QLabel>("Label_comm_errors")->text().toStdString(), m.commErrorsCaption);
        EXPECT_EQ(shell->errorsWindow().isVisible(), view().errors.visible);
        EXPECT_EQ(get("GroupBox_gauge_up_down_loading")->isHidden(), !m.progressVisible);
        auto* limit = get<QTableWidget>("AdvStringGrid_Throttle_limit");
        auto* idle = get<QTableWidget>("AdvStringGrid_openloop_idle");
        for (int c = 0; c < 21; ++c) {
            EXPECT_EQ(limit->horizontalHeaderItem(c)->text().toStdString(),
                      m.throttleLimitHeaders[static_cast<std::size_t>(c)]);
            EXPECT_EQ(idle->horizontalHeaderItem(c)->text().toStdString(),
                      m.openLoopIdleHeaders[static_cast<std::size_t>(c)]);
        }
    }
};

TEST_F(ShellTest, OnlineFrameFromTheModuleReachesTheWindows) {
    module.setLiveWord(sim::live::EngineSpeed, 123);                 // 1230 rpm
    module.setLiveWord(sim::live::Battery, 18);                      // 12.5 V
    module.setLiveWord(sim::live::StatusBits, (1u << 11) | 0x0101);  // power panel, two LEDs
    module.setLiveWord(sim::live::ErrorWord3, 0x0002);               // "5V short circuit"
    ASSERT_TRUE(clock.runUntil([&] { return view().dashboard.values[0] == "1230"; }, 20000))
        << "no live data; texts shown: " << dialogs.texts().size();
    clock.advance(300);
    QApplication::processEvents();

    EXPECT_TRUE(shell->tool().state().LinkOnline);
    // The module's level 4 means a whole upload first; its RPM range heads the limit table.
    EXPECT_EQ(shell->tool().state().UploadStep, kUploadDone);
    EXPECT_FALSE(view().main.progressVisible);
    EXPECT_EQ(view().main.throttleLimitHeaders[0],
              std::to_string(static_cast<int>(shell->parameters().get("RPM_Range_Row1"))));
    expectWindowShowsView();
    EXPECT_EQ(get<QLabel>("Label_enginespeed_waarde")->text(), "1230");
    EXPECT_EQ(get<QLabel>("Label_Battery_Voltage_waarde")->text(), "12.5");
    EXPECT_EQ(get<Led>("Panel_Digital_input_1")->color(), QColor(0, 0xFF, 0));
    EXPECT_EQ(get<Led>("Panel_ALS_Led")->color(), QColor(0, 0xFF, 0));
    EXPECT_EQ(get<Led>("Panel_Airco_Led")->color(), QColor(0, 0, 0));
    EXPECT_TRUE(get("Panel_power_to_system_was_interrupted")->isVisible());
    EXPECT_TRUE(shell->errorsWindow().isVisible());
    EXPECT_TRUE(child(&shell->errorsWindow(), "Label_Error_message_17")->isVisible());

    // "Clear message" hides the window; the module still reports, so the next frame brings
    // it back.
    QTest::mouseClick(child(&shell->errorsWindow(), "Button_clear_message"), Qt::LeftButton);
    EXPECT_FALSE(shell->errorsWindow().isVisible());
    clock.advance(300);
    EXPECT_TRUE(shell->errorsWindow().isVisible());

    // F10 takes the tool offline, whatever has the focus (here the power panel's upload
    // button, which the panel took when it came up).
    QApplication::setActiveWindow(&w());
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "SpeedButton_Upload_2");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    clock.advance(1000);
    EXPECT_FALSE(shell->tool().state().LinkOnline);
    expectWindowShowsView();
    EXPECT_EQ(get<QLabel>("Label_enginespeed_waarde")->text(), "0");
    EXPECT_EQ(get<GradientPanel>("Panel_dashbord")->gradientEnd(), QColor(255, 0, 0));
}

TEST_F(ShellTest, SilentModuleLeavesTheToolOfflineAndRendered) {
    port.setAvailable(false);  // cable unplugged
    clock.advance(10000);
    QApplication::processEvents();
    EXPECT_FALSE(shell->tool().state().LinkOnline);
    expectWindowShowsView();
    EXPECT_FALSE(get("Label_Panel_dashboard_offline3_2")->isHidden());
}

// Save file and Open file from the toolbar go through the core's file commands; opening a
// file leaves the tool offline with the menu in its after-opening variant.
TEST_F(ShellTest, SaveAndOpenAParameterFile) {
    ASSERT_TRUE(clock.runUntil([&] { return view().main.saveFileEnabled; }, 20000));
    const std::string path = dir.filePath("set1.e00").toStdString();
    fileDialogs.answer = path;
    QTest::mouseClick(get("SpeedButton_savefile"), Qt::LeftButton);
    EXPECT_EQ(fileDialogs.asked, 1);
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(path))) << dialogs.texts().size();
    EXPECT_EQ(QFileInfo(QString::fromStdString(path)).size(), 1031 * 2);
    clock.advance(500);

    QTest::mouseClick(get("SpeedButton_openfile"), Qt::LeftButton);
    EXPECT_EQ(fileDialogs.asked, 2);
    clock.advance(500);
    QApplication::processEvents();
    EXPECT_EQ(view().main.menu, MenuVariant::AfterOpenFile);
    EXPECT_TRUE(get("GroupBox_up_download_menu")->isVisible());
    EXPECT_TRUE(get("Label_program_is_text")->isVisible());
    EXPECT_TRUE(get("Button_stay_offline")->isVisible());
    EXPECT_FALSE(get("Button_cancel_Up_download_menu")->isVisible());
    EXPECT_FALSE(get("SpeedButton_openfile")->isEnabled());
    expectWindowShowsView();

    // Stay Offline: the file commands come back and the dashboard is red.
    QTest::mouseClick(get("Button_stay_offline"), Qt::LeftButton);
    EXPECT_TRUE(get("SpeedButton_openfile")->isEnabled());
    EXPECT_TRUE(get("SpeedButton_savefile")->isEnabled());
    EXPECT_FALSE(get("GroupBox_up_download_menu")->isVisible());
    EXPECT_EQ(get<GradientPanel>("Panel_dashbord")->gradientEnd(), QColor(255, 0, 0));
}

TEST_F(ShellTest, CommStatusLabelOpensThePortPage) {
    QTest::mouseClick(get("Label_comm_errors"), Qt::LeftButton);
    auto& settings = shell->settingsWindow();
    ASSERT_TRUE(settings.isVisible());
    auto* list = child<QComboBox>(&settings, "ComComboBox_set_communicationport");
    // The port in use is offered although the system does not list it.
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    EXPECT_EQ(items, QStringList({"ttyS0", "ttyUSB0", sim::SimPort::kDefaultDevice}));
    EXPECT_EQ(list->currentText(), sim::SimPort::kDefaultDevice);
    QTest::mouseClick(child(&settings, "Button_Cancel_set_communicationport"), Qt::LeftButton);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_FALSE(view().portPage.visible);

    // Save with a new pick stores it.
    QTest::mouseClick(get("Label_comm_errors"), Qt::LeftButton);
    list->setCurrentIndex(1);
    QTest::mouseClick(child(&settings, "Button_Save_set_communicationport"), Qt::LeftButton);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(shell->tool().state().PortName, "ttyUSB0");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("com.ini")));
}

}  // namespace

namespace {

// Without "-O" the splash comes first; its credit click goes through the core, and OK ends it.
TEST(ShellSplash, CreditClickAndOkGoThroughTheCore) {
    ShellDoubles doubles;
    auto owned = doubles.makeShell({"qor-etc", "-o"});
    Shell& shell = *owned;
    ASSERT_TRUE(shell.tool().view().splash.visible);
    QColor creditSeen;
    bool clicked = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* splash = qobject_cast<SplashWindow*>(QApplication::activeModalWidget());
        if (!splash || clicked) return;
        clicked = true;
        auto* credit = child<QLabel>(splash, "Label_Velmarin_logo");
        QTest::mouseClick(credit, Qt::LeftButton);
        creditSeen = credit->palette().color(QPalette::WindowText);
        QTest::mouseClick(child(splash, "OKBtn"), Qt::LeftButton);
    });
    poll.start();
    shell.runSplash();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(creditSeen, QColor(0, 0, 0));
    EXPECT_EQ(shell.tool().view().splash.creditColor, colors::Black);
    EXPECT_FALSE(shell.tool().view().splash.visible);
    shell.showMain();
    EXPECT_TRUE(shell.mainWindow().isVisible());
}

}  // namespace

namespace {

// Live values follow the user's decimal separator.
struct ShellGermanLocaleTest : ShellTest {
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ShellTest::SetUp();
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(ShellGermanLocaleTest, ValuesUseTheLocalesSeparator) {
    module.setLiveWord(sim::live::Battery, 18);  // 12.5 V
    ASSERT_TRUE(clock.runUntil([&] { return view().dashboard.active; }, 20000));
    clock.advance(300);
    EXPECT_EQ(get<QLabel>("Label_Battery_Voltage_waarde")->text(), "12,5");
}

}  // namespace
