#include "sim/SimPort.h"

#include <algorithm>

#include "sim/Wire.h"

namespace qor::sim {

SimPort::SimPort(VirtualScheduler& scheduler, SimModule& module, std::string deviceName)
    : scheduler_(scheduler), module_(module), device_(std::move(deviceName)) {}

SimPort::~SimPort() = default;

bool SimPort::open(const std::string& name) {
    if (open_) {
        error_ = port_error::kAlreadyOpen;
        return false;
    }
    if (name != device_) {
        error_ = port_error::kNoSuchPort;
        return false;
    }
    if (!available_ || module_.disconnected()) {
        error_ = port_error::kUnavailable;
        return false;
    }
    name_ = name;
    open_ = true;
    error_.clear();
    input_.clear();
    return true;
}

void SimPort::close() {
    open_ = false;
    input_.clear();
    ++generation_;
}

bool SimPort::setBaud(int baud) {
    if (baud <= 0) return false;
    baud_ = baud;
    return true;
}

std::vector<Bytes> SimPort::writtenFrames() const {
    std::vector<Bytes> out;
    for (const auto& w : writes_)
        if (w.ok) out.push_back(w.bytes);
    return out;
}

bool SimPort::write(const Bytes& data) {
    if (!open_) {
        error_ = port_error::kNotOpen;
        return false;
    }
    const Millis now = scheduler_.now();
    writes_.push_back({now, baud_, data, false});
    if (module_.disconnected()) {
        error_ = port_error::kDisconnected;
        return false;
    }
    if (writeFails_) {
        error_ = port_error::kWriteFailed;
        return false;
    }
    writes_.back().ok = true;
    auto sent = module_.receive(data, baud_);
    Millis start = now + (paced_ ? wireTime(data.size(), baud_) : 0) + latency_;
    for (const auto& t : sent) {
        start = std::max(start, lineFreeAt_);
        const ChunkPlan plan = planChunks(t, paced_);
        for (const auto& c : plan.chunks) {
            std::weak_ptr<int> alive = alive_;
            const auto gen = generation_;
            const int at = t.baud;
            scheduler_.callAfter(start + c.at - now, [this, alive, gen, bytes = c.bytes, at] {
                if (alive.lock()) deliver(gen, bytes, at);
            });
        }
        lineFreeAt_ = start + plan.end;
    }
    return true;
}

void SimPort::deliver(std::uint64_t generation, const Bytes& bytes, int sentAtBaud) {
    if (generation != generation_ || !open_ || module_.disconnected()) return;
    // Bytes sent at another speed than the port's arrive as noise.
    Bytes got = sentAtBaud == baud_ ? bytes : Bytes(bytes.size(), kGarbageByte);
    input_.insert(input_.end(), got.begin(), got.end());
    arrivals_.push_back(got);
    if (onArrived_) onArrived_(got.size());
}

bool SimPort::read(std::size_t n, Bytes& out) {
    out.clear();
    if (!open_) {
        error_ = port_error::kNotOpen;
        return false;
    }
    if (module_.disconnected()) {
        error_ = port_error::kDisconnected;
        return false;
    }
    if (readFails_) {
        error_ = port_error::kReadFailed;
        return false;
    }
    const auto take = static_cast<std::ptrdiff_t>(std::min(n, input_.size()));
    out.assign(input_.begin(), input_.begin() + take);
    input_.erase(input_.begin(), input_.begin() + take);
    return true;
}

}  // namespace qor::sim
