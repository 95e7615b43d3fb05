#include "ui/QtDialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

#include "ui/UiTexts.h"

namespace qor::ui {
namespace {

constexpr const char* kButtonProperty = "qorButton";

struct ButtonMapping {
    Button button;
    QMessageBox::StandardButton standard;  // NoButton: a custom button
    const char* customText;
    QMessageBox::ButtonRole role;
};

constexpr ButtonMapping kButtons[] = {
    {Button::Ok, QMessageBox::Ok, nullptr, QMessageBox::AcceptRole},
    {Button::Cancel, QMessageBox::Cancel, nullptr, QMessageBox::RejectRole},
    {Button::Yes, QMessageBox::Yes, nullptr, QMessageBox::YesRole},
    {Button::No, QMessageBox::No, nullptr, QMessageBox::NoRole},
    {Button::Ignore, QMessageBox::Ignore, nullptr, QMessageBox::AcceptRole},
    {Button::Abort, QMessageBox::Abort, nullptr, QMessageBox::RejectRole},
    {Button::Retry, QMessageBox::Retry, nullptr, QMessageBox::AcceptRole},
    {Button::All, QMessageBox::NoButton, "&All", QMessageBox::YesRole},
};

const ButtonMapping& mappingOf(Button b) {
    for (const auto& s : kButtons)
        if (s.button == b) return s;
    return kButtons[0];
}

}  // namespace

QMessageBox::Icon QtDialogs::iconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
        case MessageKind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

QString QtDialogs::titleOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return QStringLiteral("Information");
        case MessageKind::Warning:
            return QStringLiteral("Warning");
        case MessageKind::Error:
            return QStringLiteral("Error");
        case MessageKind::Confirmation:
            return QStringLiteral("Confirm");
        case MessageKind::Plain:
            break;
    }
    return QString::fromUtf8(texts::kProductName);
}

QMessageBox* QtDialogs::build(MessageKind kind, const std::string& text,
                              const std::vector<Button>& buttons, QWidget* parent) {
    auto* box = new QMessageBox(parent);
    box->setIcon(iconOf(kind));
    box->setWindowTitle(titleOf(kind));
    box->setTextFormat(Qt::PlainText);  // the text exactly as given, blanks included
    box->setText(QString::fromStdString(text));
    std::vector<Button> list = buttons.empty() ? std::vector<Button>{Button::Ok} : buttons;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const ButtonMapping& s = mappingOf(list[i]);
        QAbstractButton* b = s.standard != QMessageBox::NoButton
                                 ? static_cast<QAbstractButton*>(box->addButton(s.standard))
                                 : box->addButton(QString::fromUtf8(s.customText), s.role);
        b->setProperty(kButtonProperty, static_cast<int>(s.button));
        if (i == 0) box->setDefaultButton(qobject_cast<QPushButton*>(b));
    }
    return box;
}

Button QtDialogs::buttonOf(const QMessageBox& box, QAbstractButton* clicked) {
    if (clicked) {
        const QVariant v = clicked->property(kButtonProperty);
        if (v.isValid()) return static_cast<Button>(v.toInt());
    }
    // Closed by Escape or the title bar: the escape button, else the first one.
    const auto all = box.buttons();
    if (QAbstractButton* esc = box.escapeButton()) return buttonOf(box, esc);
    if (!all.isEmpty()) return static_cast<Button>(all.first()->property(kButtonProperty).toInt());
    return Button::Ok;
}

Button QtDialogs::message(MessageKind kind, const std::string& text,
                          const std::vector<Button>& buttons) {
    if (beforeShow) beforeShow(kind, text);
    QWidget* parent = parent_ ? parent_() : nullptr;
    QPointer<QMessageBox> box = build(kind, text, buttons, parent);
    box->exec();
    if (!box) return buttons.empty() ? Button::Ok : buttons.back();
    const Button pressed = buttonOf(*box, box->clickedButton());
    delete box;
    return pressed;
}

bool QtDocumentOpener::open(const std::string& path) {
    const QString p = QString::fromStdString(path);
    if (!QFileInfo::exists(p)) return false;
    // Other failures of the desktop's opener are not reported.
    QDesktopServices::openUrl(QUrl::fromLocalFile(p));
    return true;
}

}  // namespace qor::ui
