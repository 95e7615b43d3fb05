#include "sim/SimModule.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace qor::sim {

namespace {

Byte sumOf(const Bytes& b, std::size_t n) {
    unsigned s = 0;
    for (std::size_t i = 0; i < n; ++i) s += b[i];
    return static_cast<Byte>(s & 0xFF);
}

// Appends the checksum: the sum of all bytes so far, modulo 256.
Bytes framed(Bytes b) {
    b.push_back(sumOf(b, b.size()));
    return b;
}

Bytes okOrNo(char letter, bool ok) {
    return framed({static_cast<Byte>(letter), static_cast<Byte>(ok ? 'O' : 'N'),
                   static_cast<Byte>(ok ? 'K' : 'O')});
}

std::uint16_t wordAt(const Bytes& b, std::size_t i) {
    return static_cast<std::uint16_t>(b[i] << 8 | b[i + 1]);
}

bool hasText(const Bytes& frame, std::size_t at, const char* text) {
    for (std::size_t i = 0; text[i]; ++i)
        if (frame[at + i] != static_cast<Byte>(text[i])) return false;
    return true;
}

const Bytes kAck{'Y'};

}  // namespace

namespace live {

std::optional<int> offsetByName(const std::string& name) {
    static const std::vector<std::pair<const char*, int>> fields{
        {"enginespeed", EngineSpeed},
        {"Pedal_pos_1", PedalPos1},
        {"Pedal_pos_mV_1", PedalMv1},
        {"Pedal_pos_mV_2", PedalMv2},
        {"Throttle_pos_1", ThrottlePos1},
        {"Throttle_pos_mV_1", ThrottleMv1},
        {"Battery_Voltage", Battery},
        {"Throttle_pos_mV_2", ThrottleMv2},
        {"Throttle_correction", ThrottleCorrection},
        {"Motor_current", MotorCurrent},
        {"Correction_PID", CorrectionPid},
        {"PWM_Throttle", PwmThrottle},
        {"Load_input", LoadInput},
        {"Response_curve", ResponseCurve},
        {"Water_temp", WaterTemp},
        {"ETC_temp", EtcTemp},
        {"var_launch", VarLaunch},
        {"Pedal_target_1", PedalTarget1},
        {"Pedal_pos_2", PedalPos2},
        {"Pedal_target_2", PedalTarget2},
        {"Throttle_pos_2", ThrottlePos2},
        {"Status_bits", StatusBits},
        {"Calibration_result", CalibrationResult},
        {"var_ALS", VarAls},
        {"Error_word_1", ErrorWord1},
        {"Error_word_2", ErrorWord2},
        {"Error_word_3", ErrorWord3},
    };
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    for (const auto& [field, offset] : fields)
        if (lower(field) == lower(name)) return offset;
    if (!name.empty() && name.size() <= 2 && std::all_of(name.begin(), name.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        const int offset = std::stoi(name);
        if (offset >= 1 && offset <= static_cast<int>(kLiveDataBytes) - 1) return offset;
    }
    return std::nullopt;
}

}  // namespace live

const std::string SimModule::kDefaultUserPassword = padPassword("QOR");

std::string padPassword(const std::string& text) {
    std::string p = text.substr(0, kPasswordLength);
    p.resize(kPasswordLength, '0');
    return p;
}

const std::vector<SimModule::Request>& SimModule::requests() {
    static const std::vector<Request> table{
        {'V', 1, false, &SimModule::onVersion},        {'G', 1, false, &SimModule::onFastBaud},
        {'S', 1, false, &SimModule::onSerial},         {'*', 1, false, &SimModule::onLiveData},
        {'L', 1, false, &SimModule::onLock},           {'R', 1, false, &SimModule::onDownloadEnd},
        {'a', 6, true, &SimModule::onAccessQuery},     {'A', 4, true, &SimModule::onSetLevel},
        {'p', 12, true, &SimModule::onCheckPassword},  {'P', 12, true, &SimModule::onSetPassword},
        {'q', 6, true, &SimModule::onCalibrationStep}, {'Z', 6, true, &SimModule::onBlockRead},
        {'E', 0, true, &SimModule::onPageWrite},       {'B', 6, true, &SimModule::onCellWrite},
        {'C', 6, true, &SimModule::onCellWrite},
    };
    return table;
}

SimModule::SimModule() : live_(kLiveDataBytes, 0) {
    userPassword_ = kDefaultUserPassword;
    masterPassword_ = padPassword("MASTER");
    // A module at rest with the engine off: sensors at their idle voltages, 13.5 V, 80 and 40 C.
    setLiveWord(live::PedalMv1, 600);
    setLiveWord(live::PedalMv2, 300);
    setLiveWord(live::ThrottleMv1, 500);
    setLiveWord(live::ThrottleMv2, 4500);
    setLiveWord(live::Battery, 22);
    setLiveWord(live::ResponseCurve, 1);
    setLiveWord(live::WaterTemp, 100);
    setLiveWord(live::EtcTemp, 60);
}

void SimModule::powerUp() {
    baud_ = kPowerUpBaud;
    rx_.clear();
    authorised_ = false;
}

void SimModule::reconnect() {
    disconnected_ = false;
    powerUp();
}

int SimModule::requestCount(char letter) const {
    auto it = counts_.find(letter);
    return it == counts_.end() ? 0 : it->second;
}

std::uint16_t SimModule::liveWord(int offset) const {
    return static_cast<std::uint16_t>(live_.at(offset - 1) << 8 | live_.at(offset));
}

void SimModule::setLiveWord(int offset, std::uint16_t value) {
    live_.at(offset - 1) = static_cast<Byte>(value >> 8);
    live_.at(offset) = static_cast<Byte>(value & 0xFF);
}

const SimModule::Request* SimModule::find(Byte letter) const {
    for (const auto& r : requests())
        if (static_cast<Byte>(r.letter) == letter) return &r;
    return nullptr;
}

std::vector<Transmission> SimModule::receive(const Bytes& chunk, int toolBaud) {
    std::vector<Transmission> out;
    std::size_t garbled = 0;
    auto flush = [&] {
        if (garbled) sendGarbage(garbled, out);
        garbled = 0;
    };
    for (Byte b : chunk) {
        if (disconnected_) break;
        if (toolBaud != baud_) {
            // A 'V' at the power-up speed is the tool starting over: the module follows it
            // back to 9600. Anything else at the wrong speed is noise to the module.
            if (toolBaud == kPowerUpBaud && b == 'V') {
                flush();
                powerUp();
            } else {
                rx_.clear();
                ++garbled;
                continue;
            }
        }
        flush();
        rx_.push_back(b);
        parse(out);
    }
    flush();
    return out;
}

void SimModule::sendGarbage(std::size_t n, std::vector<Transmission>& out) {
    if (silent_ || disconnected_) return;
    Transmission t;
    t.bytes.assign(n, kGarbageByte);
    t.baud = baud_;
    out.push_back(std::move(t));
}

// Takes complete frames off the front of the receive buffer. A byte that starts no known
// request is dropped; a frame with a wrong checksum is dropped without an answer.
void SimModule::parse(std::vector<Transmission>& out) {
    while (!rx_.empty()) {
        const Request* r = find(rx_[0]);
        if (!r) {
            rx_.erase(rx_.begin());
            continue;
        }
        std::size_t len = r->length;
        if (len == 0) {
            if (rx_.size() < 3) return;
            len = static_cast<std::size_t>(wordAt(rx_, 1)) + 6;
        }
        if (rx_.size() < len) return;
        Bytes frame(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(len));
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(len));
        if (r->framed && sumOf(frame, len - 1) != frame.back()) continue;
        answer(*r, frame, out);
    }
}

