#pragma once
#include <QWidget>
#include <array>
#include <string>

class QLabel;
class QPushButton;

namespace qor::ui {

class Led;

// How one reported condition is shown.
enum class ConditionLook { Hidden, Warning, Error };

// The small always-on-top "Errors and warnings" tool window: one indicator and one text per
// condition, a legend and "Clear message". It has no close control of its own.
class ErrorsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kConditions = 24;
    static QColor warningColor() { return {0xFF, 0x94, 0x28}; }
    static QColor errorColor() { return {0xFF, 0x00, 0x00}; }

    explicit ErrorsWindow(QWidget* parent = nullptr);
    void setConditionTexts(const std::array<std::string, kConditions>& texts);
    void render(bool visible, const std::array<ConditionLook, kConditions>& looks);

signals:
    void clearClicked();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::array<Led*, kConditions> indicators_{};
    std::array<QLabel*, kConditions> labels_{};
};

}  // namespace qor::ui
