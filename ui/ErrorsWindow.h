#pragma once
#include <QWidget>
#include <array>

#include "core/diagnostics/ErrorsView.h"

class QLabel;
class QPushButton;

namespace qor::ui {

class Led;

// The small always-on-top "Errors and warnings" tool window: one indicator and one text per
// condition, a legend and "Clear message". It has no close control of its own.
class ErrorsWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kConditions = ErrorsView::kConditionCount;

    explicit ErrorsWindow(QWidget* parent = nullptr);
    void render(const ErrorsView& view);

  signals:
    void clearClicked();

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    std::array<Led*, kConditions> indicators_{};
    std::array<QLabel*, kConditions> labels_{};
};

}  // namespace qor::ui
