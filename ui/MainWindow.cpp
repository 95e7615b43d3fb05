#include "ui/MainWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "ui/UiTexts.h"
#include "ui/Widgets.h"

namespace qor::ui {
namespace {

constexpr int kToolbarHeight = 44;
constexpr int kTableTop = 48;
constexpr int kTableHeight = 86;
constexpr int kDashboardTop = 440;
constexpr int kDashboardWidth = 989;
constexpr int kDashboardHeight = 204;

QString q(const char* s) {
    return QString::fromUtf8(s);
}
QString q(const std::string& s) {
    return QString::fromStdString(s);
}
QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
QColor toQ(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}

// An up-and-down arrow for the up/download button.
QIcon upDownIcon() {
    QPixmap pm(28, 28);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 90, 160));
    p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(15, 12), QPointF(11, 12), QPointF(11, 24),
                             QPointF(5, 24), QPointF(5, 12), QPointF(1, 12)}));
    p.setBrush(QColor(0, 140, 60));
    p.drawPolygon(QPolygonF({QPointF(20, 26), QPointF(27, 16), QPointF(23, 16), QPointF(23, 4),
                             QPointF(17, 4), QPointF(17, 16), QPointF(13, 16)}));
    return QIcon(pm);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

void setBackground(QWidget* w, const QColor& c) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
}

// Buttons whose letter the window's key handling already serves must not also fire
// through Qt's own mnemonic.
void dropMnemonic(QAbstractButton* b) {
    b->setShortcut(QKeySequence());
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    resize(kWidth, 749);
    setMinimumWidth(kWidth);
    setBackground(this, QColor(255, 148, 40));
    buildToolbar();
    buildTables();
    buildDashboard();
    buildProgress();
    buildMenu();
    buildPowerPanel();
    render(MainWindowView{}, DashboardView{});
}

void MainWindow::buildToolbar() {
    struct ToolButtonRow {
        QToolButton** slot;
        const char* name;
        const char* hint;
        QStyle::StandardPixmap icon;
        void (MainWindow::*signal)();
    };
    const ToolButtonRow rows[] = {
        {&openFile_, "SpeedButton_openfile", texts::kHintOpenFile, QStyle::SP_DialogOpenButton,
         &MainWindow::openFileClicked},
        {&saveFile_, "SpeedButton_savefile", texts::kHintSaveFile, QStyle::SP_DialogSaveButton,
         &MainWindow::saveFileClicked},
        {&options_, "SpeedButton_options", texts::kHintOptions, QStyle::SP_FileDialogDetailedView,
         &MainWindow::optionsClicked},
        {&upDownLoad_, "SpeedButton_up_down_load", texts::kHintUpDownLoad, QStyle::SP_CustomBase,
         &MainWindow::upDownLoadClicked},
        {&help_, "Button_Help_F1", texts::kHintHelp, QStyle::SP_DialogHelpButton,
         &MainWindow::helpClicked},
    };
    int x = 6;
    for (const auto& s : rows) {
        auto* b = new QToolButton(this);
        b->setObjectName(q(s.name));
        b->setToolTip(q(s.hint));
        b->setIcon(s.icon == QStyle::SP_CustomBase ? upDownIcon() : style()->standardIcon(s.icon));
        b->setIconSize(QSize(24, 24));
        b->setGeometry(x, 6, 36, 32);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, s.signal);
        *s.slot = b;
        x += 40;
    }
    const char* unused[] = {"SpeedButton_correctiontable", "SpeedButton_Idle_control_tables",
                            "SpeedButton_Lambda_control_on_off", "SpeedButton_interpol_on_off",
                            "SpeedButton_Fuel_of_Spark"};
    for (std::size_t i = 0; i < unusedButtons_.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(q(unused[i]));
        b->setGeometry(x, 6, 36, 32);
        b->setEnabled(false);
        b->hide();
        unusedButtons_[i] = b;
        x += 40;
    }

    commErrors_ = new ClickLabel(this);
    commErrors_->setObjectName(QStringLiteral("Label_comm_errors"));
    commErrors_->setGeometry(kWidth - 130, 14, 120, 16);
    commErrors_->setAlignment(Qt::AlignCenter);
    QFont f = commErrors_->font();
    f.setPointSize(8);
    commErrors_->setFont(f);
    setBackground(commErrors_, QColor(255, 255, 0));
    setTextColor(commErrors_, Qt::black);
    commErrors_->setCursor(Qt::PointingHandCursor);
    connect(commErrors_, &ClickLabel::clicked, this, &MainWindow::commErrorsClicked);

    userLevel_ = makeLabel(this, QStringLiteral("AdvSmoothPanel_Level_user_act"), QString(),
                           QRect(kWidth - 230, 12, 90, 20));
    userLevel_->setAlignment(Qt::AlignCenter);
    QFont lf = userLevel_->font();
    lf.setBold(true);
    userLevel_->setFont(lf);
    setBackground(userLevel_, QColor(255, 200, 140));
}