void SimModule::answer(const Request& r, const Bytes& frame, std::vector<Transmission>& out) {
    if (silent_) return;
    const int n = ++counts_[r.letter];
    const auto faults = faults_.matching(r.letter, n);
    for (const auto& f : faults) {
        if (f.kind == Fault::Kind::Silence) silent_ = true;
        if (f.kind == Fault::Kind::Disconnect) disconnected_ = true;
    }
    if (silent_ || disconnected_) {
        rx_.clear();
        return;
    }
    Reply reply = (this->*r.handle)(frame);
    if (!reply) return;
    Transmission t;
    t.bytes = std::move(*reply);
    t.baud = baud_;
    for (const auto& f : faults) {
        switch (f.kind) {
            case Fault::Kind::NoReply:
                return;
            case Fault::Kind::BadChecksum:
                t.bytes.back() = static_cast<Byte>(t.bytes.back() + 1);
                break;
            case Fault::Kind::BadFirstByte:
                t.bytes.front() = f.value;
                break;
            case Fault::Kind::Chunks:
                t.chunks = f.count;
                t.gap = f.gap;
                break;
            case Fault::Kind::Delay:
                t.delay += f.gap;
                break;
            case Fault::Kind::Extra:
                t.bytes.insert(t.bytes.end(), static_cast<std::size_t>(f.count), f.value);
                break;
            case Fault::Kind::Silence:
            case Fault::Kind::Disconnect:
                break;
        }
    }
    out.push_back(std::move(t));
}

// --- Handlers -----------------------------------------------------------------------------------

SimModule::Reply SimModule::onVersion(const Bytes&) {
    authorised_ = false;  // a new identification forgets an accepted password
    Bytes b{'V'};
    b.insert(b.end(), version_.begin(), version_.end());
    return framed(std::move(b));
}

SimModule::Reply SimModule::onFastBaud(const Bytes&) {
    baud_ = kFastBaud;
    return std::nullopt;
}

SimModule::Reply SimModule::onSerial(const Bytes&) {
    Bytes b{'S'};
    b.insert(b.end(), serial_.begin(), serial_.end());
    return framed(std::move(b));
}

SimModule::Reply SimModule::onLiveData(const Bytes&) {
    Bytes b{'*'};
    b.insert(b.end(), live_.begin(), live_.end());
    // A calibration run reports "running" in this many answers, then its result.
    if (calFramesLeft_ > 0 && --calFramesLeft_ == 0)
        setLiveWord(live::CalibrationResult, calOutcome_);
    return framed(std::move(b));
}

