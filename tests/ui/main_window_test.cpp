#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "UiTestSupport.h"
#include "core/diagnostics/DiagnosticsTexts.h"
#include "ui/KeyPreview.h"
#include "ui/MainWindow.h"
#include "ui/UiTexts.h"
#include "ui/Widgets.h"

using namespace qor;
using namespace qor::ui;
using qor::test::child;

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// One online frame as the core leaves it after a live data frame.
Presentation onlineFrame() {
    Presentation p;
    auto& m = p.main;
    m.caption = "QOR ETC 1.03";
    m.height = 720;
    m.dashboardOnlineLook = true;
    m.liveValuePanelsVisible = true;
    m.offlineHintsVisible = false;
    m.upDownLoadButtonVisible = true;
    m.openFileEnabled = m.saveFileEnabled = m.optionsEnabled = m.upDownLoadEnabled = true;
    m.progressVisible = false;
    m.commErrorsCaption = "COM3  0 errors";
    m.userLevelCaption = "Level 4";
    for (int c = 0; c < 21; ++c) {
        m.throttleLimitHeaders[static_cast<std::size_t>(c)] = std::to_string(1000 + 500 * c);
        m.openLoopIdleHeaders[static_cast<std::size_t>(c)] = std::to_string(400 + 20 * c);
    }
    auto& d = p.dashboard;
    d.active = true;
    d.valueColor = colors::ValueActive;
    d.engineSpeedFontPt = 26;
    for (std::size_t i = 0; i < d.values.size(); ++i) d.values[i] = std::to_string(10 * i) + ".5";
    d.values[0] = "10000";
    d.leds = {2, 0, 1, 2, 0, 0, 2, 0, 0, 1, 2};
    d.digitalInputTexts = {"ALS activation", "None", "Resp. curve 2"};
    return p;
}

struct MainWindowTest : ::testing::Test {
    MainWindow w;
    void render(const Presentation& p) { w.render(p.main, p.dashboard); }
    template <class T = QWidget>
    T* get(const char* name) {
        return child<T>(&w, QString::fromUtf8(name));
    }
    template <class T = QWidget>
    T* get(const QString& name) {
        return child<T>(&w, name);
    }
};

TEST_F(MainWindowTest, OnlineFrameShowsTheCoresValuesColoursAndLeds) {
    const Presentation p = onlineFrame();
    render(p);
    EXPECT_EQ(w.windowTitle(), "QOR ETC 1.03");
    EXPECT_EQ(w.size(), QSize(1005, 720));
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(255, 148, 40));

    auto* dash = get<GradientPanel>("Panel_dashbord");
    EXPECT_EQ(dash->size(), QSize(989, 204));
    EXPECT_EQ(dash->gradientStart(), QColor(228, 231, 233));
    EXPECT_EQ(dash->gradientEnd(), QColor(192, 192, 192));
    EXPECT_TRUE(get("Label_Panel_dashboard_offline2_2")->isHidden());
    EXPECT_TRUE(get("Label_Panel_dashboard_offline3_2")->isHidden());

    for (std::size_t i = 0; i < DashboardView::kValueNames.size(); ++i) {
        const QString name = QString::fromUtf8(DashboardView::kValueNames[i]);
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(get("Panel_" + name)->isHidden());
        auto* value = get<QLabel>("Label_" + name + "_waarde");
        EXPECT_EQ(value->text(), q(p.dashboard.values[i]));
        EXPECT_TRUE(value->isEnabled());
        EXPECT_EQ(value->palette().color(QPalette::WindowText), QColor(0xFF, 0xFF, 0x00));
        const auto& t = diagtext::kValueLabels[i];
        EXPECT_EQ(get<QLabel>("Label_" + name + "_txt")->text().toStdString(), t.caption);
        EXPECT_EQ(get<QLabel>("Label_" + name + "_eenheid")->text().toStdString(), t.unit);
    }
    EXPECT_EQ(get<QLabel>("Label_enginespeed_waarde")->font().pointSize(), 26);
    EXPECT_EQ(get<QLabel>("Label_Water_temp_eenheid")->text(), QString::fromUtf8("\u00B0C"));
    EXPECT_FALSE(get("Panel_txt_wizzard")->isHidden());

    const QColor ledColours[] = {QColor(0, 0, 0), QColor(0x80, 0x80, 0x80), QColor(0, 0xFF, 0)};
    for (std::size_t i = 0; i < DashboardView::kLedNames.size(); ++i) {
        SCOPED_TRACE(DashboardView::kLedNames[i]);
        auto* led = get<Led>(DashboardView::kLedNames[i]);
        EXPECT_FALSE(led->isHidden());
        EXPECT_EQ(led->color(), ledColours[p.dashboard.leds[i]]);
    }
    EXPECT_EQ(get<QLabel>("Label_Digital_input_txt_2_1")->text(), "ALS activation");
    EXPECT_EQ(get<QLabel>("Label_Digital_input_txt_2_3")->text(), "Resp. curve 2");
    EXPECT_EQ(get<QLabel>("Label_Digital_input_txt_1_2")->text(), "Digital input 2");
    EXPECT_EQ(get<QLabel>("Label_Airco_Led")->text(), "Airco");

    EXPECT_EQ(get<QLabel>("Label_comm_errors")->text(), "COM3  0 errors");
    EXPECT_EQ(get<QLabel>("AdvSmoothPanel_Level_user_act")->text(), "Level 4");
    EXPECT_FALSE(get("AdvSmoothPanel_Level_user_act")->isHidden());
    EXPECT_TRUE(get("GroupBox_gauge_up_down_loading")->isHidden());
    EXPECT_TRUE(get("GroupBox_up_download_menu")->isHidden());
    EXPECT_TRUE(get("Panel_power_to_system_was_interrupted")->isHidden());

    auto* limit = get<QTableWidget>("AdvStringGrid_Throttle_limit");
    auto* idle = get<QTableWidget>("AdvStringGrid_openloop_idle");
    auto* curve = get<QTableWidget>("AdvStringGrid_Throttle_response_curve_1");
    EXPECT_EQ(limit->horizontalHeaderItem(0)->text(), "1000");
    EXPECT_EQ(limit->horizontalHeaderItem(20)->text(), "11000");
    EXPECT_EQ(idle->horizontalHeaderItem(20)->text(), "800");
    EXPECT_EQ(curve->horizontalHeaderItem(2)->text(), "   10 ");
    EXPECT_EQ(curve->horizontalHeaderItem(20)->text(), " 100%");
}

