#include "ui/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>

namespace qor::ui {

KeyPreview::KeyPreview(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    if (qApp) qApp->removeEventFilter(this);
}

void KeyPreview::watch(QWidget* window, Handler handler) {
    entries_.push_back({window, std::move(handler)});
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    // A key that the focused widget ignores travels on to its parents as the same event;
    // look at it only on its first delivery.
    QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : w->window();
    if (w != first) return false;
    for (const auto& e : entries_) {
        if (e.window && w->window() == e.window.data() && e.handler)
            return e.handler(static_cast<const QKeyEvent&>(*event));
    }
    return false;
}

}  // namespace qor::ui
