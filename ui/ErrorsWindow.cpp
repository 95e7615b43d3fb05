#include "ui/ErrorsWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/UiTexts.h"
#include "ui/Widgets.h"

namespace qor::ui {

ErrorsWindow::ErrorsWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QString::fromUtf8(texts::kErrorsCaption));
    setFixedSize(303, 405);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(235, 235, 235));
    setPalette(pal);

    constexpr int kRow = 13;
    QFont small = font();
    small.setPixelSize(11);
    for (int n = 0; n < kConditions; ++n) {
        const QString nn = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        auto* led = new Led(this);
        led->setObjectName(QStringLiteral("AdvSmoothStatusIndicator_error_") + nn);
        led->setFixedSize(12, 12);
        led->move(6, 6 + n * kRow);
        led->hide();
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label_Error_message_") + nn);
        label->setGeometry(24, 5 + n * kRow, 276, kRow);
        label->setFont(small);
        label->hide();
        indicators_[static_cast<std::size_t>(n)] = led;
        labels_[static_cast<std::size_t>(n)] = label;
    }

    const int legendTop = 6 + kConditions * kRow + 6;
    auto* warn = new Led(this);
    warn->setObjectName(QStringLiteral("AdvSmoothStatusIndicator_legend_warning"));
    warn->setFixedSize(14, 14);
    warn->setColor(warningColor());
    warn->move(6, legendTop);
    auto* warnText = new QLabel(QString::fromUtf8(texts::kLegendWarning), this);
    warnText->setObjectName(QStringLiteral("Label_legend_warning"));
    warnText->setGeometry(26, legendTop, 130, 14);
    auto* err = new Led(this);
    err->setObjectName(QStringLiteral("AdvSmoothStatusIndicator_legend_error"));
    err->setFixedSize(14, 14);
    err->setColor(errorColor());
    err->setCaption(QStringLiteral("!"));
    err->move(6, legendTop + 18);
    auto* errText = new QLabel(QString::fromUtf8(texts::kLegendError), this);
    errText->setObjectName(QStringLiteral("Label_legend_error"));
    errText->setGeometry(26, legendTop + 18, 130, 14);

    auto* clear = new QPushButton(QString::fromUtf8(texts::kClearMessage), this);
    clear->setObjectName(QStringLiteral("Button_clear_message"));
    clear->setGeometry(303 - 120, legendTop + 4, 110, 28);
    connect(clear, &QPushButton::clicked, this, &ErrorsWindow::clearClicked);
}

void ErrorsWindow::setConditionTexts(const std::array<std::string, kConditions>& texts) {
    for (std::size_t n = 0; n < labels_.size(); ++n)
        labels_[n]->setText(QString::fromStdString(texts[n]));
}

void ErrorsWindow::render(bool visible, const std::array<ConditionLook, kConditions>& looks) {
    for (std::size_t n = 0; n < looks.size(); ++n) {
        const ConditionLook look = looks[n];
        indicators_[n]->setVisible(look != ConditionLook::Hidden);
        labels_[n]->setVisible(look != ConditionLook::Hidden);
        if (look == ConditionLook::Error) {
            indicators_[n]->setColor(errorColor());
            indicators_[n]->setCaption(QStringLiteral("!"));
        } else if (look == ConditionLook::Warning) {
            indicators_[n]->setColor(warningColor());
            indicators_[n]->setCaption(QString());
        }
    }
    if (visible && !isVisible()) {
        show();
        raise();
    } else if (!visible && isVisible()) {
        hide();
    }
}

void ErrorsWindow::closeEvent(QCloseEvent* e) {
    // Only "Clear message" hides the window; a close from the desktop is refused.
    if (e->spontaneous()) e->ignore();
    else QWidget::closeEvent(e);
}

}  // namespace qor::ui
