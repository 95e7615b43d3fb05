#include "core/transfer/Transfer.h"

#include <algorithm>

#include "core/app/AppMessages.h"
#include "core/app/Identity.h"
#include "core/image/Encodings.h"
#include "core/link/LinkMessages.h"
#include "core/transfer/TransferTexts.h"

namespace qor {

namespace {

using E = PageEncoder;

constexpr SequencerRow kSequencer[] = {
    {30, E::ByteTableCurve1, 40, 40},
    {40, E::ByteTableCurve2, 50, 50},
    {50, E::ResponseTypes, 60, 60},
    {60, E::ByteTableThrottleLimit, 70, 70},
    {70, E::Etc, 80, 80},
    {80, E::PedalCorrection, 90, 90},
    {90, E::Hardware, 100, 100},
    {100, E::Rpm, 110, 110},
    {110, E::Als, 120, 120},
    {120, E::Launch, 130, 130},
    {130, E::Throttle, 140, 140},
    {140, E::CanSettings, 150, 150},
    {150, E::CanMessages, 160, 160},
    {160, E::CanChannels, 170, 170},
    {170, E::MaxPwm, 171, 190},
    {171, E::ByteTableOpenLoopIdle, 172, 172},
    {172, E::StartValue, 190, 190},
    {190, E::SkipUnused, 191, 191},
    {191, E::SystemArea, 200, 200},
    {204, E::PedalCorrection, 205, 205},
    {205, E::Etc, 206, 206},
    {206, E::MaxPwm, 207, 207},
    {step::PredefinedPid, E::EtcPid, 200, 200},
};

// Block reads of an upload: start B(from), count B(to) - B(from).
constexpr BlockPlanRow kBlockPlan[] = {
    {3, 0, 1},   {4, 1, 2},   {5, 2, 3},   {6, 3, 4},   {7, 4, 5},   {8, 5, 6},
    {9, 6, 7},   {10, 7, 8},  {11, 8, 9},  {12, 9, 10}, {13, 10, 11}, {14, 11, 12},
    {15, 12, 13}, {16, 13, 14}, {17, 14, 15}, {18, 15, 16},
    // Runs to the end of the image although only its first word is decoded.
    {19, 16, 19}, {60, 18, 19},
};

constexpr int kRpmRegion = 7;
constexpr int kStartValueRegion = 16;
constexpr int kPedalReadBackWords = 13;

}  // namespace

std::span<const SequencerRow> SequencerTable() { return kSequencer; }

const SequencerRow* SequencerRowFor(int s) {
    for (const auto& r : kSequencer)
        if (r.step == s) return &r;
    return nullptr;
}

std::span<const BlockPlanRow> BlockPlan() { return kBlockPlan; }

Transfer::Transfer(Tool& tool, Dialogs& dialogs, ImageContext image)
    : tool_(tool), dialogs_(dialogs), image_(image) {
    auto& h = tool_.hooks();
    h.startBlockReads = [this] { RequestNextBlock(); };
    h.blockReceived = [this] { BlockReceived(); };
    h.sequencerStep = [this] { SequencerStep(); };
    h.downloadEnd = [this] { DownloadEnd(); };
    h.download = [this] { StartDownload(); };
    h.startTableEdit = [this] { StartTableEdit(); };
}

bool Transfer::openLoopIdle() const { return tool_.VersionAtLeast(kOpenLoopIdleVersion); }

int Transfer::boundary(int i) const {
    const auto& t = tool_.state().RegionTable;
    return t ? (*t)[static_cast<std::size_t>(i)] : 0;
}

// The gauge stops at its maximum: the bytes of a whole upload add up to more than it shows.
void Transfer::advanceGauge(int amount) {
    auto& m = view();
    m.gaugePosition = std::min(m.gaugePosition + amount, m.gaugeMaximum);
}

// ---------------------------------------------------------------- upload

void Transfer::RequestNextBlock() {
    if (s().UploadStep == kUploadDone) {
        BlockReceived();
        return;
    }
    for (const auto& r : kBlockPlan) {
        if (r.uploadStep != s().UploadStep) continue;
        s().BlockStart = boundary(r.fromBoundary);
        s().BlockCount = boundary(r.toBoundary) - boundary(r.fromBoundary);
        link().RequestBlock();
        return;
    }
}

void Transfer::BlockReceived() {
    const int st = s().UploadStep;
    if (st == kUploadDone) {
        tool_.EndOfUpload();
        return;
    }
    if (st == kUploadReadBack) {
        readBackDone();
        return;
    }
    const UploadStepRow* row = UploadStepRowFor(st);
    if (!row) return;
    decodeUploadStep(st, s().RxBuffer, image_);
    if (row->region == kRpmRegion) view().throttleLimitHeaders = image_.effects.throttleLimitHeaders;
    if (row->region == kStartValueRegion) {
        view().openLoopIdleHeaders = image_.effects.openLoopIdleHeaders;
    }
    s().UploadStep = openLoopIdle() ? row->next : row->nextWithoutOpenLoop;
    RequestNextBlock();
}

// ---------------------------------------------------------------- download

void Transfer::StartDownload() {
    auto& m = view();
    tool_.SetDashboardActive(false);
    link().StopLink();
    s().CommErrorCount = 0;
    m.powerInterruptedPanelVisible = false;
    m.menu = MenuVariant::Hidden;
    m.progressCaption = std::string(transfer_msg::kDownLoading);
    tool_.SelectRegionTable();
    if (tool_.EcuIsNewer()) {
        const Button b = dialogs_.message(MessageKind::Information,
                                          std::string(app_msg::kEcuIsNewer),
                                          {Button::Cancel, Button::Ignore});
        if (b != Button::Ignore) return;
    }
    m.gaugePosition = 0;
    s().BlockCount = boundary(19) - boundary(0);
    m.gaugeMaximum = s().BlockCount * 2 + 2;
    m.progressVisible = true;
    s().SendIndex = 1;
    s().SendRow = 1;
    s().StepDone = true;
    tool_.SetDashboardActive(false);
    tool_.SetOnlineDisplay(true);
    if (!link().OpenPort()) {
        // One message, then back to the offline look with the file commands usable again.
        dialogs_.message(MessageKind::Error, std::string(link_msg::kPortNotAvailableDownload),
                         {Button::Ok});
        tool_.SetOnlineDisplay(false);
        tool_.EnableFileCommands(true);
        return;
    }
    link().SetBaud(kSlowBaud);
    s().RxMuted = false;
    link().RequestVersionForDownload();
}

void Transfer::SequencerStep() {
    auto& st = s();
    if (!st.StepDone) return;
    tool_.timer3().setEnabled(false);
    st.StepDone = false;
    switch (st.TransferStep) {
        case step::DownloadBaud:
            link().SetBaud(kFastBaud);
            st.StepDone = true;
            st.TransferStep = step::FirstPage;
            tool_.timer3().setEnabled(true);
            return;
        case step::End:
            link().SendDownloadEnd();
            return;
        case step::EtcChainEnd:
            tool_.timer2().setEnabled(false);
            st.SendIndex = 1;
            st.SendRow = 1;
            st.TransferStep = step::End;
            st.StepDone = true;
            tool_.timer3().setEnabled(true);
            return;
        case step::TableEdit:
        case step::TablePaste:
            tableStep(st.TransferStep == step::TableEdit ? step::Idle : step::TableReadBack);
            return;
        case step::TableReadBack:
            readBack();
            return;
        default:
            break;
    }
    if (const SequencerRow* row = SequencerRowFor(st.TransferStep)) {
        RunEncoder(row->encoder, openLoopIdle() ? row->next : row->nextWithoutOpenLoop);
    }
    // Any other step does nothing and the sequencer stops advancing.
}

void Transfer::RunEncoder(PageEncoder encoder, int next) {
    auto& st = s();
    const PagePlan& plan = PagePlanFor(encoder);
    const int frames = static_cast<int>(plan.frames.size());
    if (plan.completion == Completion::D || st.SendIndex > frames) {
        complete(plan.completion, next, plan.completionProgress);
        return;
    }
    // A SendIndex below 1 sends the first frame again (the settings window's Ok enters at 0).
    const int p = std::max(st.SendIndex, 1);
    st.TxPayload = buildFramePayload(encoder, p, image_.params, image_.stores);
    advanceGauge(plan.frames[static_cast<std::size_t>(p - 1)].progress);
    st.SendIndex += 1;
    link().SendPageWrite();
    tool_.timer3().setEnabled(true);
}

void Transfer::complete(Completion kind, int next, int progress) {
    auto& st = s();
    if (kind != Completion::A) tool_.timer2().setEnabled(false);
    st.SendIndex = 1;
    if (kind == Completion::D) {
        advanceGauge(progress);
    } else {
        if (kind == Completion::B || kind == Completion::C) st.SendRow = 1;
        if (kind == Completion::B) view().editMenuVisible = false;
        if (next == step::End) view().progressVisible = false;
    }
    st.TransferStep = next;
    st.StepDone = true;
    tool_.timer3().setEnabled(true);
}

void Transfer::DownloadEnd() {
    tool_.timer2().setEnabled(false);
    view().progressVisible = false;
    tool_.EnableFileCommands(true);
    view().tablesEditable = true;
    UpdateThrottleLimitHeaders(image_.params, image_.effects);
    view().throttleLimitHeaders = image_.effects.throttleLimitHeaders;
    if (tool_.hooks().updateDigitalInputLabels) tool_.hooks().updateDigitalInputLabels();
    s().CanSettingsTouched = false;
    image_.stores.CanSettingsTouched = false;
    s().TransferStep = step::Idle;
    link().RequestLiveData();
}

// ---------------------------------------------------------------- other entries

void Transfer::PageSend(int pageStep) {
    const SequencerRow* row = SequencerRowFor(pageStep);
    if (!row) return;
    auto& st = s();
    link().StopLink();
    st.SendIndex = 1;
    st.RxMuted = false;
    // Only the acknowledgement of the first frame may let the sequencer go on; a flag left
    // set by an earlier sequence would send the next frame before it.
    st.StepDone = false;
    st.TransferStep = pageStep;
    if (pageStep == 140) {
        st.CanSettingsTouched = true;
        image_.stores.CanSettingsTouched = true;
    }
    RunEncoder(row->encoder, step::End);
}

void Transfer::EtcChainSend(int entryStep) {
    auto& st = s();
    if (!st.LinkOnline) {
        tool_.EnableFileCommands(true);
        UpdateThrottleLimitHeaders(image_.params, image_.effects);
        view().throttleLimitHeaders = image_.effects.throttleLimitHeaders;
        return;
    }
    link().StopLink();
    view().gaugePosition = 0;
    st.SendIndex = 1;
    st.SendRow = 0;
    st.StepDone = true;
    st.RxMuted = false;
    st.PollAction = 6;
    st.TransferStep = entryStep;
    tool_.timer3().setEnabled(true);
}

void Transfer::SettingsOkSend() {
    auto& st = s();
    link().StopLink();
    st.SendIndex = 0;
    st.SendRow = 1;
    st.StepDone = true;
    st.RxMuted = false;
    st.TransferStep = step::ThrottleLimit;
    tool_.timer3().setEnabled(true);
}

void Transfer::PredefinedSend() {
    auto& st = s();
    // Live data must not take the link while the control-loop frames are outstanding.
    link().StopLink();
    st.SendIndex = 1;
    st.SendRow = 0;
    // As for a page Send: the second frame waits for the first one's acknowledgement.
    st.StepDone = false;
    st.RxMuted = false;
    st.PollAction = 6;
    if (tool_.hooks().setPageCancelButtonsEnabled) tool_.hooks().setPageCancelButtonsEnabled(false);
    st.TransferStep = step::PredefinedPid;
    RunEncoder(PageEncoder::EtcPid, step::End);
}

// ---------------------------------------------------------------- single-table send

void Transfer::RequestTableEdit(const TableEditRequest& request) {
    edit_ = request;
    s().ActiveTable = request.table;
    tool_.SetDashboardActive(false);
    link().StopLink();
    link().RequestPollAction(2);
}

void Transfer::StartTableEdit() {
    auto& st = s();
    auto& m = view();
    const int t = st.ActiveTable;
    const bool grid = !TableGridName(t).empty();
    tool_.SetDashboardActive(false);
    if (!grid) st.SendIndex = 1;
    if (edit_.option == EditOption::Copy) {
        // The clipboard is the table's business; nothing goes to the module.
        m.editMenuVisible = false;
        link().RequestLiveData();
        return;
    }
    st.TransferStep = step::TableEdit;
    if (t == table::Limiter1 || t == table::Limiter2) {
        image_.params.set(t == table::Limiter1 ? "throttle_response_curve_1_acc_limiter"
                                               : "throttle_response_curve_2_acc_limiter",
                          edit_.setValue);
    }
    if (grid && edit_.option == EditOption::Paste) {
        const int last = TableLastColumn(t);
        int c = edit_.left;
        for (double v : edit_.pasteCells) {
            if (c > last) break;
            image_.params.setCell(TableGridName(t), c++, v);
        }
        st.TransferStep = step::TablePaste;
    }
    const int cells = (edit_.right - edit_.left + 1) * (edit_.bottom - edit_.top + 1);
    if (grid && cells > 2) {
        m.gaugePosition = 0;
        m.gaugeMaximum = cells;
        m.progressCaption = std::string(transfer_msg::kChangingData);
        m.progressVisible = true;
    }
    if (grid && edit_.option == EditOption::HorizontalInterpolation) {
        st.InterpolationSpan = edit_.right - edit_.left;
        if (st.InterpolationSpan == 0) {
            // Nothing to write: the edit ends at once and live data resumes.
            st.TransferStep = step::Idle;
            m.editMenuVisible = false;
            m.progressVisible = false;
            link().RequestPollAction(3);
            return;
        }
        st.SendIndex = 0;
        st.SendRow = edit_.top;
    } else if (grid) {
        st.SendIndex = edit_.left;
        st.SendRow = edit_.top;
    }
    st.StepDone = true;
    tool_.timer3().setEnabled(true);
}

void Transfer::tableStep(int finishStep) {
    const int t = s().ActiveTable;
    if (s().TransferStep == step::TableEdit) {
        if (t == table::Limiter1 || t == table::Limiter2) {
            return RunEncoder(PageEncoder::ResponseTypes, step::End);
        }
        if (t == table::IdleStartSpeed) return RunEncoder(PageEncoder::StartValue, step::End);
    }
    if (TableGridName(t).empty()) return;
    if (edit_.option == EditOption::HorizontalInterpolation) {
        tableInterpolationStep(finishStep);
    } else {
        tableCellStep(finishStep);
    }
}

// The cell goes to the module, or for the pedal correction table stays in the tool until
// its page is sent.
void Transfer::sendCell(int column, double value) {
    const int t = s().ActiveTable;
    if (t == table::PedalCorrection) {
        s().StepDone = true;
    } else {
        s().TxPayload = CellWritePayload(TableBaseWord(t), column, value);
        link().SendCellWrite();
    }
    tool_.timer3().setEnabled(true);
}

void Transfer::tableCellStep(int finishStep) {
    auto& st = s();
    const int t = st.ActiveTable;
    advanceGauge(1);
    const double percent = edit_.option == EditOption::Paste ? 0.0 : edit_.percent;
    if (st.SendIndex > edit_.right) {
        st.SendIndex = edit_.left;
        st.SendRow += 1;
    }
    if (st.SendRow > edit_.bottom) return finishEdit(finishStep, false);
    const int c = st.SendIndex;
    const double old = image_.params.cell(TableGridName(t), c);
    const double computed =
        edit_.option == EditOption::SetValue ? edit_.setValue : old + percent * old / 100.0;
    const double stored = ApplyTableCellRules(image_, t, c, computed, true);
    st.SendIndex += 1;
    sendCell(c, stored);
}

void Transfer::tableInterpolationStep(int finishStep) {
    auto& st = s();
    const int t = st.ActiveTable;
    const auto grid = TableGridName(t);
    advanceGauge(1);
    const int span = edit_.right - edit_.left;
    const double left = image_.params.cell(grid, edit_.left);
    const double stepValue = (image_.params.cell(grid, edit_.right) - left) / span;
    if (st.SendIndex > span) {
        st.SendIndex = 0;
        st.SendRow += 1;
        return finishEdit(finishStep, true);
    }
    const int c = edit_.left + st.SendIndex;
    const double v = static_cast<double>(Round((left + st.SendIndex * stepValue) * 2)) / 2;
    const double stored = ApplyTableCellRules(image_, t, c, v, false);
    st.SendIndex += 1;
    sendCell(c, stored);
}

void Transfer::finishEdit(int finishStep, bool interpolation) {
    auto& st = s();
    auto& m = view();
    st.TransferStep = finishStep;
    if (finishStep == step::TableReadBack) {
        st.StepDone = true;
        tool_.timer3().setEnabled(true);
        return;
    }
    tool_.timer3().setEnabled(false);
    tool_.timer2().setEnabled(false);
    if (interpolation) {
        link().RequestPollAction(3);
    } else {
        link().RequestLiveData();
    }
    m.progressVisible = false;
    m.editMenuVisible = false;
    st.ChartRefreshPending = true;
}

void Transfer::readBack() {
    auto& st = s();
    const int t = st.ActiveTable;
    if (st.LinkOnline) {
        st.BlockStart = TableBaseWord(t);
        st.BlockCount = t == table::PedalCorrection ? kPedalReadBackWords : kCurveCells;
        st.UploadStep = kUploadReadBack;
        link().RequestBlock();
        return;
    }
    st.TransferStep = step::Idle;
    tool_.timer3().setEnabled(false);
    tool_.timer2().setEnabled(false);
    link().RequestPollAction(3);
    view().progressVisible = false;
    view().editMenuVisible = false;
}

void Transfer::readBackDone() {
    auto& st = s();
    const int t = st.ActiveTable;
    if ((t == table::Curve1 || t == table::Curve2) && !st.RxBuffer.empty()) {
        decodeRegion(t == table::Curve1 ? 0 : 1, std::span<const Byte>(st.RxBuffer).subspan(1),
                     image_);
    }
    st.TransferStep = step::Idle;
    tool_.timer3().setEnabled(false);
    tool_.timer2().setEnabled(false);
    link().RequestLiveData();
    view().progressVisible = false;
    view().editMenuVisible = false;
    st.ChartRefreshPending = true;
}

}  // namespace qor
