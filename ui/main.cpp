#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "ui/CommandLine.h"
#include "ui/DemoLauncher.h"
#include "ui/QtDialogs.h"
#include "ui/QtFileDialogs.h"
#include "ui/QtScheduler.h"
#include "ui/QtSerialPort.h"
#include "ui/Shell.h"

using namespace qor::ui;

namespace {

void status(const std::string& line) {
    std::fprintf(stderr, "qor-etc: %s\n", line.c_str());
    std::fflush(stderr);
}

// Saves the main window, and the errors window when it shows, as pictures.
bool saveScreenshots(Shell& shell, const QString& file) {
    bool ok = shell.mainWindow().grab().save(file);
    status((ok ? "saved " : "could not save ") + file.toStdString());
    if (shell.errorsWindow().isVisible()) {
        const QFileInfo fi(file);
        const QString errorsFile =
            fi.dir().filePath(fi.completeBaseName() + QStringLiteral("-errors.") + fi.suffix());
        const bool saved = shell.errorsWindow().grab().save(errorsFile);
        status((saved ? "saved " : "could not save ") + errorsFile.toStdString());
        ok = ok && saved;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("QOR ETC"));

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const CommandLine cl = CommandLine::parse(args);
    if (!cl.error.empty()) {
        if (cl.error != "help") std::fprintf(stderr, "qor-etc: %s\n", cl.error.c_str());
        std::fputs(CommandLine::usage(), stderr);
        return cl.error == "help" ? 0 : 2;
    }

    const QString programDir = QCoreApplication::applicationDirPath();
    std::optional<std::string> port = cl.port;
    DemoLauncher demo;
    if (cl.demo) {
        const QString sim = DemoLauncher::simulatorPath(programDir);
        QStringList simArgs;
        if (const QByteArray extra = qgetenv("QOR_SIM_ARGS"); !extra.isEmpty())
            simArgs = QString::fromLocal8Bit(extra).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString device = demo.start(sim, simArgs);
        if (device.isEmpty()) {
            status("demo: " + demo.error().toStdString());
            return 1;
        }
        status("demo: simulated module on " + device.toStdString());
        port = device.toStdString();
    }

    QtScheduler scheduler;
    QtSerialPort serial;
    QtDocumentOpener opener;
    QtPortLister ports;
    qor::DiskFileStore files;
    std::unique_ptr<Shell> shell;
    QtFileDialogs fileDialogs(
        [&shell]() -> QWidget* { return shell ? &shell->mainWindow() : nullptr; });
    QtDialogs dialogs([&shell]() -> QWidget* {
        if (QWidget* w = QApplication::activeWindow()) return w;
        return shell ? &shell->mainWindow() : nullptr;
    });

    std::vector<std::string> coreArgs{argv[0]};
    coreArgs.insert(coreArgs.end(), cl.coreArgs.begin(), cl.coreArgs.end());
    std::string appDir = QDir::toNativeSeparators(programDir).toStdString();
    appDir += static_cast<char>(QDir::separator().toLatin1());
    shell = std::make_unique<Shell>(
        Shell::Platform{scheduler, serial, dialogs, opener, ports, fileDialogs, files}, coreArgs,
        appDir);
    if (port) shell->tool().overridePort(*port);
    dialogs.beforeShow = [&shell, &serial](qor::MessageKind, const std::string& text) {
        status("message: " + text);
        if (!serial.isOpen() && !serial.lastError().empty()) status("port: " + serial.lastError());
        if (shell) shell->render();
    };

    serial.setOnLinkLost([](const std::string& why) { status(why); });
    bool wasOnline = false;
    shell->onLinkOnlineChanged = [&](bool online) {
        if (online) {
            wasOnline = true;
            status("online on " + shell->tool().state().PortName);
            return;
        }
        // The status label tells why: "<port> errors:6" after six failed replies.
        status("offline (" + shell->tool().view().main.commErrorsCaption + ")");
        if (cl.exitWhenOffline && wasOnline)
            QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
    };
    QObject::connect(&shell->mainWindow(), &MainWindow::closing, &app, &QApplication::quit);

    shell->runSplash();
    shell->showMain();

    if (cl.screenshot) {
        const QString file = QString::fromStdString(*cl.screenshot);
        QTimer::singleShot(static_cast<int>(cl.screenshotAfterSeconds * 1000), &app, [&, file] {
            QApplication::exit(saveScreenshots(*shell, file) ? 0 : 1);
        });
    }
    const int rc = app.exec();
    shell.reset();
    demo.stop();
    return rc;
}
