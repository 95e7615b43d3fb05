#pragma once
#include <functional>
#include <memory>
#include <string>

#include "core/app/Presentation.h"
#include "core/app/ToolState.h"
#include "core/platform/Bytes.h"
#include "core/platform/Dialogs.h"
#include "core/platform/Port.h"
#include "core/platform/Scheduler.h"

namespace qor {

inline constexpr Millis kTimer1Period = 120;  // live data request
inline constexpr Millis kTimer2Period = 540;  // response time-out
inline constexpr Millis kTimer3Period = 50;   // transfer sequencer
inline constexpr Millis kTimer4Period = 80;   // poll tick (one-shot)

inline constexpr int kSlowBaud = 9600;
inline constexpr int kFastBaud = 115200;
// Consecutive failures that take the link offline.
inline constexpr int kMaxCommErrors = 6;

struct LinkTimers {
    std::unique_ptr<Timer> timer1, timer2, timer3, timer4;
};

// Everything the link hands to or needs from the rest of the tool. The Tool wires each
// entry; an empty entry is skipped (or, where a result is needed, reads as "go on").
struct LinkConsumers {
    // Effects on the main window.
    std::function<void(bool online)> setOnlineDisplay;
    std::function<void(bool locked)> setDataLockedLook;
    std::function<void(bool enabled)> enableFileCommands;
    std::function<void()> hideUpDownloadMenu;
    // Reply consumers.
    std::function<void(const Bytes& frame)> liveData;  // checked 66-byte '*' reply
    std::function<void()> blockReceived;               // checked 'Z' reply in RxBuffer
    std::function<void(int master, int user)> accessLevelReceived;
    std::function<void(char letter, bool ok)> passwordReply;  // 'A', 'p', 'P': "OK" or "NO"
    std::function<void(int code)> calibrationReply;           // 'q' status code
    std::function<void()> downloadEnd;                        // 'R' reply
    // Module version of a 'V' reply to a download identification; true lets it go on.
    std::function<bool(const std::string& moduleVersion)> downloadVersionChecks;
    // Timer3 ticks other than the switch to the fast baud rate after an upload 'V'.
    std::function<void()> sequencerStep;
    // Re-sends whose frame is rebuilt from what the user has selected or typed.
    std::function<void()> resendAccessLevel;
    std::function<void(char letter)> resendPassword;
    // The sixth failure in a row while the calibration dialogue may be waiting.
    std::function<void()> calibrationLinkLost;
    // Poll actions performed by other subsystems.
    std::function<void()> startTableEdit;            // PollAction 2
    std::function<void()> applyPedalCorrectionEdit;  // PollAction 5
};

// Frames on the serial port, the receive dispatcher, time-outs and re-sends, and the poll
// cycle. One request is outstanding at a time (PendingRequest); everything runs on the
// caller's thread, driven by the four timers and the port's bytes-arrived event.
class Link {
  public:
    Link(ToolState& state, Presentation& view, Port& port, Dialogs& dialogs, LinkTimers& timers);

    LinkConsumers consumers;

    // Request senders. Each sets PendingRequest and sends, unless its condition fails.
    void RequestVersion();             // 'V'; opens the port
    void RequestVersionForDownload();  // 'V' as 'v'; opens the port
    void RequestSerialNumber();        // 'S'; opens the port
    void RequestAccessLevel();         // 'a'; online only
    void RequestLiveData();            // '*'; online only; Timer1 and Timer2 on
    void RequestBlock();               // 'Z' for BlockStart/BlockCount; online only
    void SendPageWrite();              // 'E' from TxPayload; online, else StepDone
    void SendCellWrite();              // 'B' from TxPayload; online, else StepDone
    void SendChartWriteC();            // 'C' as 'c'
    void SendChartWriteB();            // 'B' as 'b'
    void RequestLock();                // 'L'; LinkOnline only
    void SendDownloadEnd();            // 'R'
    void SendSetAccessLevel(int masterLevel, int userLevel);      // 'A'; opens the port
    void SendPassword(char letter, const std::string& password);  // 'p' or 'P'; opens the port
    void RequestCalibrationStep();  // 'q' with CalibrationStep; online only

    // Writes a frame; false when nothing was written (port closed or write failed).
    bool SendFrame(const Bytes& frame);
    void StopLink();
    void TimeoutRetry();   // Timer2 tick; also PollAction 6
    void PollTick();       // Timer4 tick
    void SequencerTick();  // Timer3 tick
    void OnBytesArrived(std::size_t n);
    // Sets PollAction and enables Timer4 (the next poll tick performs it).
    void RequestPollAction(int action);
    // The reply-failure path: re-sent through TimeoutRetry about 80 ms later.
    void ReplyFailure();

    // Baud rate for the port, applied now if open and on every later open.
    void SetBaud(int baud);
    int baud() const { return baud_; }
    // Opens the port under PortName when it is not open; false when it cannot be opened.
    bool OpenPort();
    bool Online() const;

  private:
    enum class Condition { OpensPort, Online, LinkOnlineFlag, None };
    bool send(char pending, Condition condition, const Bytes& frame, bool commCaption);
    bool sendWrite(char pending, const Bytes& frame, bool chartWrite);
    void showCommErrors();
    bool completeAndCheck(std::size_t minimum);
    void dispatch(std::size_t arrived);
    void blockReply(std::size_t arrived);
    void clearRx();
    void error(std::string_view text, std::vector<Button> buttons = {Button::Ok});

    ToolState& s_;
    Presentation& view_;
    Port& port_;
    Dialogs& dialogs_;
    LinkTimers& t_;
    int baud_ = kSlowBaud;
    bool retrying_ = false;  // a re-send keeps the caption naming the port
    bool answered_ = false;  // the outstanding request's reply was taken or refused
};

}  // namespace qor
