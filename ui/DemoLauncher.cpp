#include "ui/DemoLauncher.h"

#include <QDeadlineTimer>
#include <QDir>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>

#include <csignal>
#endif

namespace qor::ui {

DemoLauncher::DemoLauncher(QObject* parent) : QObject(parent) {
    // Its later output is of no interest; its errors go to ours.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // Should this program die without cleaning up, the simulator goes with it.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
}

DemoLauncher::~DemoLauncher() {
    stop();
}

QString DemoLauncher::simulatorPath(const QString& programDir) {
#ifdef Q_OS_WIN
    return QDir(programDir).filePath(QStringLiteral("qor-etc-sim.exe"));
#else
    return QDir(programDir).filePath(QStringLiteral("qor-etc-sim"));
#endif
}

QString DemoLauncher::start(const QString& program, const QStringList& args, int timeoutMs) {
    error_.clear();
    process_.start(program, args);
    if (!process_.waitForStarted(timeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(program, process_.errorString());
        return {};
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine()) {
        if (process_.state() == QProcess::NotRunning) {
            error_ = QStringLiteral("%1 ended before naming its device").arg(program);
            return {};
        }
        if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(
                                         qMax<qint64>(1, deadline.remainingTime())))) {
            if (process_.canReadLine()) break;
            if (deadline.hasExpired()) {
                error_ =
                    QStringLiteral("%1 named no device within %2 ms").arg(program).arg(timeoutMs);
                stop();
                return {};
            }
        }
    }
    const QString path = QString::fromLocal8Bit(process_.readLine()).trimmed();
    if (path.isEmpty()) {
        error_ = QStringLiteral("%1 named an empty device").arg(program);
        stop();
        return {};
    }
    // Keep draining what it prints so a full pipe never blocks it.
    if (!draining_) {
        draining_ = true;
        connect(&process_, &QProcess::readyReadStandardOutput, this,
                [this] { process_.readAllStandardOutput(); });
    }
    return path;
}

void DemoLauncher::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();  // the simulator ends cleanly on SIGTERM
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}

}  // namespace qor::ui
