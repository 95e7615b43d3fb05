#include "sim/FaultPlan.h"

#include <array>
#include <sstream>

namespace qor::sim {

std::vector<Fault> FaultPlan::matching(char letter, int occurrence) const {
    std::vector<Fault> out;
    for (const auto& f : faults_)
        if (f.letter == letter && occurrence >= f.first && occurrence <= f.last) out.push_back(f);
    return out;
}

namespace {

bool parseInt(const std::string& s, long min, long max, long& out) {
    if (s.empty()) return false;
    try {
        std::size_t used = 0;
        long v = std::stol(s, &used, 0);
        if (used != s.size() || v < min || v > max) return false;
        out = v;
        return true;
    } catch (...) {
        return false;
    }
}

// A byte is a single character taken literally, or a number (decimal or 0x..).
bool parseByte(const std::string& s, Byte& out) {
    if (s.size() == 1) {
        out = static_cast<Byte>(s[0]);
        return true;
    }
    long v = 0;
    if (!parseInt(s, 0, 255, v)) return false;
    out = static_cast<Byte>(v);
    return true;
}

// N, N-M, N+ (from N on) or "every".
bool parseOccurrence(const std::string& s, int& first, int& last) {
    long a = 0, b = 0;
    if (s == "every") {
        first = 1;
        last = Fault::kEvery;
        return true;
    }
    if (!s.empty() && s.back() == '+') {
        if (!parseInt(s.substr(0, s.size() - 1), 1, 1000000000, a)) return false;
        first = static_cast<int>(a);
        last = Fault::kEvery;
        return true;
    }
    auto dash = s.find('-');
    if (dash != std::string::npos) {
        if (!parseInt(s.substr(0, dash), 1, 1000000000, a) ||
            !parseInt(s.substr(dash + 1), 1, 1000000000, b) || b < a)
            return false;
        first = static_cast<int>(a);
        last = static_cast<int>(b);
        return true;
    }
    if (!parseInt(s, 1, 1000000000, a)) return false;
    first = last = static_cast<int>(a);
    return true;
}

struct KindRow {
    const char* name;
    Fault::Kind kind;
    int minArgs;
    int maxArgs;
};

constexpr std::array<KindRow, 8> kKinds{{
    {"noreply", Fault::Kind::NoReply, 0, 0},
    {"badsum", Fault::Kind::BadChecksum, 0, 0},
    {"badfirst", Fault::Kind::BadFirstByte, 0, 1},
    {"chunks", Fault::Kind::Chunks, 2, 2},
    {"delay", Fault::Kind::Delay, 1, 1},
    {"extra", Fault::Kind::Extra, 1, 2},
    {"silence", Fault::Kind::Silence, 0, 0},
    {"disconnect", Fault::Kind::Disconnect, 0, 0},
}};

}  // namespace

std::optional<Fault> FaultPlan::parseLine(const std::string& line, std::string& error) {
    error.clear();
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string t; in >> t;) w.push_back(t);
    if (w.empty() || w[0][0] == '#') return std::nullopt;
    if (w.size() < 3) {
        error = "expected: LETTER OCCURRENCE KIND [ARGS]";
        return std::nullopt;
    }
    Fault f;
    if (w[0].size() != 1) {
        error = "request letter must be one character: " + w[0];
        return std::nullopt;
    }
    f.letter = w[0][0];
    if (!parseOccurrence(w[1], f.first, f.last)) {
        error = "bad occurrence (N, N-M, N+ or every): " + w[1];
        return std::nullopt;
    }
    const KindRow* row = nullptr;
    for (const auto& k : kKinds)
        if (w[2] == k.name) row = &k;
    if (!row) {
        error = "unknown fault: " + w[2];
        return std::nullopt;
    }
    const int nargs = static_cast<int>(w.size()) - 3;
    if (nargs < row->minArgs || nargs > row->maxArgs) {
        error = "wrong number of arguments for " + w[2];
        return std::nullopt;
    }
    f.kind = row->kind;
    long v = 0;
    switch (f.kind) {
        case Fault::Kind::BadFirstByte:
            f.value = 'x';
            if (nargs == 1 && !parseByte(w[3], f.value)) error = "bad byte: " + w[3];
            break;
        case Fault::Kind::Chunks:
            if (!parseInt(w[3], 1, 100000, v)) {
                error = "bad chunk count: " + w[3];
                break;
            }
            f.count = static_cast<int>(v);
            if (!parseInt(w[4], 0, 3600000, v)) error = "bad gap: " + w[4];
            f.gap = v;
            break;
        case Fault::Kind::Delay:
            if (!parseInt(w[3], 0, 3600000, v)) error = "bad delay: " + w[3];
            f.gap = v;
            break;
        case Fault::Kind::Extra:
            if (!parseInt(w[3], 1, 100000, v)) {
                error = "bad extra byte count: " + w[3];
                break;
            }
            f.count = static_cast<int>(v);
            if (nargs == 2 && !parseByte(w[4], f.value)) error = "bad byte: " + w[4];
            break;
        default:
            break;
    }
    if (!error.empty()) return std::nullopt;
    return f;
}

bool FaultPlan::parseScript(const std::string& text, std::string& error) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        ++n;
        std::string why;
        auto f = parseLine(line, why);
        if (!why.empty()) {
            error = "line " + std::to_string(n) + ": " + why;
            return false;
        }
        if (f) add(*f);
    }
    return true;
}

}  // namespace qor::sim