void MainWindow::buildTables() {
    for (std::size_t i = 0; i < tablePanels_.size(); ++i) {
        const auto& t = texts::kTablePanels[i];
        auto* g = new QGroupBox(q(t.caption), this);
        g->setObjectName(q(t.groupName));
        g->setGeometry(8, kTableTop + static_cast<int>(i) * (kTableHeight + 8), kDashboardWidth,
                       kTableHeight);
        setBackground(g, QColor(255, 170, 80));
        auto* grid = new QTableWidget(1, 21, g);
        grid->setObjectName(q(t.gridName));
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setDefaultSectionSize(28);
        grid->horizontalHeader()->setFixedHeight(24);
        grid->setGeometry(6, 22, kDashboardWidth - 12, 24 + 28 + 2 * grid->frameWidth());
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setFocusPolicy(Qt::NoFocus);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        tablePanels_[i] = g;
        grids_[i] = grid;
    }
    for (int k = 0; k < 2; ++k) {
        QStringList headers;
        for (const char* h : texts::kResponseCurveHeaders) headers << q(h);
        grids_[static_cast<std::size_t>(k)]->setHorizontalHeaderLabels(headers);
    }
}

void MainWindow::buildDashboard() {
    dashboard_ = new GradientPanel(this);
    dashboard_->setObjectName(QStringLiteral("Panel_dashbord"));
    dashboard_->setGeometry(8, kDashboardTop, kDashboardWidth, kDashboardHeight);
    dashboard_->setCursor(Qt::PointingHandCursor);
    connect(dashboard_, &GradientPanel::clicked, this, &MainWindow::dashboardClicked);

    // Value panels: engine speed takes two slots of a 7 x 3 grid.
    constexpr int kSlotW = 104, kSlotH = 64, kPanelH = 60;
    int slot = 0;
    auto nextRect = [&](int span) {
        const int col = slot % 7, row = slot / 7;
        slot += span;
        return QRect(6 + col * kSlotW, 6 + row * kSlotH, kSlotW * span - 4, kPanelH);
    };
    for (std::size_t i = 0; i < DashboardView::kValueNames.size(); ++i) {
        const QString name = q(DashboardView::kValueNames[i]);
        const auto& t = diagtext::kValueLabels[i];
        const QRect r = nextRect(i == 0 ? 2 : 1);
        auto* panel = new GradientPanel(dashboard_);
        panel->setObjectName(QStringLiteral("Panel_") + name);
        panel->setGeometry(r);
        panel->setGradient(QColor(90, 95, 105), QColor(35, 38, 45));
        connect(panel, &GradientPanel::clicked, this, &MainWindow::dashboardClicked);
        auto* caption = makeLabel(panel, QStringLiteral("Label_") + name + QStringLiteral("_txt"),
                                  q(t.caption), QRect(5, 1, r.width() - 8, 15));
        setTextColor(caption, Qt::white);
        QFont cf = caption->font();
        cf.setPixelSize(11);
        caption->setFont(cf);
        const int unitW = i == 0 ? 34 : 24;
        auto* value = makeLabel(panel, QStringLiteral("Label_") + name + QStringLiteral("_waarde"),
                                QString(), QRect(3, 16, r.width() - unitW - 6, kPanelH - 19));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setBackground(value, QColor(20, 20, 24));
        QFont vf(QStringLiteral("Arial"));
        vf.setBold(true);
        vf.setPointSize(i == 0 ? 32 : 15);
        value->setFont(vf);
        auto* unit = makeLabel(panel, QStringLiteral("Label_") + name + QStringLiteral("_eenheid"),
                               q(t.unit), QRect(r.width() - unitW - 2, 16, unitW, kPanelH - 19));
        setTextColor(unit, Qt::white);
        unit->setAlignment(Qt::AlignCenter);
        valuePanels_[i] = panel;
        valueLabels_[i] = value;
    }
    auto* wizard = new GradientPanel(dashboard_);
    wizard->setObjectName(QStringLiteral("Panel_txt_wizzard"));
    wizard->setGeometry(nextRect(1));
    wizard->setGradient(QColor(255, 170, 80), QColor(255, 148, 40));
    connect(wizard, &GradientPanel::clicked, this, &MainWindow::dashboardClicked);
    auto* wizardText =
        makeLabel(wizard, QStringLiteral("Label_txt_wizzard"), q(texts::kProductName),
                  QRect(0, 0, wizard->width(), wizard->height()));
    wizardText->setAlignment(Qt::AlignCenter);
    QFont wf(QStringLiteral("Arial"));
    wf.setBold(true);
    wf.setPixelSize(16);
    wizardText->setFont(wf);
    wizardPanel_ = wizard;

    // Indicators: the inputs with their function texts on the left, the status LEDs right.
    const int ledX1 = 6 + 7 * kSlotW + 4, ledX2 = ledX1 + 128;
    for (std::size_t i = 0; i < DashboardView::kLedNames.size(); ++i) {
        const QString name = q(DashboardView::kLedNames[i]);
        auto* led = new Led(dashboard_);
        led->setObjectName(name);
        const bool input = i < 4;
        const int x = input ? ledX1 : ledX2;
        const int y = input ? 8 + static_cast<int>(i) * 48 : 8 + static_cast<int>(i - 4) * 27;
        led->move(x, y);
        leds_[i] = led;
        QString captionName;
        if (i < 3)
            captionName = QStringLiteral("Label_Digital_input_txt_1_%1").arg(i + 1);
        else if (i == 3)
            captionName = QStringLiteral("Label_CAN_input_txt_1");
        else
            captionName = QStringLiteral("Label_") + name.mid(6);
        auto* caption = makeLabel(dashboard_, captionName, q(diagtext::kLedCaptions[i]),
                                  QRect(x + 20, y, 104, 16));
        ledLabels_.push_back(caption);
        if (input) {
            const QString textName = i < 3
                                         ? QStringLiteral("Label_Digital_input_txt_2_%1").arg(i + 1)
                                         : QStringLiteral("Label_CAN_input_txt_2");
            auto* fn = makeLabel(dashboard_, textName, QString(), QRect(x + 20, y + 17, 104, 16));
            QFont ff = fn->font();
            ff.setItalic(true);
            fn->setFont(ff);
            ledLabels_.push_back(fn);
            if (i < 3) digitalInputTexts_[i] = fn;
        }
    }

    QFont hf(QStringLiteral("Arial"));
    hf.setBold(true);
    hf.setPixelSize(30);
    const char* hints[] = {texts::kOfflineHint1, texts::kOfflineHint2};
    const char* hintNames[] = {"Label_Panel_dashboard_offline2_2",
                               "Label_Panel_dashboard_offline3_2"};
    for (int i = 0; i < 2; ++i) {
        auto* l = makeLabel(dashboard_, q(hintNames[i]), q(hints[i]),
                            QRect(0, 44 + i * 62, kDashboardWidth, 44));
        l->setAlignment(Qt::AlignCenter);
        l->setFont(hf);
        setTextColor(l, Qt::white);
        offlineHints_[static_cast<std::size_t>(i)] = l;
    }
}

