#pragma once
#include <QWidget>

#include "core/app/Presentation.h"

class QComboBox;
class QGroupBox;
class QPushButton;

namespace qor::ui {

// The settings window ("Options"). For now it holds the port page only.
class SettingsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SettingsWindow(QWidget* parent = nullptr);
    void render(const PortPageView& portPage);
    QComboBox* portList() const { return ports_; }

  signals:
    // index in the list, -1 when nothing is selected
    void portSaveClicked(int index);
    void portCancelClicked();

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    QGroupBox* portPage_;
    QComboBox* ports_;
    QPushButton* cancel_;
    int lastSelected_ = -2;
};

}  // namespace qor::ui
