#pragma once
#include <QDialog>
#include <QTimer>

#include "core/app/Presentation.h"

class QLabel;
class QPushButton;

namespace qor::ui {

class ClickLabel;

// The start-up window: picture, name, version, a hidden credit, OK and a 10 s close timer.
class SplashWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kCloseAfterMs = 10000;

    explicit SplashWindow(QWidget* parent = nullptr);
    void render(const SplashView& view);
    QTimer& closeTimer() { return closeTimer_; }
    // Our own picture (no external artwork), painted into the top of the window.
    static QPixmap picture(const QSize& size);

  signals:
    void creditClicked();

  private:
    QLabel* versionLabel_;
    ClickLabel* creditLabel_;
    QPushButton* okButton_;
    QTimer closeTimer_;
};

}  // namespace qor::ui
