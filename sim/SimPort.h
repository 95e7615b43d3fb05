#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/platform/Port.h"
#include "core/platform/VirtualScheduler.h"
#include "sim/SimModule.h"

namespace qor::sim {

// Texts of lastError().
namespace port_error {
inline const std::string kNoSuchPort = "No such port";
inline const std::string kUnavailable = "Device not available";
inline const std::string kAlreadyOpen = "Port already open";
inline const std::string kNotOpen = "Port not open";
inline const std::string kWriteFailed = "Write failed";
inline const std::string kReadFailed = "Read failed";
inline const std::string kDisconnected = "Device disconnected";
}  // namespace port_error

// A qor::Port wired straight to a SimModule in virtual time. Whatever the tool writes reaches
// the module at once (or after its wire time when paced); the module's answers arrive through
// scheduler events, each chunk followed by the bytes-arrived handler with its size.
class SimPort : public Port {
  public:
    static constexpr const char* kDefaultDevice = "/dev/ttySIM0";

    SimPort(VirtualScheduler& scheduler, SimModule& module,
            std::string deviceName = kDefaultDevice);
    ~SimPort() override;

    // qor::Port
    bool open(const std::string& name) override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::string name() const override { return name_; }
    bool setBaud(int baud) override;
    int baud() const override { return baud_; }
    bool write(const Bytes& data) override;
    bool read(std::size_t n, Bytes& out) override;
    std::size_t bytesAvailable() const override { return input_.size(); }
    void discardBuffers() override { input_.clear(); }
    void setOnBytesArrived(std::function<void(std::size_t)> handler) override {
        onArrived_ = std::move(handler);
    }
    std::string lastError() const override { return error_; }

    // --- Test controls ----------------------------------------------------------------------
    // Paced: bytes take 10 bit times each at the current baud rate, both ways. Unpaced (the
    // default): an answer arrives whole, `latency` ms after the request.
    void setPacing(bool on) { paced_ = on; }
    void setLatency(Millis ms) { latency_ = ms; }
    // The device name that opens; any other name fails.
    void setDeviceName(const std::string& name) { device_ = name; }
    // Unavailable: open() fails (cable unplugged).
    void setAvailable(bool on) { available_ = on; }
    void setWriteFails(bool on) { writeFails_ = on; }
    void setReadFails(bool on) { readFails_ = on; }

    // Every write attempted while open, with the tool's baud rate at that moment.
    struct WriteRecord {
        Millis at = 0;
        int baud = 0;
        Bytes bytes;
        bool ok = true;
    };
    const std::vector<WriteRecord>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    // The bytes of all successful writes since the last clearWrites(), one frame per entry.
    std::vector<Bytes> writtenFrames() const;

    // Bytes handed to the tool so far (what arrived, before any read), in arrival order.
    const std::vector<Bytes>& arrivals() const { return arrivals_; }

    SimModule& module() { return module_; }

  private:
    void deliver(std::uint64_t generation, const Bytes& bytes, int sentAtBaud);

    VirtualScheduler& scheduler_;
    SimModule& module_;
    std::string device_;
    std::string name_;
    bool open_ = false;
    int baud_ = kPowerUpBaud;
    bool paced_ = false;
    Millis latency_ = 1;
    bool available_ = true;
    bool writeFails_ = false;
    bool readFails_ = false;
    Bytes input_;
    std::string error_;
    std::uint64_t generation_ = 0;  // bumps on close: answers still on the way are lost
    Millis lineFreeAt_ = 0;         // the module's transmitter is busy until then
    std::vector<WriteRecord> writes_;
    std::vector<Bytes> arrivals_;
    std::function<void(std::size_t)> onArrived_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace qor::sim
