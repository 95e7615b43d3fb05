#pragma once
#include <QWidget>
#include <array>

#include "core/app/Presentation.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace qor::ui {

class ClickLabel;
class GradientPanel;
class Led;

// The main window: toolbar, table panels, dashboard, progress group, communication status,
// up/download menu and power-interruption panel. It only renders the core's view and
// reports the user's clicks; keys reach the core through KeyPreview.
class MainWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 1005;

    explicit MainWindow(QWidget* parent = nullptr);
    void render(const MainWindowView& view, const DashboardView& dashboard);

    static QColor onlineGradientStart() { return {228, 231, 233}; }
    static QColor onlineGradientEnd() { return {192, 192, 192}; }
    static QColor offlineGradientStart() { return {255, 66, 66}; }
    static QColor offlineGradientEnd() { return {255, 0, 0}; }

  signals:
    void dashboardClicked();
    void openFileClicked();
    void saveFileClicked();
    void optionsClicked();
    void upDownLoadClicked();
    void helpClicked();
    void uploadClicked();
    void downloadClicked();
    void lockUnlockClicked();
    void stayOfflineClicked();
    void menuCancelClicked();
    void commErrorsClicked();
    void closing();

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    void buildToolbar();
    void buildTables();
    void buildDashboard();
    void buildProgress();
    void buildMenu();
    void buildPowerPanel();

    QToolButton* openFile_ = nullptr;
    QToolButton* saveFile_ = nullptr;
    QToolButton* options_ = nullptr;
    QToolButton* upDownLoad_ = nullptr;
    QToolButton* help_ = nullptr;
    std::array<QToolButton*, 5> unusedButtons_{};
    std::array<QGroupBox*, 4> tablePanels_{};
    std::array<QTableWidget*, 4> grids_{};
    GradientPanel* dashboard_ = nullptr;
    std::array<QWidget*, DashboardView::kValueCount> valuePanels_{};
    std::array<QLabel*, DashboardView::kValueCount> valueLabels_{};
    QWidget* wizardPanel_ = nullptr;
    std::array<Led*, DashboardView::kLedCount> leds_{};
    std::vector<QWidget*> ledLabels_;
    std::array<QLabel*, 3> digitalInputTexts_{};
    std::array<QLabel*, 2> offlineHints_{};
    QGroupBox* progress_ = nullptr;
    QProgressBar* gauge_ = nullptr;
    ClickLabel* commErrors_ = nullptr;
    QLabel* userLevel_ = nullptr;
    QGroupBox* menu_ = nullptr;
    std::array<QWidget*, 2> lockLine_{};
    QPushButton* stayOffline_ = nullptr;
    QPushButton* menuCancel_ = nullptr;
    GradientPanel* powerPanel_ = nullptr;
    QPushButton* powerUpload_ = nullptr;
};

}  // namespace qor::ui