void MainWindow::buildProgress() {
    progress_ = new QGroupBox(this);
    progress_->setObjectName(QStringLiteral("GroupBox_gauge_up_down_loading"));
    progress_->setGeometry(352, 190, 300, 64);
    setBackground(progress_, QColor(255, 200, 140));
    gauge_ = new QProgressBar(progress_);
    gauge_->setObjectName(QStringLiteral("Gauge_up_down_loading"));
    gauge_->setGeometry(10, 24, 280, 28);
    gauge_->setTextVisible(true);
}

void MainWindow::buildMenu() {
    menu_ = new QGroupBox(q(texts::kUpDownloadMenu), this);
    menu_->setObjectName(QStringLiteral("GroupBox_up_download_menu"));
    menu_->setGeometry(362, 110, 280, 220);
    setBackground(menu_, QColor(255, 200, 140));
    auto* grid = new QGridLayout(menu_);
    auto addRow = [&](int row, const char* labelName, const char* text, const char* buttonName,
                      const char* caption, void (MainWindow::*signal)()) {
        auto* l = new QLabel(q(text), menu_);
        l->setObjectName(q(labelName));
        auto* b = new QPushButton(q(caption), menu_);
        b->setObjectName(q(buttonName));
        b->setFixedWidth(60);
        dropMnemonic(b);
        connect(b, &QPushButton::clicked, this, signal);
        grid->addWidget(l, row, 0);
        grid->addWidget(b, row, 1);
        return std::pair<QWidget*, QWidget*>{l, b};
    };
    addRow(0, "Label_upload", texts::kUpLoad, "SpeedButton_Upload", texts::kUploadButton,
           &MainWindow::uploadClicked);
    addRow(1, "Label_download", texts::kDownLoad, "SpeedButton_Download", texts::kDownloadButton,
           &MainWindow::downloadClicked);
    auto lock = addRow(2, "Label_program_is_text", texts::kLockLine, "SpeedButton_lock_unlock",
                       texts::kLockButton, &MainWindow::lockUnlockClicked);
    lockLine_ = {lock.first, lock.second};
    stayOffline_ = new QPushButton(q(texts::kStayOffline), menu_);
    stayOffline_->setObjectName(QStringLiteral("Button_stay_offline"));
    connect(stayOffline_, &QPushButton::clicked, this, &MainWindow::stayOfflineClicked);
    grid->addWidget(stayOffline_, 3, 0, 1, 2);
    menuCancel_ = new QPushButton(q(texts::kCancelMenu), menu_);
    menuCancel_->setObjectName(QStringLiteral("Button_cancel_Up_download_menu"));
    connect(menuCancel_, &QPushButton::clicked, this, &MainWindow::menuCancelClicked);
    grid->addWidget(menuCancel_, 4, 0, 1, 2);
}

