#include "ui/ErrorsWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "ui/Widgets.h"

namespace qor::ui {
namespace {
QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
QColor toQ(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}
}  // namespace

ErrorsWindow::ErrorsWindow(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(q(diagtext::kErrorsCaption));
    setFixedSize(ErrorsView::kClientWidth, ErrorsView::kClientHeight);
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
        label->setText(q(diagtext::kErrorConditions[static_cast<std::size_t>(n)]));
        label->hide();
        indicators_[static_cast<std::size_t>(n)] = led;
        labels_[static_cast<std::size_t>(n)] = label;
    }

    const int legendTop = 6 + kConditions * kRow + 6;
    auto* warn = new Led(this);
    warn->setObjectName(QStringLiteral("AdvSmoothStatusIndicator_legend_warning"));
    warn->setFixedSize(14, 14);
    warn->setColor(toQ(colors::WarningOrange));
    warn->move(6, legendTop);
    auto* warnText = new QLabel(q(diagtext::kLegendWarning), this);
    warnText->setObjectName(QStringLiteral("Label_legend_warning"));
    warnText->setGeometry(26, legendTop, 130, 14);
    auto* err = new Led(this);
    err->setObjectName(QStringLiteral("AdvSmoothStatusIndicator_legend_error"));
    err->setFixedSize(14, 14);
    err->setColor(toQ(colors::ErrorRed));
    err->setCaption(q(diagtext::kErrorIndicatorCaption));
    err->move(6, legendTop + 18);
    auto* errText = new QLabel(q(diagtext::kLegendError), this);
    errText->setObjectName(QStringLiteral("Label_legend_error"));
    errText->setGeometry(26, legendTop + 18, 130, 14);

    auto* clear = new QPushButton(q(diagtext::kClearMessage), this);
    clear->setObjectName(QStringLiteral("Button_clear_message"));
    clear->setGeometry(303 - 120, legendTop + 4, 110, 28);
    connect(clear, &QPushButton::clicked, this, &ErrorsWindow::clearClicked);
}

void ErrorsWindow::render(const ErrorsView& view) {
    for (std::size_t n = 0; n < view.conditions.size(); ++n) {
        const ErrorIndicatorView& c = view.conditions[n];
        indicators_[n]->setVisible(c.shown);
        labels_[n]->setVisible(c.shown);
        indicators_[n]->setColor(toQ(c.fill));
        indicators_[n]->setCaption(QString::fromStdString(c.caption));
    }
    if (view.placed && pos() != QPoint(view.left, view.top)) move(view.left, view.top);
    if (view.visible && !isVisible()) {
        show();
        raise();
    } else if (!view.visible && isVisible()) {
        hide();
    }
}

void ErrorsWindow::closeEvent(QCloseEvent* e) {
    // Only "Clear message" hides the window; a close from the desktop is refused.
    if (e->spontaneous())
        e->ignore();
    else
        QWidget::closeEvent(e);
}

}  // namespace qor::ui