SimModule::Reply SimModule::onLock(const Bytes&) {
    locked_ = true;
    return Bytes{'L'};
}

SimModule::Reply SimModule::onDownloadEnd(const Bytes&) {
    return Bytes{'R'};
}

SimModule::Reply SimModule::onAccessQuery(const Bytes& f) {
    if (!hasText(f, 1, "ABCD")) return std::nullopt;
    return framed({'a', static_cast<Byte>(masterLevel_), static_cast<Byte>(userLevel_)});
}

// The master byte is ignored: the module keeps its own master level. The user level may be set
// after an accepted password, from 1 to 4, and not above a master level of 1 to 3 (a master
// level of 0 or 4 and above limits nothing, as in the tool's own level choice).
SimModule::Reply SimModule::onSetLevel(const Bytes& f) {
    const int user = f[2];
    const bool capped = masterLevel_ >= 1 && masterLevel_ <= 3;
    const bool ok = authorised_ && user >= 1 && user <= 4 && (!capped || user <= masterLevel_);
    if (ok) userLevel_ = user;
    return okOrNo('A', ok);
}

// The master password resets the user password to its default; either password authorises
// the following 'P' and 'A'. A wrong password withdraws the authorisation.
SimModule::Reply SimModule::onCheckPassword(const Bytes& f) {
    const std::string pw(f.begin() + 1, f.begin() + 1 + kPasswordLength);
    bool ok = true;
    if (pw == masterPassword_)
        userPassword_ = kDefaultUserPassword;
    else if (pw != userPassword_)
        ok = false;
    authorised_ = ok;
    return okOrNo('p', ok);
}

SimModule::Reply SimModule::onSetPassword(const Bytes& f) {
    if (authorised_) userPassword_.assign(f.begin() + 1, f.begin() + 1 + kPasswordLength);
    return okOrNo('P', authorised_);
}

// Pedal calibration walks 0 -> 10 -> 11 -> 12 -> running; throttle valve (1 single spring,
// 2 dual spring) runs at once. Running answers 13. With the engine turning, or for any other
// step, the module refuses with 20.
SimModule::Reply SimModule::onCalibrationStep(const Bytes& f) {
    if (!hasText(f, 1, "ABC")) return std::nullopt;
    const int step = static_cast<std::int8_t>(f[4]);
    auto run = [this] {
        if (calFramesLeft_ == 0) {
            calFramesLeft_ = calFrames_;
            setLiveWord(live::CalibrationResult, calFrames_ > 0 ? 1 : calOutcome_);
        }
        return 13;
    };
    int code = 20;
    if (liveWord(live::EngineSpeed) == 0) {
        switch (step) {
            case 0:
                code = 10;
                break;
            case 10:
                code = 11;
                break;
            case 11:
                code = 12;
                break;
            case 12:
            case 1:
            case 2:
                code = run();
                break;
            case 13:
                code = calibrationRunning() ? 13 : 20;
                break;
            default:
                break;
        }
    }
    calCode_ = code;
    return framed({'q', static_cast<Byte>(code)});
}

// Start and count beyond the image give no answer.
SimModule::Reply SimModule::onBlockRead(const Bytes& f) {
    const std::size_t start = wordAt(f, 1), count = wordAt(f, 3);
    if (start + count > kImageWords) return std::nullopt;
    Bytes b{'Z'};
    for (std::size_t a = start; a < start + count; ++a) {
        b.push_back(static_cast<Byte>(image_[a] >> 8));
        b.push_back(static_cast<Byte>(image_[a] & 0xFF));
    }
    return framed(std::move(b));
}

// An odd byte count or words beyond the image give no answer and write nothing.
SimModule::Reply SimModule::onPageWrite(const Bytes& f) {
    const std::size_t n = wordAt(f, 1), address = wordAt(f, 3);
    if (n % 2 != 0 || address + n / 2 > kImageWords) return std::nullopt;
    for (std::size_t i = 0; i < n / 2; ++i) image_[address + i] = wordAt(f, 5 + 2 * i);
    locked_ = false;
    return kAck;
}

// One cell of a byte table, two cells to a word: column + 1 odd (even column) is the high
// byte, column + 1 even (odd column) the low byte. Column + 1 of 0, or an address beyond the
// image, gives no answer and writes nothing.
SimModule::Reply SimModule::onCellWrite(const Bytes& f) {
    const std::size_t address = wordAt(f, 1);
    const Byte value = f[3], columnPlusOne = f[4];
    if (address >= kImageWords || columnPlusOne == 0) return std::nullopt;
    std::uint16_t& w = image_[address];
    if (columnPlusOne % 2 == 1)
        w = static_cast<std::uint16_t>(value << 8 | (w & 0xFF));
    else
        w = static_cast<std::uint16_t>((w & 0xFF00) | value);
    locked_ = false;
    return kAck;
}

}  // namespace qor::sim
