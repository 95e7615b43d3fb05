#include "core/link/Link.h"

#include <algorithm>

#include "core/link/Frames.h"
#include "core/link/LinkMessages.h"

namespace qor {

namespace {
template <class F, class... A>
void call(const F& f, A&&... a) {
    if (f) f(std::forward<A>(a)...);
}
}  // namespace

Link::Link(ToolState& state, Presentation& view, Port& port, Dialogs& dialogs, LinkTimers& timers)
    : s_(state), view_(view), port_(port), dialogs_(dialogs), t_(timers) {}

void Link::error(std::string_view text, std::vector<Button> buttons) {
    dialogs_.message(MessageKind::Error, std::string(text), buttons);
}

void Link::SetBaud(int baud) {
    baud_ = baud;
    port_.setBaud(baud);
}

bool Link::OpenPort() {
    if (port_.isOpen()) return true;
    if (!port_.open(s_.PortName)) return false;
    port_.setBaud(baud_);
    return true;
}

bool Link::Online() const {
    return s_.LinkOnline && port_.isOpen();
}

void Link::clearRx() {
    s_.RxCount = 0;
    s_.RxBuffer.clear();
}

void Link::showCommErrors() {
    if (!retrying_) {
        view_.main.commErrorsCaption =
            std::string(link_msg::kCommErrorsPrefix) + std::to_string(s_.CommErrorCount);
    }
    t_.timer2->setEnabled(true);
}

bool Link::SendFrame(const Bytes& frame) {
    if (!port_.isOpen()) {
        error(link_msg::kSendWhileClosed);
        return false;
    }
    clearRx();
    answered_ = false;
    const bool written = port_.write(frame);
    t_.timer2->setEnabled(true);  // a running time-out keeps its period
    if (!written) {
        StopLink();
        t_.timer3->setEnabled(false);
        t_.timer4->setEnabled(false);
        call(consumers.setOnlineDisplay, false);
        error(link_msg::kWriteFailed);
        return false;
    }
    return true;
}

bool Link::send(char pending, Condition condition, const Bytes& frame, bool commCaption) {
    switch (condition) {
        case Condition::OpensPort:
            OpenPort();  // a port that stays closed is reported by SendFrame
            break;
        case Condition::Online:
            if (!Online()) return false;
            break;
        case Condition::LinkOnlineFlag:
            if (!s_.LinkOnline) return false;
            break;
        case Condition::None:
            break;
    }
    s_.PendingRequest = pending;
    const bool sent = SendFrame(frame);
    if (sent && commCaption) showCommErrors();
    return sent;
}

// Writes that change the module's data: when not online the step simply counts as done.
bool Link::sendWrite(char pending, const Bytes& frame, bool chartWrite) {
    if (!Online()) {
        s_.StepDone = true;
        if (chartWrite) s_.ChartWriteBusy = false;
        return false;
    }
    call(consumers.setDataLockedLook, false);
    s_.PendingRequest = pending;
    return SendFrame(frame);
}

void Link::RequestVersion() {
    if (!OpenPort()) {
        StopLink();
        t_.timer3->setEnabled(false);
        t_.timer4->setEnabled(false);
        call(consumers.setOnlineDisplay, false);
        error(link_msg::kPortNotAvailable);
        return;
    }
    send('V', Condition::None, frames::Single('V'), false);
}

void Link::RequestVersionForDownload() {
    if (!OpenPort()) {
        error(link_msg::kPortNotAvailableDownload);
        return;
    }
    send('v', Condition::None, frames::Single('V'), false);
}

void Link::RequestSerialNumber() {
    send('S', Condition::OpensPort, frames::Single('S'), false);
}

void Link::RequestAccessLevel() {
    send('a', Condition::Online, frames::AccessLevelQuery(), true);
}

void Link::RequestLiveData() {
    if (send('*', Condition::Online, frames::Single('*'), true)) {
        t_.timer1->setEnabled(true);
        t_.timer2->setEnabled(true);
    }
}

void Link::RequestBlock() {
    if (!Online()) return;
    port_.discardBuffers();
    send('Z', Condition::None, frames::BlockRead(s_.BlockStart, s_.BlockCount), false);
}

void Link::SendPageWrite() {
    sendWrite('E', frames::PageWrite(s_.TxPayload), false);
}
void Link::SendCellWrite() {
    sendWrite('B', frames::CellWrite('B', s_.TxPayload), false);
}
void Link::SendChartWriteC() {
    sendWrite('c', frames::CellWrite('C', s_.TxPayload), true);
}
void Link::SendChartWriteB() {
    sendWrite('b', frames::CellWrite('B', s_.TxPayload), true);
}

void Link::RequestLock() {
    send('L', Condition::LinkOnlineFlag, frames::Single('L'), true);
}

void Link::SendDownloadEnd() {
    send('R', Condition::None, frames::Single('R'), false);
}

void Link::SendSetAccessLevel(int masterLevel, int userLevel) {
    send('A', Condition::OpensPort, frames::SetAccessLevel(masterLevel, userLevel), true);
}

void Link::SendPassword(char letter, const std::string& password) {
    send(letter, Condition::OpensPort, frames::Password(letter, password), true);
}

void Link::RequestCalibrationStep() {
    send('q', Condition::Online, frames::CalibrationStep(s_.CalibrationStep), true);
}

void Link::StopLink() {
    t_.timer1->setEnabled(false);
    t_.timer2->setEnabled(false);
    s_.RxMuted = true;
}

void Link::RequestPollAction(int action) {
    s_.PollAction = action;
    t_.timer4->setEnabled(true);
}

void Link::ReplyFailure() {
    answered_ = true;
    StopLink();
    RequestPollAction(6);
}

void Link::TimeoutRetry() {
    if (!port_.isOpen()) return;
    port_.discardBuffers();
    ++s_.CommErrorCount;
    view_.main.commErrorsCaption =
        s_.PortName + std::string(link_msg::kPortErrorsInfix) + std::to_string(s_.CommErrorCount);
    if (s_.CommErrorCount >= kMaxCommErrors) {
        StopLink();
        call(consumers.setOnlineDisplay, false);
        s_.CommErrorCount = 0;
        clearRx();
        if (s_.PendingRequest == 'L') call(consumers.setDataLockedLook, false);
        call(consumers.calibrationLinkLost);
        return;
    }
    struct Retrying {
        bool& flag;
        explicit Retrying(bool& f) : flag(f) { flag = true; }
        ~Retrying() { flag = false; }
    } retrying(retrying_);
    auto sequencerOnIfTransfer = [this] {
        if (s_.TransferStep != 0) t_.timer3->setEnabled(true);
    };
    switch (s_.PendingRequest) {
        case '*':
            RequestLiveData();
            break;
        case 'V':
            RequestVersion();
            break;
        case 'v':
            RequestVersionForDownload();
            break;
        case 'S':
            RequestSerialNumber();
            break;
        case 'a':
            RequestAccessLevel();
            break;
        case 'A':
            call(consumers.resendAccessLevel);
            break;
        case 'p':
        case 'P':
            call(consumers.resendPassword, s_.PendingRequest);
            break;
        case 'q':
            RequestCalibrationStep();
            break;
        case 'Z':
            RequestBlock();
            break;
        case 'E':
            SendPageWrite();
            break;
        case 'B':
            SendCellWrite();
            sequencerOnIfTransfer();
            break;
        case 'c':
            RequestPollAction(1);
            sequencerOnIfTransfer();
            break;
        case 'b':
            RequestPollAction(17);
            sequencerOnIfTransfer();
            break;
        case 'L':
            RequestLock();
            break;
        case 'R':
            SendFrame(frames::Single('R'));
            break;
        default:
            break;
    }
}

void Link::PollTick() {
    t_.timer4->setEnabled(false);
    s_.RxMuted = false;
    switch (s_.PollAction) {
        case 0:
            SetBaud(kSlowBaud);
            RequestVersion();
            t_.timer4->setInterval(kTimer4Period);
            break;
        case 1:
            SendChartWriteC();
            break;
        case 2:
            call(consumers.startTableEdit);
            break;
        case 3:
            RequestLiveData();
            break;
        case 5:
            call(consumers.applyPedalCorrectionEdit);
            break;
        case 6:
            TimeoutRetry();
            break;
        case 7:
            RequestLock();
            break;
        case 17:
            SendChartWriteB();
            break;
        case 18:
            RequestCalibrationStep();
            break;
        default:
            break;
    }
}

void Link::SequencerTick() {
    if (s_.StepDone && s_.TransferStep == -20) {
        // The module switched to the fast rate on 'G'; follow it and fetch the serial number.
        t_.timer3->setEnabled(false);
        s_.StepDone = false;
        SetBaud(kFastBaud);
        s_.TransferStep = 0;
        s_.StepDone = true;
        RequestSerialNumber();
        return;
    }
    call(consumers.sequencerStep);
}

void Link::OnBytesArrived(std::size_t n) {
    if (s_.RxMuted) return;  // the bytes wait in the port's queue
    Bytes chunk;
    if (!port_.read(n, chunk)) {
        StopLink();
        RequestPollAction(6);
        dialogs_.message(MessageKind::Error, std::string(link_msg::kReadFailed),
                         {Button::Yes, Button::No});
        return;
    }
    // The port merges and splits replies at will, so the bytes are taken one at a time: a
    // reply is complete at exactly its length however it was cut, and once it has been taken
    // or refused, bytes after it belong to no request and are dropped until the next send.
    for (const Byte b : chunk) {
        if (answered_ || s_.RxMuted) return;
        ++s_.RxCount;
        s_.RxBuffer.push_back(b);
        if (!frames::AcceptedFirstByte(s_.RxBuffer.front())) {
            clearRx();
            ReplyFailure();
            return;
        }
        dispatch(1);
    }
}

// False while the reply is still short; otherwise Timer2 stops and a bad checksum fails.
bool Link::completeAndCheck(std::size_t minimum) {
    if (static_cast<std::size_t>(s_.RxCount) < minimum) return false;
    t_.timer2->setEnabled(false);
    if (!frames::ChecksumOk(s_.RxBuffer)) {
        ReplyFailure();
        return false;
    }
    return true;
}

void Link::dispatch(std::size_t arrived) {
    const char first = static_cast<char>(s_.RxBuffer.front());
    const char pending = s_.PendingRequest;

    // Requests whose reply is checked by length and checksum: the letter expected and length.
    struct Checked {
        char pending, first;
        std::size_t length;
    };
    static constexpr Checked kChecked[] = {
        {'*', '*', 66}, {'V', 'V', 11}, {'v', 'V', 11}, {'S', 'S', 8}, {'a', 'a', 4},
        {'A', 'A', 4},  {'P', 'P', 4},  {'p', 'p', 4},  {'q', 'q', 3},
    };
    for (const auto& c : kChecked) {
        if (c.pending != pending) continue;
        if (first != c.first) return ReplyFailure();
        if (!completeAndCheck(c.length)) return;
        answered_ = true;  // before the consumers: they may send the next request
        const Bytes& rx = s_.RxBuffer;
        switch (pending) {
            case '*': {
                t_.timer1->setEnabled(false);
                t_.timer1->setEnabled(true);
                const Bytes frame = rx;
                s_.CommErrorCount = 0;
                clearRx();
                call(consumers.liveData, frame);
                return;
            }
            case 'V': {
                s_.version_info = frames::TextField(rx);
                clearRx();
                port_.write(frames::Single('G'));  // no time-out, no reply expected
                s_.StepDone = true;
                s_.TransferStep = -20;
                t_.timer3->setEnabled(true);
                return;
            }
            case 'v': {
                const std::string moduleVersion = frames::TextField(rx);
                if (consumers.downloadVersionChecks &&
                    !consumers.downloadVersionChecks(moduleVersion)) {
                    return;
                }
                clearRx();
                port_.write(frames::Single('G'));
                s_.StepDone = true;
                s_.TransferStep = -10;
                t_.timer3->setEnabled(true);
                return;
            }
            case 'S':
                s_.Serial_number = frames::TextField(rx);
                call(consumers.setOnlineDisplay, true);
                RequestAccessLevel();
                return;
            case 'a':
                call(consumers.accessLevelReceived, int(rx[1]), int(rx[2]));
                return;
            case 'q':
                call(consumers.calibrationReply, int(rx[1]));
                return;
            default: {  // 'A', 'P', 'p'
                const std::string code{char(rx[1]), char(rx[2])};
                if (code != "OK" && code != "NO") return ReplyFailure();
                call(consumers.passwordReply, pending, code == "OK");
                return;
            }
        }
    }

    switch (pending) {
        case 'Z':
            blockReply(arrived);
            return;
        case 'E':
        case 'B':
            t_.timer2->setEnabled(false);
            if (first != 'Y') return ReplyFailure();
            answered_ = true;
            s_.CommErrorCount = 0;
            s_.StepDone = true;
            return;
        case 'c':
        case 'b':
            t_.timer2->setEnabled(false);
            if (first != 'Y') return ReplyFailure();
            answered_ = true;
            s_.CommErrorCount = 0;
            s_.StepDone = true;
            s_.ChartWriteBusy = false;
            RequestPollAction(3);
            return;
        case 'L':
            t_.timer2->setEnabled(false);
            if (first != 'L') return ReplyFailure();
            answered_ = true;
            s_.CommErrorCount = 0;
            call(consumers.hideUpDownloadMenu);
            call(consumers.setDataLockedLook, true);
            call(consumers.enableFileCommands, true);
            t_.timer1->setEnabled(true);
            return;
        case 'R':
            t_.timer2->setEnabled(false);
            if (first != 'R') return ReplyFailure();
            answered_ = true;
            call(consumers.downloadEnd);
            return;
        default:
            return;  // nothing outstanding: the bytes wait until the next send clears them
    }
}

void Link::blockReply(std::size_t arrived) {
    if (s_.RxBuffer.front() != 'Z') return ReplyFailure();
    // The gauge stops at its maximum: a whole upload carries more bytes than it counts.
    view_.main.gaugePosition =
        std::min(view_.main.gaugePosition + static_cast<int>(arrived), view_.main.gaugeMaximum);
    const int expected = 2 * s_.BlockCount + 2;
    if (s_.RxCount != expected) {
        // A full time-out runs from the latest byte, so a slow but steady reply completes.
        t_.timer2->setEnabled(false);
        t_.timer2->setEnabled(true);
        return;
    }
    if (!frames::ChecksumOk(s_.RxBuffer)) return ReplyFailure();
    answered_ = true;
    s_.CommErrorCount = 0;
    t_.timer2->setEnabled(false);
    call(consumers.blockReceived);
}

}  // namespace qor