TEST_F(MainWindowTest, OfflineLookHidesLivePanelsAndShowsTheHints) {
    render(onlineFrame());
    Presentation p;  // the core's offline presentation
    p.main.caption = "QOR ETC 1.03";
    p.main.progressVisible = false;
    render(p);

    auto* dash = get<GradientPanel>("Panel_dashbord");
    EXPECT_EQ(dash->gradientStart(), QColor(255, 66, 66));
    EXPECT_EQ(dash->gradientEnd(), QColor(255, 0, 0));
    EXPECT_EQ(get<QLabel>("Label_Panel_dashboard_offline2_2")->text(), "Press F10 for online");
    EXPECT_EQ(get<QLabel>("Label_Panel_dashboard_offline3_2")->text(), "communication is offline");
    EXPECT_FALSE(get("Label_Panel_dashboard_offline2_2")->isHidden());
    EXPECT_FALSE(get("Label_Panel_dashboard_offline3_2")->isHidden());
    for (const char* name : DashboardView::kValueNames) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(get(QStringLiteral("Panel_") + name)->isHidden());
        auto* value = get<QLabel>(QStringLiteral("Label_") + name + "_waarde");
        EXPECT_EQ(value->text(), "0");
        EXPECT_FALSE(value->isEnabled());
        EXPECT_EQ(value->palette().color(QPalette::Disabled, QPalette::WindowText),
                  QColor(0xC0, 0xC0, 0xC0));
    }
    for (const char* name : DashboardView::kLedNames) {
        EXPECT_TRUE(get(name)->isHidden()) << name;
        EXPECT_EQ(get<Led>(name)->color(), QColor(0, 0, 0)) << name;
    }
    EXPECT_TRUE(get("Label_Digital_input_txt_1_1")->isHidden());
    EXPECT_TRUE(get("Panel_txt_wizzard")->isHidden());
    EXPECT_TRUE(get("SpeedButton_up_down_load")->isHidden());
    EXPECT_EQ(get<QLabel>("Label_comm_errors")->text(), "COM port");
}

