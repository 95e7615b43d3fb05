#include "ui/QtSerialPort.h"

#include <QMetaObject>
#include <QSerialPortInfo>

namespace qor::ui {
namespace {
std::string kindOf(QSerialPort::SerialPortError e) {
    switch (e) {
        case QSerialPort::ReadError:
            return "read error";
        case QSerialPort::WriteError:
            return "write error";
        case QSerialPort::ResourceError:
            return "device gone";
        default:
            return "error";
    }
}
}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        // The wait inside write() can report a reply that was already on its way; the core
        // must not see it in the middle of sending, so it is told once the write is over.
        if (writing_) {
            arrivedWhileWriting_ = true;
            return;
        }
        notifyArrived();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    onBytesArrived_ = nullptr;
    onLinkLost_ = nullptr;
    if (port_.isOpen()) port_.close();
}

QString QtSerialPort::devicePath(const std::string& name) {
    QString n = QString::fromStdString(name);
#ifdef Q_OS_WIN
    return n;
#else
    if (!n.isEmpty() && !n.contains(QLatin1Char('/'))) return QStringLiteral("/dev/") + n;
    return n;
#endif
}

bool QtSerialPort::open(const std::string& name) {
    if (port_.isOpen()) port_.close();
    name_ = name;
    lossPending_ = false;
    lossReported_ = false;
    lost_ = false;
    errorSignals_ = 0;
    port_.setPortName(devicePath(name));
    port_.setBaudRate(baud_);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    opening_ = true;
    const bool ok = port_.open(QIODevice::ReadWrite);
    if (!ok) {
        opening_ = false;
        const auto err = port_.error();
        const std::string path = devicePath(name).toStdString();
        if (err == QSerialPort::PermissionError)
            lastError_ = "Port " + name + " is in use by another program or not accessible (" +
                         port_.errorString().toStdString() + ")";
        else if (err == QSerialPort::DeviceNotFoundError)
            lastError_ = "Port " + name + " not found (" + path + ")";
        else
            lastError_ = "Port " + name + " cannot be opened: " + port_.errorString().toStdString();
        port_.clearError();
        return false;
    }
    // A pseudo-terminal refuses these ioctls ("Inappropriate ioctl for device"): harmless.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    opening_ = false;
    port_.clearError();
    lastError_.clear();
    return true;
}

void QtSerialPort::close() {
    lost_ = false;
    lossPending_ = false;
    if (port_.isOpen()) port_.close();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen() || lost_;
}

std::string QtSerialPort::name() const {
    return name_;
}

bool QtSerialPort::setBaud(int baud) {
    baud_ = baud;
    if (lost_) return false;
    if (!port_.isOpen()) return true;  // applied on open
    return port_.setBaudRate(baud);
}

int QtSerialPort::baud() const {
    return baud_;
}

bool QtSerialPort::write(const Bytes& data) {
    if (lost_ || lossPending_) return false;  // lastError_ says why
    if (!port_.isOpen()) {
        lastError_ = "Port " + name_ + " is not open";
        return false;
    }
    const auto n =
        port_.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
    if (n != static_cast<qint64>(data.size())) {
        lastError_ = "Write failed: " + port_.errorString().toStdString();
        return false;
    }
    // Qt buffers writes; wait until they reach the device or the write time-out passes.
    writing_ = true;
    bool ok = true;
    while (port_.isOpen() && port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(kWriteTimeoutMs)) {
            if (!lossPending_) lastError_ = "Write time-out on " + name_;
            ok = false;
            break;
        }
    }
    writing_ = false;
    if (arrivedWhileWriting_) {
        arrivedWhileWriting_ = false;
        QMetaObject::invokeMethod(this, &QtSerialPort::notifyArrived, Qt::QueuedConnection);
    }
    return ok && port_.isOpen() && !lossPending_;
}

void QtSerialPort::notifyArrived() {
    if (!port_.isOpen() || lost_) return;
    const auto n = port_.bytesAvailable();
    if (n > 0 && onBytesArrived_) onBytesArrived_(static_cast<std::size_t>(n));
}

bool QtSerialPort::read(std::size_t n, Bytes& out) {
    out.clear();
    if (!port_.isOpen()) return false;
    const QByteArray got = port_.read(static_cast<qint64>(n));
    out.assign(got.begin(), got.end());
    return true;
}

std::size_t QtSerialPort::bytesAvailable() const {
    return port_.isOpen() ? static_cast<std::size_t>(port_.bytesAvailable()) : 0;
}

void QtSerialPort::discardBuffers() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::AllDirections);
    port_.readAll();  // anything Qt had already taken from the driver
}

void QtSerialPort::setOnBytesArrived(std::function<void(std::size_t)> handler) {
    onBytesArrived_ = std::move(handler);
}

std::string QtSerialPort::lastError() const {
    return lastError_;
}

void QtSerialPort::setOnLinkLost(std::function<void(const std::string&)> handler) {
    onLinkLost_ = std::move(handler);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError) return;
    ++errorSignals_;
    switch (error) {
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::ResourceError:
            if (lossPending_ || lossReported_) return;  // the flood after a lost link
            lossPending_ = true;
            lastError_ = "Link lost on " + name_ + " (" + kindOf(error) + ": " +
                         port_.errorString().toStdString() + ")";
            // Closing from inside the error signal re-enters it; close from the event loop.
            QMetaObject::invokeMethod(this, &QtSerialPort::closeAfterLoss, Qt::QueuedConnection);
            return;
        case QSerialPort::UnsupportedOperationError:
            if (opening_) return;  // DTR/RTS on a pseudo-terminal
            break;
        default:
            break;
    }
    if (!opening_) lastError_ = port_.errorString().toStdString();
}

void QtSerialPort::closeAfterLoss() {
    if (!lossPending_) return;
    lost_ = true;
    if (port_.isOpen()) port_.close();
    lossPending_ = false;
    if (lossReported_) return;
    lossReported_ = true;
    if (onLinkLost_) onLinkLost_(lastError_);
}

std::vector<std::string> QtPortLister::availablePorts() const {
    std::vector<std::string> names;
    for (const auto& info : QSerialPortInfo::availablePorts())
        names.push_back(info.portName().toStdString());
    return names;
}

}  // namespace qor::ui
