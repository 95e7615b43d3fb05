#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "UiTestSupport.h"
#include "core/diagnostics/DiagnosticsTexts.h"
#include "ui/ErrorsWindow.h"
#include "ui/QtDialogs.h"
#include "ui/QtFileDialogs.h"
#include "ui/SettingsWindow.h"
#include "ui/SplashWindow.h"
#include "ui/Widgets.h"

using namespace qor;
using namespace qor::ui;
using qor::test::child;

namespace {

TEST(SplashWindow, ShowsNameVersionAndHiddenCredit) {
    SplashWindow s;
    EXPECT_EQ(s.objectName(), "OKBottomDlg_openingsscherm");
    EXPECT_EQ(s.size(), QSize(617, 367));
    EXPECT_EQ(s.palette().color(QPalette::Window), QColor(192, 192, 192));
    QStringList texts;
    for (auto* l : s.findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains("QOR ETC"));
    EXPECT_TRUE(texts.contains("Version:"));
    auto* version = child<QLabel>(&s, "Label_versie");
    EXPECT_EQ(version->text(), "1.03");
    EXPECT_TRUE(version->font().bold());
    EXPECT_EQ(version->font().pixelSize(), 16);
    EXPECT_EQ(version->font().family(), "Arial");

    auto* strip = child(&s, "Panel_orange_strip");
    EXPECT_EQ(strip->geometry(), QRect(617 - 30, 0, 30, 367));
    EXPECT_EQ(strip->palette().color(QPalette::Window), QColor(255, 148, 40));
    EXPECT_TRUE(child<QPushButton>(&s, "OKBtn")->isDefault());

    // The credit is drawn in the background colour until the core turns it black.
    auto* credit = child<QLabel>(&s, "Label_Velmarin_logo");
    EXPECT_EQ(credit->palette().color(QPalette::WindowText), QColor(192, 192, 192));
    QSignalSpy clicked(&s, &SplashWindow::creditClicked);
    s.show();
    QTest::mouseClick(credit, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    SplashView v;
    v.creditColor = colors::Black;
    v.version = "1.04";
    s.render(v);
    EXPECT_EQ(credit->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(version->text(), "1.04");
}

TEST(SplashWindow, OkAcceptsAndTheTimerRejects) {
    {
        SplashWindow s;
        EXPECT_EQ(s.closeTimer().interval(), 10000);
        QTimer::singleShot(0, &s, [&] { QTest::mouseClick(child(&s, "OKBtn"), Qt::LeftButton); });
        s.closeTimer().start();
        EXPECT_EQ(s.exec(), QDialog::Accepted);
        EXPECT_FALSE(s.closeTimer().isActive());
    }
    {
        SplashWindow s;
        s.closeTimer().setInterval(20);  // the real 10 s, shortened for the test
        s.closeTimer().start();
        EXPECT_EQ(s.exec(), QDialog::Rejected);
    }
}

TEST(ErrorsWindow, ToolWindowWithoutCloseControl) {
    ErrorsWindow e;
    EXPECT_EQ(e.windowTitle(), QString(20, QLatin1Char(' ')) + "Errors and warnings");
    const Qt::WindowFlags f = e.windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(f.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(f.testFlag(Qt::CustomizeWindowHint));
    EXPECT_EQ(e.size(), QSize(303, 405));
    QStringList texts;
    for (auto* l : e.findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains("Orange = warning"));
    EXPECT_TRUE(texts.contains("Red with ! = error"));
    EXPECT_EQ(child<QPushButton>(&e, "Button_clear_message")->text(), "Clear message");
}

// The window shows what the core's errors model says, after the core has applied words.
TEST(ErrorsWindow, RendersTheCoresConditions) {
    ErrorsWindow e;
    ErrorsView v;
    e.render(v);
    EXPECT_FALSE(e.isVisible());
    for (int n = 0; n < 24; ++n) {
        const QString nn = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        EXPECT_TRUE(child(&e, "AdvSmoothStatusIndicator_error_" + nn)->isHidden());
        EXPECT_TRUE(child(&e, "Label_Error_message_" + nn)->isHidden());
        EXPECT_EQ(child<QLabel>(&e, "Label_Error_message_" + nn)->text().toStdString(),
                  diagtext::kErrorConditions[static_cast<std::size_t>(n)]);
    }
    PlaceErrorsWindow(v, 1005);
    ApplyErrorWords(v, 0x0101, 0x0400, 0x0002);  // 00 error, 10 warning, 17 error
    e.render(v);
    EXPECT_TRUE(e.isVisible());
    EXPECT_EQ(e.pos(), QPoint(1005 - 315, 55));
    struct Case {
        const char* nn;
        bool shown;
        QColor color;
        const char* caption;
    };
    const Case cases[] = {{"00", true, QColor(0xFF, 0, 0), "!"},
                          {"17", true, QColor(0xFF, 0, 0), "!"},
                          {"10", true, QColor(0xFF, 0x94, 0x28), ""},
                          {"01", false, {}, ""}};
    for (const auto& c : cases) {
        auto* led = child<Led>(&e, QStringLiteral("AdvSmoothStatusIndicator_error_") + c.nn);
        auto* label = child<QLabel>(&e, QStringLiteral("Label_Error_message_") + c.nn);
        EXPECT_EQ(led->isVisible(), c.shown) << c.nn;
        EXPECT_EQ(label->isVisible(), c.shown) << c.nn;
        if (!c.shown) continue;
        EXPECT_EQ(led->color(), c.color) << c.nn;
        EXPECT_EQ(led->caption(), c.caption) << c.nn;
    }
    EXPECT_EQ(child<QLabel>(&e, "Label_Error_message_17")->text(), "5V short circuit");
    // An error that comes back as a warning turns orange and loses its "!".
    ApplyErrorWords(v, 0x0100, 0x0400, 0x0002);
    e.render(v);
    EXPECT_EQ(child<Led>(&e, "AdvSmoothStatusIndicator_error_00")->color(),
              QColor(0xFF, 0x94, 0x28));
    EXPECT_EQ(child<Led>(&e, "AdvSmoothStatusIndicator_error_00")->caption(), "");

    QSignalSpy clear(&e, &ErrorsWindow::clearClicked);
    QTest::mouseClick(child(&e, "Button_clear_message"), Qt::LeftButton);
    EXPECT_EQ(clear.count(), 1);
    ClearErrorMessages(v);
    e.render(v);
    EXPECT_FALSE(e.isVisible());
    EXPECT_TRUE(child(&e, "Label_Error_message_17")->isHidden());
}

TEST(SettingsWindow, PortPageRendersAndForwards) {
    SettingsWindow s;
    EXPECT_EQ(s.windowTitle(), "Options");
    auto* group = child<QGroupBox>(&s, "GroupBox_set_communicationport");
    EXPECT_EQ(group->title(), "Communicationport");
    auto* list = child<QComboBox>(&s, "ComComboBox_set_communicationport");
    EXPECT_FALSE(list->isEditable());
    EXPECT_EQ(child<QPushButton>(&s, "Button_Save_set_communicationport")->text(), "Save");
    EXPECT_EQ(child<QPushButton>(&s, "Button_Cancel_set_communicationport")->text(), "Cancel");
    QStringList labels;
    for (auto* l : group->findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains("Port:"));

    PortPageView v;
    v.visible = true;
    v.ports = {"ttyS0", "ttyUSB0", "/dev/pts/7"};
    v.selected = 2;
    s.render(v);
    EXPECT_TRUE(s.isVisible());
    EXPECT_TRUE(group->isVisible());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), "/dev/pts/7");

    // The user's pick survives re-rendering of the same view and goes out with Save.
    list->setCurrentIndex(1);
    s.render(v);
    EXPECT_EQ(list->currentIndex(), 1);
    QSignalSpy save(&s, &SettingsWindow::portSaveClicked);
    QSignalSpy cancel(&s, &SettingsWindow::portCancelClicked);
    QTest::mouseClick(child(&s, "Button_Save_set_communicationport"), Qt::LeftButton);
    QTest::mouseClick(child(&s, "Button_Cancel_set_communicationport"), Qt::LeftButton);
    ASSERT_EQ(save.count(), 1);
    EXPECT_EQ(save.at(0).at(0).toInt(), 1);
    EXPECT_EQ(cancel.count(), 1);

    v.visible = false;
    s.render(v);
    EXPECT_FALSE(s.isVisible());
    // Opening again shows the core's selection.
    v.visible = true;
    s.render(v);
    EXPECT_EQ(list->currentIndex(), 2);
    // Nothing selected goes out as -1.
    v.selected = -1;
    s.render(v);
    QTest::mouseClick(child(&s, "Button_Save_set_communicationport"), Qt::LeftButton);
    EXPECT_EQ(save.last().at(0).toInt(), -1);
}

TEST(QtDialogs, KindsButtonsAndExactText) {
    struct Case {
        MessageKind kind;
        QMessageBox::Icon icon;
        std::vector<Button> buttons;
    };
    const Case cases[] = {
        {MessageKind::Plain, QMessageBox::NoIcon, {Button::Ok}},
        {MessageKind::Information, QMessageBox::Information, {Button::Ok}},
        {MessageKind::Warning, QMessageBox::Warning, {Button::Ok, Button::Cancel}},
        {MessageKind::Error, QMessageBox::Critical, {Button::Abort, Button::Retry, Button::Ignore}},
        {MessageKind::Confirmation, QMessageBox::Question, {Button::Yes, Button::No, Button::All}},
    };
    const std::string text = "Do not edit\r\nuse pulldown menu !!!  (two blanks)";
    for (const auto& c : cases) {
        std::unique_ptr<QMessageBox> box(QtDialogs::build(c.kind, text, c.buttons, nullptr));
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->text().toStdString(), text);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        const auto shown = box->buttons();
        ASSERT_EQ(shown.size(), static_cast<qsizetype>(c.buttons.size()));
        for (auto* b : shown) {
            const Button meant = QtDialogs::buttonOf(*box, b);
            EXPECT_NE(std::find(c.buttons.begin(), c.buttons.end(), meant), c.buttons.end());
        }
        EXPECT_EQ(QtDialogs::buttonOf(*box, box->defaultButton()), c.buttons.front());
    }
}

TEST(QtDialogs, ModalBoxReturnsTheButtonPressed) {
    QtDialogs dialogs;
    bool seen = false;
    QString shownText;
    // Click "No" once the box is up (a single-shot may fire before the box exists: poll).
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        shownText = box->text();
        for (auto* b : box->buttons())
            if (QtDialogs::buttonOf(*box, b) == Button::No) b->click();
    });
    poll->start();
    const Button pressed =
        dialogs.message(MessageKind::Confirmation, "Save changes?", {Button::Yes, Button::No});
    delete poll;
    EXPECT_TRUE(seen);
    EXPECT_EQ(shownText, "Save changes?");
    EXPECT_EQ(pressed, Button::No);
}

TEST(QtDocumentOpener, MissingFileIsReported) {
    QtDocumentOpener opener;
    EXPECT_FALSE(opener.open("/nonexistent/qor/Manual.pdf"));
}

}  // namespace

namespace {

TEST(QtFileDialogs, FiltersInQtForm) {
    struct Case {
        const char* given;
        const char* qt;
    };
    const Case cases[] = {{"E_gas (*.e00)|*.e00", "E_gas (*.e00)"},
                          {"E_gas(*.e00)|*e00", "E_gas (*.e00)"},
                          {"All files", "All files"}};
    for (const auto& c : cases) EXPECT_EQ(QtFileDialogs::filterOf(c.given), c.qt) << c.given;
}

}  // namespace