TEST_F(MainWindowTest, ToolbarHintsEnablingAndTheFiveUnusedButtons) {
    struct Case {
        const char* name;
        const char* hint;
    };
    const Case cases[] = {{"SpeedButton_openfile", "Open file"},
                          {"SpeedButton_savefile", "Save file"},
                          {"SpeedButton_options", "Options"}};
    Presentation p = onlineFrame();
    for (bool enabled : {true, false}) {
        p.main.openFileEnabled = p.main.saveFileEnabled = p.main.optionsEnabled = enabled;
        p.main.upDownLoadEnabled = enabled;
        render(p);
        for (const auto& c : cases) {
            auto* b = get<QToolButton>(c.name);
            EXPECT_EQ(b->toolTip(), c.hint);
            EXPECT_EQ(b->isEnabled(), enabled) << c.name;
        }
        EXPECT_EQ(get("SpeedButton_up_down_load")->isEnabled(), enabled);
        EXPECT_TRUE(get<QToolButton>("SpeedButton_up_down_load")->text().isEmpty());
    }
    for (const char* name : {"SpeedButton_correctiontable", "SpeedButton_Idle_control_tables",
                             "SpeedButton_Lambda_control_on_off", "SpeedButton_interpol_on_off",
                             "SpeedButton_Fuel_of_Spark"}) {
        EXPECT_TRUE(get(name)->isHidden()) << name;
        EXPECT_FALSE(get(name)->isEnabled()) << name;
    }
}

TEST_F(MainWindowTest, MenuVariantsShowTheirLines) {
    struct Case {
        MenuVariant variant;
        bool menu, lock, cancel, stayOffline;
    };
    const Case cases[] = {
        {MenuVariant::Hidden, false, false, false, false},
        {MenuVariant::GoingOnline, true, false, false, true},
        {MenuVariant::Menu, true, true, true, false},
        {MenuVariant::AfterOpenFile, true, true, false, true},
    };
    w.show();
    for (const auto& c : cases) {
        Presentation p = onlineFrame();
        p.main.menu = c.variant;
        render(p);
        SCOPED_TRACE(static_cast<int>(c.variant));
        EXPECT_EQ(get("GroupBox_up_download_menu")->isVisible(), c.menu);
        EXPECT_EQ(get<QGroupBox>("GroupBox_up_download_menu")->title(), "Up / Down load");
        if (!c.menu) continue;
        EXPECT_TRUE(get("SpeedButton_Upload")->isVisible());
        EXPECT_TRUE(get("SpeedButton_Download")->isVisible());
        EXPECT_EQ(get("Label_program_is_text")->isVisible(), c.lock);
        EXPECT_EQ(get("SpeedButton_lock_unlock")->isVisible(), c.lock);
        EXPECT_EQ(get("Button_cancel_Up_download_menu")->isVisible(), c.cancel);
        EXPECT_EQ(get("Button_stay_offline")->isVisible(), c.stayOffline);
    }
    EXPECT_EQ(get<QPushButton>("SpeedButton_Upload")->text(), "&s");
    EXPECT_EQ(get<QPushButton>("SpeedButton_Download")->text(), "&p");
    EXPECT_EQ(get<QPushButton>("SpeedButton_lock_unlock")->text(), "&l");
    EXPECT_EQ(get<QLabel>("Label_program_is_text")->text(), "Lock Program in System:");
    EXPECT_EQ(get<QPushButton>("Button_stay_offline")->text(), "Stay Offline");
    EXPECT_EQ(get<QPushButton>("Button_cancel_Up_download_menu")->text(), "&Cancel");
}

TEST_F(MainWindowTest, ProgressGroupAndPowerPanel) {
    Presentation p = onlineFrame();
    p.main.progressVisible = true;
    p.main.progressCaption = "Down_loading";
    p.main.gaugeMaximum = 37;
    p.main.gaugePosition = 12;
    p.main.powerInterruptedPanelVisible = true;
    p.main.focusPowerPanelUpload = true;
    w.show();
    QApplication::setActiveWindow(&w);
    render(p);
    EXPECT_TRUE(get("GroupBox_gauge_up_down_loading")->isVisible());
    EXPECT_EQ(get<QGroupBox>("GroupBox_gauge_up_down_loading")->title(), "Down_loading");
    EXPECT_EQ(get<QProgressBar>("Gauge_up_down_loading")->maximum(), 37);
    EXPECT_EQ(get<QProgressBar>("Gauge_up_down_loading")->value(), 12);
    auto* panel = get("Panel_power_to_system_was_interrupted");
    EXPECT_TRUE(panel->isVisible());
    QStringList shown;
    for (auto* l : panel->findChildren<QLabel*>()) shown << l->text();
    for (const char* line :
         {"Power to the System", "was interruped !!!", "(see manual)", "Up-load :", "Down-load :"})
        EXPECT_TRUE(shown.contains(line)) << line;
    EXPECT_TRUE(get("SpeedButton_Upload_2")->hasFocus());

    QSignalSpy up(&w, &MainWindow::uploadClicked), down(&w, &MainWindow::downloadClicked);
    QTest::mouseClick(get("SpeedButton_Upload_2"), Qt::LeftButton);
    QTest::mouseClick(get("SpeedButton_Download_2"), Qt::LeftButton);
    EXPECT_EQ(up.count(), 1);
    EXPECT_EQ(down.count(), 1);
}

