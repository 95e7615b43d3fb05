#pragma once
// Upload, download and single-table send: the block reads after identification, the transfer
// sequencer on Timer3 with its step table, the page encoders' calling contract and the cell
// writes of a table edit. Works on the Tool's state and link; writes the parameter set through
// the image codecs.
#include <optional>
#include <span>
#include <vector>

#include "core/app/Tool.h"
#include "core/image/RegionCodec.h"
#include "core/transfer/TableEdit.h"

namespace qor {

// Sequencer steps with a fixed meaning outside the page table.
namespace step {
inline constexpr int Idle = 0;
inline constexpr int DownloadBaud = -10;
inline constexpr int FirstPage = 30;
inline constexpr int ThrottleLimit = 60;
inline constexpr int SkipUnused = 190;
inline constexpr int End = 200;
inline constexpr int EtcChain = 204;        // pedal table, ETC page, maximum PWM, 'R'
inline constexpr int EtcChainNoPedal = 205; // after a throttle-valve calibration
inline constexpr int EtcChainEnd = 207;
// The control-loop group of the ETC page chosen from the predefined settings: both of its
// frames, then 'R'. The page table has no step for it, so it has one of its own.
inline constexpr int PredefinedPid = 210;
inline constexpr int TableEdit = 400;
inline constexpr int TablePaste = 401;
inline constexpr int TableReadBack = 402;
}  // namespace step

// Upload steps outside the block plan.
inline constexpr int kUploadDone = 70;
inline constexpr int kUploadReadBack = 100;

// One row of the transfer sequencer's page table.
struct SequencerRow {
    int step;
    PageEncoder encoder;
    int next;
    int nextWithoutOpenLoop;  // next step when the module has no open-loop idle table
};
std::span<const SequencerRow> SequencerTable();
const SequencerRow* SequencerRowFor(int step);

// One block read of an upload: region boundaries by index into the region table.
struct BlockPlanRow {
    int uploadStep;
    int fromBoundary;  // start word B(from)
    int toBoundary;    // count B(to) - B(from)
};
std::span<const BlockPlanRow> BlockPlan();

class Transfer {
public:
    // Installs itself in the Tool's hooks (block reads, block replies, sequencer ticks, the
    // 'R' reply, the download command and the table edit poll action).
    Transfer(Tool& tool, Dialogs& dialogs, ImageContext image);
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // --- Upload.
    void RequestNextBlock();
    void BlockReceived();

    // --- Download command: "&p", Alt+P, the power-panel button, the end of a calibration.
    void StartDownload();
    // Timer3 tick (every step but the upload's baud switch, which the link does itself).
    void SequencerStep();
    // The 'R' reply.
    void DownloadEnd();

    // --- Other entries into the sequencer.
    // A settings page Send: 90 hardware, 100 RPM, 110 ALS, 120 launch, 130 throttle, 140 CAN.
    // Runs the page and every later step of the table down to 'R'.
    void PageSend(int pageStep);
    // The ETC page Send (204) or the end of a throttle-valve calibration (205). Offline the
    // ETC page Send only re-enables the file commands and refreshes the limit headers.
    void EtcChainSend(int entryStep = step::EtcChain);
    // The settings window's Ok while online: steps 60 to 'R', the throttle limit twice.
    void SettingsOkSend();
    // The predefined control-loop settings were loaded: both control-loop frames, then 'R'.
    void PredefinedSend();

    // --- Single-table send.
    // The edit menu's Ok: stops the link and lets the next poll tick start the edit.
    void RequestTableEdit(const TableEditRequest& request);
    // PollAction 2.
    void StartTableEdit();
    const TableEditRequest& tableEdit() const { return edit_; }

    // Encoder calling contract, public for the table send's region writes and for tests.
    void RunEncoder(PageEncoder encoder, int next);

private:
    ToolState& s() { return tool_.state(); }
    MainWindowView& view() { return tool_.view().main; }
    Link& link() { return tool_.link(); }
    bool openLoopIdle() const;
    int boundary(int i) const;
    void advanceGauge(int amount);
    void copyHeaders();
    void complete(Completion kind, int next, int progress);

    void tableStep(int finishStep);
    void tableCellStep(int finishStep);
    void tableInterpolationStep(int finishStep);
    void pedalStep(int finishStep);
    void finishEdit(int finishStep, bool interpolation);
    void readBack();
    void readBackDone();
    void sendCell(int column, double value);

    Tool& tool_;
    Dialogs& dialogs_;
    ImageContext image_;
    TableEditRequest edit_;
};

}  // namespace qor
