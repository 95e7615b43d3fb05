#pragma once
#include <string>

#include "core/platform/Bytes.h"

// Request frames and reply checks of the serial protocol. A framed request ends with a
// checksum byte: the sum of every byte before it, modulo 256. Single letters carry none.
namespace qor::frames {

Byte Checksum(const Byte* data, std::size_t count);
// True when the last byte equals the sum of all bytes before it (needs at least 2 bytes).
bool ChecksumOk(const Bytes& frame);

// letter + payload + checksum over both.
Bytes Framed(char letter, const Bytes& payload);
Bytes Single(char letter);

Bytes AccessLevelQuery();                              // 'a' 'A' 'B' 'C' 'D' cs
Bytes SetAccessLevel(int masterLevel, int userLevel);  // 'A' word(master*256+user) cs
// 'p' or 'P' with the password cut or padded on the right with '0' to 10 characters.
Bytes Password(char letter, const std::string& password);
std::string PadPassword(const std::string& password);
Bytes CalibrationStep(int step);        // 'q' 'A' 'B' 'C' step cs
Bytes BlockRead(int start, int count);  // 'Z' word(start) word(count) cs
// 'E' + TxPayload (n, address, data) + checksum. The checksum covers n + 5 bytes as the
// frame itself states, but never more than the frame holds.
Bytes PageWrite(const Bytes& txPayload);
Bytes CellWrite(char letter, const Bytes& txPayload);  // 'B' or 'C' + 4 bytes + cs

// First bytes a reply may start with; anything else is line noise and fails at once.
bool AcceptedFirstByte(Byte b);

// Text field of a 'V' or 'S' reply: bytes 1 up to but not including the last.
std::string TextField(const Bytes& reply);

}  // namespace qor::frames