TEST_F(MainWindowTest, ClicksAreForwarded) {
    Presentation p = onlineFrame();
    p.main.menu = MenuVariant::Menu;
    render(p);
    w.show();
    struct Case {
        const char* widget;
        void (MainWindow::*signal)();
    };
    const Case cases[] = {
        // the dashboard, and labels and LEDs on it, all toggle online/offline
        {"Panel_dashbord", &MainWindow::dashboardClicked},
        {"Label_enginespeed_waarde", &MainWindow::dashboardClicked},
        {"Panel_Airco_Led", &MainWindow::dashboardClicked},
        {"Label_comm_errors", &MainWindow::commErrorsClicked},
        {"SpeedButton_openfile", &MainWindow::openFileClicked},
        {"SpeedButton_savefile", &MainWindow::saveFileClicked},
        {"SpeedButton_options", &MainWindow::optionsClicked},
        {"SpeedButton_up_down_load", &MainWindow::upDownLoadClicked},
        {"Button_Help_F1", &MainWindow::helpClicked},
        {"SpeedButton_Upload", &MainWindow::uploadClicked},
        {"SpeedButton_Download", &MainWindow::downloadClicked},
        {"SpeedButton_lock_unlock", &MainWindow::lockUnlockClicked},
        {"Button_cancel_Up_download_menu", &MainWindow::menuCancelClicked},
    };
    for (const auto& c : cases) {
        QSignalSpy spy(&w, c.signal);
        QTest::mouseClick(get(c.widget), Qt::LeftButton, {}, QPoint(4, 4));
        EXPECT_EQ(spy.count(), 1) << c.widget;
    }
    p.main.menu = MenuVariant::GoingOnline;
    render(p);
    QSignalSpy stay(&w, &MainWindow::stayOfflineClicked);
    QTest::mouseClick(get("Button_stay_offline"), Qt::LeftButton);
    EXPECT_EQ(stay.count(), 1);
}

// The window sees keys first whatever has the focus; what it does not use goes on.
TEST_F(MainWindowTest, KeyPreviewSeesEveryKeyFirst) {
    auto* edit = new QLineEdit(&w);  // stands for any focusable control of the window
    Presentation p = onlineFrame();
    p.main.menu = MenuVariant::Menu;
    render(p);
    w.show();
    QApplication::setActiveWindow(&w);
    edit->setFocus();
    ASSERT_TRUE(qor::test::waitFor([&] { return edit->hasFocus(); }, 2000));

    std::vector<std::pair<int, Qt::KeyboardModifiers>> seen;
    KeyPreview preview;
    preview.watch(&w, [&](const QKeyEvent& e) {
        if (e.key() != Qt::Key_Alt) seen.emplace_back(e.key(), e.modifiers());
        return e.key() != Qt::Key_Space && e.key() != Qt::Key_A;  // the core keeps these
    });
    QSignalSpy upload(&w, &MainWindow::uploadClicked);
    QTest::keyClick(edit, Qt::Key_F10);
    QTest::keyClick(edit, Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_A);
    QTest::keyClick(edit, Qt::Key_B);
    ASSERT_EQ(seen.size(), 4u);  // once each, not again on the way up to the parents
    EXPECT_EQ(seen[0].first, Qt::Key_F10);
    EXPECT_EQ(seen[1], std::make_pair(int(Qt::Key_S), Qt::KeyboardModifiers(Qt::AltModifier)));
    EXPECT_EQ(edit->text(), "a");  // 'a' went on, 'b' was used up
    EXPECT_EQ(upload.count(), 0);  // Alt+S reaches the core, not the button's mnemonic too
}

}  // namespace
