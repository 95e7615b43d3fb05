#pragma once
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qor::ui {

// Starts the simulated module (qor-etc-sim, beside this program) as a child process and
// learns the device path it serves from the first line of its output. The child is
// stopped when the launcher goes away.
class DemoLauncher : public QObject {
    Q_OBJECT
  public:
    explicit DemoLauncher(QObject* parent = nullptr);
    ~DemoLauncher() override;

    static QString simulatorPath(const QString& programDir);
    // Starts the program and waits up to timeoutMs for its first line; returns the device
    // path, or an empty string with error() set.
    QString start(const QString& program, const QStringList& args = {}, int timeoutMs = 10000);
    void stop();
    QString error() const { return error_; }
    bool running() const { return process_.state() != QProcess::NotRunning; }
    qint64 processId() const { return process_.processId(); }

  private:
    QProcess process_;
    QString error_;
    bool draining_ = false;
};

}  // namespace qor::ui
