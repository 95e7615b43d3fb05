#pragma once
#include <QObject>
#include <QSerialPort>
#include <functional>

#include "core/platform/Port.h"

namespace qor::ui {

// The core's serial port on a QSerialPort: 8N1, no flow control, DTR/RTS off where the
// device allows it, 2000 ms write time-out.
//
// Read, write and resource errors all mean the link is gone (a USB cable pulled, the far end
// of a pseudo-terminal closed). Qt 6.4 repeats a stale ReadError endlessly once the far end
// closes, so the device is closed through a queued call and the loss is reported once. The
// port stays open as far as the core is concerned (it holds it until it closes it): every
// write fails from then on and nothing arrives, as with the device itself, so the core's own
// failure handling takes the link offline.
class QtSerialPort : public QObject, public Port {
    Q_OBJECT
  public:
    static constexpr int kWriteTimeoutMs = 2000;

    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    // "ttyUSB0" -> "/dev/ttyUSB0" on Linux; paths and Windows names stay as given.
    static QString devicePath(const std::string& name);

    bool open(const std::string& name) override;
    void close() override;
    bool isOpen() const override;
    std::string name() const override;
    bool setBaud(int baud) override;
    int baud() const override;
    bool write(const Bytes& data) override;
    bool read(std::size_t n, Bytes& out) override;
    std::size_t bytesAvailable() const override;
    void discardBuffers() override;
    void setOnBytesArrived(std::function<void(std::size_t)> handler) override;
    std::string lastError() const override;

    // Called once per opened session when the link is lost (after the port has been closed).
    void setOnLinkLost(std::function<void(const std::string& why)> handler);
    // Number of error signals seen since the last open (for the far-end-close test).
    int errorSignalsSinceOpen() const { return errorSignals_; }

  private:
    void onError(QSerialPort::SerialPortError error);
    void closeAfterLoss();
    void notifyArrived();

    QSerialPort port_;
    std::string name_;
    int baud_ = 9600;
    std::string lastError_;
    std::function<void(std::size_t)> onBytesArrived_;
    std::function<void(const std::string&)> onLinkLost_;
    bool lossPending_ = false;   // a queued close is on its way
    bool lossReported_ = false;  // this session's loss has been reported
    bool lost_ = false;          // the device is gone but the core has not closed the port
    bool opening_ = false;       // DTR/RTS refusals during open are harmless
    bool writing_ = false;       // inside write(): Qt may report arrivals from its wait
    bool arrivedWhileWriting_ = false;
    int errorSignals_ = 0;
};

// The serial ports present on the machine, by the names the port is opened with.
class QtPortLister : public PortLister {
  public:
    std::vector<std::string> availablePorts() const override;
};

}  // namespace qor::ui
