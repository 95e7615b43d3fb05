#pragma once
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/platform/Dialogs.h"

namespace qor::ui {

// Modal message boxes. The box runs its own event loop, so timers and port events go on.
class QtDialogs : public Dialogs {
  public:
    // parent() gives the window the box belongs to (may return nullptr).
    explicit QtDialogs(std::function<QWidget*()> parent = {}) : parent_(std::move(parent)) {}

    Button message(MessageKind kind, const std::string& text,
                   const std::vector<Button>& buttons) override;

    // Runs just before a box opens: the windows are brought up to date first, so the user
    // sees the state the message is about behind it.
    std::function<void(MessageKind, const std::string&)> beforeShow;

    // Builds the box without showing it (used by message() and by tests).
    static QMessageBox* build(MessageKind kind, const std::string& text,
                              const std::vector<Button>& buttons, QWidget* parent);
    static QMessageBox::Icon iconOf(MessageKind kind);
    static QString titleOf(MessageKind kind);
    // The button a box button stands for.
    static Button buttonOf(const QMessageBox& box, QAbstractButton* clicked);

  private:
    std::function<QWidget*()> parent_;
};

// The desktop's document opener; false when the file does not exist.
class QtDocumentOpener : public DocumentOpener {
  public:
    bool open(const std::string& path) override;
};

}  // namespace qor::ui
