#include "ui/SettingsWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "ui/UiTexts.h"

namespace qor::ui {

SettingsWindow::SettingsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QString::fromUtf8(texts::kOptionsCaption));
    setFixedSize(460, 260);

    portPage_ = new QGroupBox(QString::fromUtf8(texts::kPortGroup), this);
    portPage_->setObjectName(QStringLiteral("GroupBox_set_communicationport"));
    portPage_->setGeometry(10, 10, 300, 130);
    auto* label = new QLabel(QString::fromUtf8(texts::kPortLabel), portPage_);
    label->setObjectName(QStringLiteral("Label_set_communicationport"));
    label->setGeometry(14, 32, 40, 24);
    ports_ = new QComboBox(portPage_);
    ports_->setObjectName(QStringLiteral("ComComboBox_set_communicationport"));
    ports_->setEditable(false);
    ports_->setGeometry(60, 32, 220, 24);
    auto* save = new QPushButton(QString::fromUtf8(texts::kSave), portPage_);
    save->setObjectName(QStringLiteral("Button_Save_set_communicationport"));
    save->setGeometry(60, 80, 100, 30);
    cancel_ = new QPushButton(QString::fromUtf8(texts::kCancel), portPage_);
    cancel_->setObjectName(QStringLiteral("Button_Cancel_set_communicationport"));
    cancel_->setGeometry(180, 80, 100, 30);
    portPage_->hide();
    connect(save, &QPushButton::clicked, this,
            [this] { emit portSaveClicked(ports_->currentIndex()); });
    connect(cancel_, &QPushButton::clicked, this, &SettingsWindow::portCancelClicked);
}

void SettingsWindow::render(const PortPageView& v) {
    QStringList items;
    for (const auto& p : v.ports) items << QString::fromStdString(p);
    QStringList current;
    for (int i = 0; i < ports_->count(); ++i) current << ports_->itemText(i);
    const bool opening = v.visible && !portPage_->isVisibleTo(this);
    bool reselect = opening || v.selected != lastSelected_;
    if (current != items) {
        ports_->clear();
        ports_->addItems(items);
        reselect = true;
    }
    // The user's pick stands until the core's choice changes or the page opens again.
    if (reselect) ports_->setCurrentIndex(v.selected);
    lastSelected_ = v.selected;
    portPage_->setVisible(v.visible);
    if (v.visible && !isVisible()) {
        show();
        raise();
        cancel_->setFocus();
    } else if (!v.visible && isVisible()) {
        hide();
    }
}

void SettingsWindow::closeEvent(QCloseEvent* e) {
    // Closing from the title bar is the page's Cancel.
    if (e->spontaneous() && portPage_->isVisible()) {
        e->ignore();
        emit portCancelClicked();
        return;
    }
    QWidget::closeEvent(e);
}

}  // namespace qor::ui