void MainWindow::buildPowerPanel() {
    powerPanel_ = new GradientPanel(this);
    powerPanel_->setObjectName(QStringLiteral("Panel_power_to_system_was_interrupted"));
    powerPanel_->setGeometry(342, 130, 320, 200);
    powerPanel_->setGradient(QColor(255, 255, 160), QColor(255, 200, 0));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(18);
    for (std::size_t i = 0; i < diagtext::kPowerPanelLines.size(); ++i) {
        auto* l = makeLabel(powerPanel_, QStringLiteral("Label_power_interrupted_%1").arg(i + 1),
                            q(diagtext::kPowerPanelLines[i]),
                            QRect(0, 10 + static_cast<int>(i) * 28, 320, 26));
        l->setAlignment(Qt::AlignCenter);
        l->setFont(f);
    }
    struct Row {
        const char* labelName;
        std::string_view label;
        const char* buttonName;
        const char* caption;
        void (MainWindow::*signal)();
    };
    const Row rows[] = {
        {"Label_power_upload", diagtext::kPowerPanelUploadLabel, "SpeedButton_Upload_2",
         texts::kUploadButton, &MainWindow::uploadClicked},
        {"Label_power_download", diagtext::kPowerPanelDownloadLabel, "SpeedButton_Download_2",
         texts::kDownloadButton, &MainWindow::downloadClicked},
    };
    for (int i = 0; i < 2; ++i) {
        makeLabel(powerPanel_, q(rows[i].labelName), q(rows[i].label),
                  QRect(70, 110 + i * 40, 100, 28));
        auto* b = new QPushButton(q(rows[i].caption), powerPanel_);
        b->setObjectName(q(rows[i].buttonName));
        b->setGeometry(180, 110 + i * 40, 60, 28);
        dropMnemonic(b);
        connect(b, &QPushButton::clicked, this, rows[i].signal);
        if (i == 0) powerUpload_ = b;
    }
}

