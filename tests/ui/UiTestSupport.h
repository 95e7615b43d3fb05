#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <stdexcept>

namespace qor::test {

// The child of root with this object name; fails the test when there is none.
template <class T = QWidget>
T* child(const QObject* root, const QString& name) {
    T* w = root->findChild<T*>(name);
    if (!w) throw std::runtime_error("no widget named " + name.toStdString());
    return w;
}

// Runs the event loop until pred() holds or ms pass; true if it held.
inline bool waitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace qor::test
