#include "ui/Shell.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLocale>

namespace qor::ui {

Shell::Shell(Platform platform, std::vector<std::string> args, std::string appDir)
    : tool_(std::make_unique<Tool>(platform.scheduler, platform.port, platform.dialogs,
                                   platform.opener, platform.ports, std::move(args),
                                   std::move(appDir))),
      transfer_(std::make_unique<Transfer>(*tool_, platform.dialogs,
                                           ImageContext{params_, stores_, effects_})),
      main_(std::make_unique<MainWindow>()),
      errors_(std::make_unique<ErrorsWindow>(main_.get())),
      settings_(std::make_unique<SettingsWindow>(main_.get())),
      keys_(std::make_unique<KeyPreview>()) {
    // Live values are written with the user's decimal separator.
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 128)
        tool_->liveData().format.decimalSeparator = static_cast<char>(point.at(0).unicode());
    auto& hooks = tool_->hooks();
    // Column headers come from the parameter set (RPM range page, idle start speed).
    hooks.rpmRangeRows = [this] {
        std::array<double, 21> rows{};
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = params_.get("RPM_Range_Row" + std::to_string(i + 1));
        return rows;
    };
    hooks.idleStartSpeed = [this] { return params_.get("beginwaarde"); };

    // Parameter files: Open file / F2, Save file / F3.
    Tool* t = tool_.get();
    FileCommandHooks fileHooks;
    fileHooks.stopLink = [t] { t->link().StopLink(); };
    fileHooks.requestLiveData = [t] {
        t->state().RxMuted = false;
        t->link().RequestLiveData();
    };
    fileHooks.selectRegionTable = [t] { t->SelectRegionTable(); };
    fileHooks.enterOfflineState = [t] {
        t->SetDashboardActive(false);
        t->timer1().setEnabled(false);
        t->timer2().setEnabled(false);
        t->EnableFileCommands(false);
        t->view().main.menu = MenuVariant::AfterOpenFile;
        t->UpdateThrottleLimitHeaders();
        t->UpdateOpenLoopIdleHeaders();
    };
    fileCommands_ = std::make_unique<ParameterFileCommands>(
        tool_->state(), ImageContext{params_, stores_, effects_}, platform.dialogs,
        platform.fileDialogs, platform.files, std::move(fileHooks));
    hooks.openFile = [this] { fileCommands_->OpenFileClick(); };
    hooks.saveFile = [this] { fileCommands_->SaveFileClick(); };
    tool_->onViewChanged = [this] { render(); };
    bindMainWindow();
    bindOtherWindows();
    render();
}

Shell::~Shell() {
    if (tool_) tool_->onViewChanged = nullptr;
    keys_.reset();
    splash_.reset();
    settings_.reset();
    errors_.reset();
}

void Shell::bindMainWindow() {
    MainWindow* m = main_.get();
    Tool* t = tool_.get();
    connect(m, &MainWindow::dashboardClicked, this, [t] { t->dashboardClick(); });
    connect(m, &MainWindow::upDownLoadClicked, this, [t] { t->upDownLoadButtonClick(); });
    connect(m, &MainWindow::stayOfflineClicked, this, [t] { t->stayOfflineClick(); });
    connect(m, &MainWindow::menuCancelClicked, this, [t] { t->cancelMenuClick(); });
    connect(m, &MainWindow::uploadClicked, this, [t] { t->uploadClick(); });
    connect(m, &MainWindow::downloadClicked, this, [t] { t->downloadClick(); });
    connect(m, &MainWindow::lockUnlockClicked, this, [t] { t->lockClick(); });
    connect(m, &MainWindow::helpClicked, this, [t] { t->helpClick(); });
    connect(m, &MainWindow::commErrorsClicked, this, [t] { t->commErrorsLabelClick(); });
    // File and options commands run through the same paths as F2, F3 and F4.
    connect(m, &MainWindow::openFileClicked, this, [t] { t->keyDown(Key::F2, NoModifier); });
    connect(m, &MainWindow::saveFileClicked, this, [t] { t->keyDown(Key::F3, NoModifier); });
    connect(m, &MainWindow::optionsClicked, this, [t] { t->keyDown(Key::F4, NoModifier); });
    keys_->watch(m, [t](const QKeyEvent& e) {
        const Key k = keyOf(e.key());
        if (k == Key::Other) return false;
        return t->keyDown(k, modifiersOf(e.modifiers()));
    });
}

void Shell::bindOtherWindows() {
    Tool* t = tool_.get();
    connect(errors_.get(), &ErrorsWindow::clearClicked, this,
            [t] { t->errorsClearMessageClick(); });
    // The errors window passes on Alt+S, Alt+P and Alt+L as the main window has them.
    keys_->watch(errors_.get(), [t](const QKeyEvent& e) {
        const Key k = keyOf(e.key());
        if (k == Key::Other) return false;
        return t->errorsWindowKeyDown(k, modifiersOf(e.modifiers()));
    });
    connect(settings_.get(), &SettingsWindow::portSaveClicked, this, [t](int index) {
        t->portPageSelect(index);
        t->portPageSave();
    });
    connect(settings_.get(), &SettingsWindow::portCancelClicked, this,
            [t] { t->portPageCancel(); });
    connect(settings_->portList(), qOverload<int>(&QComboBox::activated), this,
            [t](int index) { t->portPageSelect(index); });
}

void Shell::runSplash() {
    if (!tool_->view().splash.visible) return;
    splash_ = std::make_unique<SplashWindow>();
    connect(splash_.get(), &SplashWindow::creditClicked, this,
            [this] { tool_->splashCreditClicked(); });
    render();
    splash_->closeTimer().start();
    const bool ok = splash_->exec() == QDialog::Accepted;
    tool_->splashClosed(ok);
    // The OK close ends that window; a timer close leaves it, hidden, until the program ends.
    if (ok) splash_.reset();
}

void Shell::showMain() {
    main_->move(0, 20);
    main_->show();
    tool_->show();
    tool_->placeErrorsWindow(main_->width());
}

void Shell::render() {
    const Presentation& v = tool_->view();
    main_->render(v.main, v.dashboard);
    errors_->render(v.errors);
    settings_->render(v.portPage);
    if (splash_) splash_->render(v.splash);
    const bool online = tool_->state().LinkOnline;
    if (online != lastOnline_) {
        lastOnline_ = online;
        if (onLinkOnlineChanged) onLinkOnlineChanged(online);
    }
}

Key Shell::keyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Space:
            return Key::Space;
        case Qt::Key_S:
            return Key::S;
        case Qt::Key_P:
            return Key::P;
        case Qt::Key_L:
            return Key::L;
        case Qt::Key_F1:
            return Key::F1;
        case Qt::Key_F2:
            return Key::F2;
        case Qt::Key_F3:
            return Key::F3;
        case Qt::Key_F4:
            return Key::F4;
        case Qt::Key_F7:
            return Key::F7;
        case Qt::Key_F10:
            return Key::F10;
        default:
            return Key::Other;
    }
}

unsigned Shell::modifiersOf(Qt::KeyboardModifiers m) {
    unsigned bits = NoModifier;
    if (m.testFlag(Qt::ShiftModifier)) bits |= Shift;
    if (m.testFlag(Qt::ControlModifier)) bits |= Ctrl;
    if (m.testFlag(Qt::AltModifier)) bits |= Alt;
    return bits;
}

}  // namespace qor::ui
