#pragma once
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/Bytes.h"
#include "core/platform/Scheduler.h"

namespace qor::sim {

// One injected fault: what goes wrong with the module's answer to the Nth request of a letter.
// Occurrences count the requests of that letter the module understood (right speed, right
// checksum), from 1.
struct Fault {
    enum class Kind {
        NoReply,       // the request is carried out, its answer is lost
        BadChecksum,   // last byte of the answer + 1
        BadFirstByte,  // first byte replaced by `value` (the checksum is left as it was)
        Chunks,        // answer split into `count` pieces, `gap` ms apart
        Delay,         // answer starts `gap` ms late
        Extra,         // `count` bytes of `value` appended
        Silence,       // the module never answers again (this request is not carried out)
        Disconnect,    // the device is gone: the port fails, the module hears nothing
    };
    char letter = 0;
    int first = 1;  // first occurrence hit
    int last = 1;   // last occurrence hit (inclusive)
    Kind kind = Kind::NoReply;
    int count = 0;
    Millis gap = 0;
    Byte value = 0;

    static constexpr int kEvery = std::numeric_limits<int>::max();
};

// What the module puts on the line in one go, before the transport applies timing.
struct Transmission {
    Bytes bytes;
    int baud = 0;      // the module's speed while sending
    Millis delay = 0;  // wait before the first byte
    int chunks = 1;    // pieces the bytes are cut into
    Millis gap = 0;    // between pieces
};

// The faults planned for a run. Matching is by letter and occurrence; several faults may hit
// the same answer and are applied in the order they were added.
class FaultPlan {
  public:
    void add(const Fault& f) { faults_.push_back(f); }
    void clear() { faults_.clear(); }
    bool empty() const { return faults_.empty(); }
    // The faults that hit the given occurrence of a letter.
    std::vector<Fault> matching(char letter, int occurrence) const;

    // Parses one line of a fault script (see sim/README.md). Blank lines and lines starting
    // with '#' give nothing and no error. On a bad line `error` says why.
    static std::optional<Fault> parseLine(const std::string& line, std::string& error);
    // Parses a whole script; false with `error` naming the line number on the first bad line.
    bool parseScript(const std::string& text, std::string& error);

  private:
    std::vector<Fault> faults_;
};

}  // namespace qor::sim
