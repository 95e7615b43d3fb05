#include "ui/Widgets.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace qor::ui {

GradientPanel::GradientPanel(QWidget* parent) : QFrame(parent) {}

void GradientPanel::setGradient(const QColor& start, const QColor& end) {
    if (start == start_ && end == end_) return;
    start_ = start;
    end_ = end;
    update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, start_);
    g.setColorAt(1, end_);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
    p.fillPath(path, g);
    p.setPen(QPen(end_.darker(140), 1));
    p.drawPath(path);
}

void GradientPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        e->accept();
    else
        QFrame::mousePressEvent(e);
}

void GradientPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        e->accept();
        emit clicked();
        return;
    }
    QFrame::mouseReleaseEvent(e);
}

Led::Led(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 16);
}

QColor Led::colorOfState(int state) {
    if (state <= 0) return QColor(0x00, 0x00, 0x00);
    if (state == 1) return QColor(0x80, 0x80, 0x80);
    return QColor(0x00, 0xFF, 0x00);
}

void Led::setState(int state) {
    if (state < 0) return;
    state_ = state;
    setColor(colorOfState(state));
}

void Led::setColor(const QColor& c) {
    if (c == color_) return;
    color_ = c;
    update();
}

void Led::setCaption(const QString& c) {
    if (c == caption_) return;
    caption_ = c;
    update();
}

void Led::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.4);
    g.setColorAt(0, color_.lighter(160));
    g.setColorAt(1, color_);
    p.setBrush(g);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawEllipse(r);
    if (!caption_.isEmpty()) {
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(qMax(8, height() - 5));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, caption_);
    }
}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        e->accept();
    else
        QLabel::mousePressEvent(e);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        e->accept();
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(e);
}

void setTextColor(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, c);
        pal.setColor(group, QPalette::Text, c);
    }
    w->setPalette(pal);
}

}  // namespace qor::ui
