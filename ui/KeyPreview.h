#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QKeyEvent;

namespace qor::ui {

// Lets a window see every key first, whatever widget inside it has the focus: an event
// filter on the application hands each key press to the handler of the window it is for.
// The handler returns true when the key is used up; otherwise it goes on to the focused
// widget as usual.
class KeyPreview : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<bool(const QKeyEvent&)>;

    explicit KeyPreview(QObject* parent = nullptr);
    ~KeyPreview() override;
    void watch(QWidget* window, Handler handler);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Entry {
        QPointer<QWidget> window;
        Handler handler;
    };
    std::vector<Entry> entries_;
};

}  // namespace qor::ui
