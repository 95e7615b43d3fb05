#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include "core/platform/Bytes.h"

namespace qor {

// A serial port as the protocol sees it: 8N1, no flow control, DTR/RTS off.
class Port {
public:
    virtual ~Port() = default;
    // Opens the named port; false when it cannot be opened (lastError() says why).
    virtual bool open(const std::string& name) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual std::string name() const = 0;
    virtual bool setBaud(int baud) = 0;
    virtual int baud() const = 0;
    // Blocks until written or the 2000 ms write time-out; false on any failure.
    virtual bool write(const Bytes& data) = 0;
    // Removes and returns up to n bytes from the front of the input queue.
    // Returns false when reading fails.
    virtual bool read(std::size_t n, Bytes& out) = 0;
    virtual std::size_t bytesAvailable() const = 0;
    // Discards both the input queue and anything not yet sent.
    virtual void discardBuffers() = 0;
    // Called on the core's thread with the number of bytes that just arrived.
    virtual void setOnBytesArrived(std::function<void(std::size_t)> handler) = 0;
    virtual std::string lastError() const = 0;
};

// Lists the serial ports present on the machine, for the port page.
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<std::string> availablePorts() const = 0;
};

}  // namespace qor
