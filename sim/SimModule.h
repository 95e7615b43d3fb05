#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/Bytes.h"
#include "sim/FaultPlan.h"

namespace qor::sim {

constexpr int kPowerUpBaud = 9600;
constexpr int kFastBaud = 115200;
constexpr std::size_t kImageWords = 1024;
constexpr std::size_t kLiveDataBytes = 64;  // between the '*' and the checksum
constexpr std::size_t kPasswordLength = 10;
constexpr Byte kGarbageByte = 0x00;  // what a byte sent at the wrong speed turns into

// Byte offsets of live data words in the 66-byte '*' answer (counted from the '*').
namespace live {
constexpr int EngineSpeed = 1;  // raw x 10 = rpm
constexpr int PedalPos1 = 3;    // raw / 2 = %
constexpr int PedalMv1 = 5;
constexpr int PedalMv2 = 7;
constexpr int ThrottlePos1 = 9;
constexpr int ThrottleMv1 = 11;
constexpr int Battery = 13;  // raw x 0.25 + 8 = V
constexpr int ThrottleMv2 = 15;
constexpr int ThrottleCorrection = 17;
constexpr int MotorCurrent = 19;
constexpr int CorrectionPid = 21;
constexpr int PwmThrottle = 23;
constexpr int LoadInput = 25;
constexpr int ResponseCurve = 27;
constexpr int WaterTemp = 29;
constexpr int EtcTemp = 31;
constexpr int VarLaunch = 33;
constexpr int PedalTarget1 = 35;
constexpr int PedalPos2 = 37;
constexpr int PedalTarget2 = 39;
constexpr int ThrottlePos2 = 41;
constexpr int StatusBits = 43;
constexpr int CalibrationResult = 45;
constexpr int VarAls = 47;
constexpr int ErrorWord1 = 58;
constexpr int ErrorWord2 = 60;
constexpr int ErrorWord3 = 62;

// Offset of a live data word by its field name (any case, e.g. "enginespeed", "Status_bits",
// "Error_word_2") or by a byte offset written as a number (1 to 63).
std::optional<int> offsetByName(const std::string& name);
}  // namespace live

// Pads a password on the right with '0' to 10 characters (longer text is cut), as the tool does.
std::string padPassword(const std::string& text);

// The ETC module as the tool sees it through its serial link: it takes request bytes in any
// chunking, answers the requests it understands and keeps the state those requests change.
// It has no clock; the transport (SimPort, the pseudo-terminal) decides when bytes move.
class SimModule {
  public:
    SimModule();

    // Bytes the tool sent while its port ran at toolBaud. Returns what the module sends back,
    // in order: answers (with any planned faults applied) and garbage for bytes it could not
    // make out because the speeds differ.
    std::vector<Transmission> receive(const Bytes& chunk, int toolBaud);

    // Back to the power-up speed with an empty receive buffer; stored data is kept.
    void powerUp();

    // --- State other code may set or inspect -------------------------------------------------
    int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud; }

    std::uint16_t word(std::size_t address) const { return image_.at(address); }
    void setWord(std::size_t address, std::uint16_t value) { image_.at(address) = value; }
    const std::array<std::uint16_t, kImageWords>& image() const { return image_; }
    void setImage(const std::array<std::uint16_t, kImageWords>& image) { image_ = image; }

    // Sent as they are: a text of another length gives a longer or shorter answer.
    const std::string& version() const { return version_; }
    void setVersion(const std::string& v) { version_ = v; }
    const std::string& serialNumber() const { return serial_; }
    void setSerialNumber(const std::string& s) { serial_ = s; }

    int masterLevel() const { return masterLevel_; }
    int userLevel() const { return userLevel_; }
    void setLevels(int master, int user) {
        masterLevel_ = master;
        userLevel_ = user;
    }
    // Stored padded to 10 characters.
    const std::string& userPassword() const { return userPassword_; }
    const std::string& masterPassword() const { return masterPassword_; }
    void setUserPassword(const std::string& p) { userPassword_ = padPassword(p); }
    void setMasterPassword(const std::string& p) { masterPassword_ = padPassword(p); }
    static const std::string kDefaultUserPassword;  // what the master password resets to

    bool locked() const { return locked_; }
    void setLocked(bool on) { locked_ = on; }

    // Live data: words at a byte offset of the '*' answer (see namespace live), high byte first.
    std::uint16_t liveWord(int offset) const;
    void setLiveWord(int offset, std::uint16_t value);
    const Bytes& liveData() const { return live_; }

    // Calibration: the last step code answered to 'q', and how a run ends.
    int calibrationCode() const { return calCode_; }
    bool calibrationRunning() const { return calFramesLeft_ > 0; }
    // Number of live data answers a calibration run reports "running" (1) before its result.
    void setCalibrationFrames(int n) { calFrames_ = n; }
    // The progress word a run ends with: 0 = success, 2 x error number otherwise.
    void setCalibrationOutcome(std::uint16_t word) { calOutcome_ = word; }

    FaultPlan& faults() { return faults_; }
    bool silent() const { return silent_; }
    bool disconnected() const { return disconnected_; }
    // The device is back (after a Disconnect fault) and powered up again.
    void reconnect();

    // Requests understood so far, by letter (right speed, right checksum).
    int requestCount(char letter) const;

    // --- The request table --------------------------------------------------------------------
    using Reply = std::optional<Bytes>;  // nullopt = no answer
    struct Request {
        char letter;
        std::size_t length;  // whole frame; 0 = 'E' (payload byte count + 6)
        bool framed;         // ends with a checksum byte
        Reply (SimModule::*handle)(const Bytes& frame);
    };
    static const std::vector<Request>& requests();

  private:
    const Request* find(Byte letter) const;
    void parse(std::vector<Transmission>& out);
    void answer(const Request& r, const Bytes& frame, std::vector<Transmission>& out);
    void sendGarbage(std::size_t n, std::vector<Transmission>& out);

    Reply onVersion(const Bytes& f);
    Reply onFastBaud(const Bytes& f);
    Reply onSerial(const Bytes& f);
    Reply onLiveData(const Bytes& f);
    Reply onLock(const Bytes& f);
    Reply onDownloadEnd(const Bytes& f);
    Reply onAccessQuery(const Bytes& f);
    Reply onSetLevel(const Bytes& f);
    Reply onCheckPassword(const Bytes& f);
    Reply onSetPassword(const Bytes& f);
    Reply onCalibrationStep(const Bytes& f);
    Reply onBlockRead(const Bytes& f);
    Reply onPageWrite(const Bytes& f);
    Reply onCellWrite(const Bytes& f);

    int baud_ = kPowerUpBaud;
    Bytes rx_;
    std::array<std::uint16_t, kImageWords> image_{};
    std::string version_ = "1EA1AB1AA";
    std::string serial_ = "123456";
    int masterLevel_ = 4;
    int userLevel_ = 4;
    std::string userPassword_;
    std::string masterPassword_;
    bool authorised_ = false;
    bool locked_ = true;
    Bytes live_;
    int calCode_ = 0;
    int calFrames_ = 8;
    int calFramesLeft_ = 0;
    std::uint16_t calOutcome_ = 0;
    FaultPlan faults_;
    std::map<char, int> counts_;
    bool silent_ = false;
    bool disconnected_ = false;
};

}  // namespace qor::sim
