#include "core/link/Frames.h"

#include <algorithm>
#include <string_view>

#include "core/image/Encodings.h"

namespace qor::frames {

Byte Checksum(const Byte* data, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += data[i];
    return static_cast<Byte>(sum & 0xFF);
}

bool ChecksumOk(const Bytes& frame) {
    if (frame.size() < 2) return false;
    return Checksum(frame.data(), frame.size() - 1) == frame.back();
}

Bytes Framed(char letter, const Bytes& payload) {
    Bytes f;
    f.reserve(payload.size() + 2);
    f.push_back(static_cast<Byte>(letter));
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(Checksum(f.data(), f.size()));
    return f;
}

Bytes Single(char letter) {
    return Bytes{static_cast<Byte>(letter)};
}

Bytes AccessLevelQuery() {
    return Framed('a', bytesOf("ABCD"));
}

Bytes SetAccessLevel(int masterLevel, int userLevel) {
    Bytes p;
    AppendWord(p, masterLevel * 256 + userLevel);
    return Framed('A', p);
}

std::string PadPassword(const std::string& password) {
    std::string p = password.substr(0, 10);
    p.resize(10, '0');
    return p;
}

Bytes Password(char letter, const std::string& password) {
    return Framed(letter, bytesOf(PadPassword(password)));
}

Bytes CalibrationStep(int step) {
    Bytes p = bytesOf("ABC");
    p.push_back(static_cast<Byte>(step & 0xFF));  // a negative step goes as step + 256
    return Framed('q', p);
}

Bytes BlockRead(int start, int count) {
    Bytes p;
    AppendWord(p, start);
    AppendWord(p, count);
    return Framed('Z', p);
}

Bytes PageWrite(const Bytes& txPayload) {
    // Sized up front: GCC 12 at -O3 misreads an insert after a single push_back as overflow.
    Bytes f(1 + txPayload.size());
    f[0] = 'E';
    std::copy(txPayload.begin(), txPayload.end(), f.begin() + 1);
    std::size_t covered = f.size();
    if (txPayload.size() >= 2) {
        covered = static_cast<std::size_t>(txPayload[0]) * 256 + txPayload[1] + 5;
    }
    covered = std::min(covered, f.size());
    f.push_back(Checksum(f.data(), covered));
    return f;
}

Bytes CellWrite(char letter, const Bytes& txPayload) {
    return Framed(letter, txPayload);
}

bool AcceptedFirstByte(Byte b) {
    static constexpr std::string_view kAccepted = "*.?ABCDEIJLPQRSTVYZadfijpq";
    return kAccepted.find(static_cast<char>(b)) != std::string_view::npos;
}

std::string TextField(const Bytes& reply) {
    if (reply.size() < 2) return {};
    return std::string(reply.begin() + 1, reply.end() - 1);
}

}  // namespace qor::frames