void MainWindow::render(const MainWindowView& v, const DashboardView& d) {
    if (windowTitle() != q(v.caption)) setWindowTitle(q(v.caption));
    if (height() != v.height) resize(kWidth, v.height);

    openFile_->setEnabled(v.openFileEnabled);
    saveFile_->setEnabled(v.saveFileEnabled);
    options_->setEnabled(v.optionsEnabled);
    upDownLoad_->setEnabled(v.upDownLoadEnabled);
    upDownLoad_->setVisible(v.upDownLoadButtonVisible);
    for (auto* b : unusedButtons_) {
        b->setVisible(false);
        b->setEnabled(false);
    }
    commErrors_->setText(q(v.commErrorsCaption));
    userLevel_->setText(q(v.userLevelCaption));
    userLevel_->setVisible(!v.userLevelCaption.empty());

    // Tables (placeholders: header rows only).
    tablePanels_[0]->setVisible(v.responseCurvePanelsVisible);
    tablePanels_[1]->setVisible(v.responseCurvePanelsVisible);
    tablePanels_[2]->setVisible(v.throttleLimitPanelVisible);
    tablePanels_[3]->setVisible(v.openLoopIdlePanelVisible);
    auto setHeaders = [](QTableWidget* g, const std::array<std::string, 21>& h) {
        for (int c = 0; c < 21; ++c) {
            const QString text = q(h[static_cast<std::size_t>(c)]);
            QTableWidgetItem* item = g->horizontalHeaderItem(c);
            if (!item) g->setHorizontalHeaderItem(c, item = new QTableWidgetItem);
            if (item->text() != text) item->setText(text);
        }
    };
    setHeaders(grids_[2], v.throttleLimitHeaders);
    setHeaders(grids_[3], v.openLoopIdleHeaders);

    // Dashboard: online/offline look, then the live values.
    if (v.dashboardOnlineLook)
        dashboard_->setGradient(onlineGradientStart(), onlineGradientEnd());
    else
        dashboard_->setGradient(offlineGradientStart(), offlineGradientEnd());
    for (auto* p : valuePanels_) p->setVisible(v.liveValuePanelsVisible);
    wizardPanel_->setVisible(v.liveValuePanelsVisible);
    for (auto* l : leds_) l->setVisible(v.liveValuePanelsVisible);
    for (auto* l : ledLabels_) l->setVisible(v.liveValuePanelsVisible);
    for (auto* h : offlineHints_) h->setVisible(v.offlineHintsVisible);

    const QColor valueColor = toQ(d.valueColor);
    for (std::size_t i = 0; i < valueLabels_.size(); ++i) {
        QLabel* l = valueLabels_[i];
        const QString text = q(d.values[i]);
        if (l->text() != text) l->setText(text);
        l->setEnabled(d.active);
        if (l->palette().color(QPalette::Active, QPalette::WindowText) != valueColor)
            setTextColor(l, valueColor);
    }
    QFont ef = valueLabels_[0]->font();
    if (ef.pointSize() != d.engineSpeedFontPt) {
        ef.setPointSize(d.engineSpeedFontPt);
        valueLabels_[0]->setFont(ef);
    }
    for (std::size_t i = 0; i < leds_.size(); ++i) leds_[i]->setColor(toQ(LedColor(d.leds[i])));
    for (std::size_t i = 0; i < digitalInputTexts_.size(); ++i)
        digitalInputTexts_[i]->setText(q(d.digitalInputTexts[i]));

    // Progress group.
    progress_->setVisible(v.progressVisible);
    progress_->setTitle(q(v.progressCaption));
    gauge_->setMaximum(v.gaugeMaximum);
    gauge_->setValue(v.gaugePosition);

    // Up/download menu and its variants.
    menu_->setVisible(v.menu != MenuVariant::Hidden);
    const bool lockShown = v.menu == MenuVariant::Menu || v.menu == MenuVariant::AfterOpenFile;
    for (auto* w : lockLine_) w->setVisible(lockShown);
    menuCancel_->setVisible(v.menu == MenuVariant::Menu);
    stayOffline_->setVisible(v.menu == MenuVariant::GoingOnline ||
                             v.menu == MenuVariant::AfterOpenFile);
    if (menu_->isVisible()) menu_->raise();

    powerPanel_->setVisible(v.powerInterruptedPanelVisible);
    if (v.powerInterruptedPanelVisible) {
        powerPanel_->raise();
        if (v.focusPowerPanelUpload && !powerUpload_->hasFocus()) powerUpload_->setFocus();
    }
    if (progress_->isVisible()) progress_->raise();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    emit closing();
    QWidget::closeEvent(e);
}

}  // namespace qor::ui
