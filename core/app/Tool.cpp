#include "core/app/Tool.h"

#include <algorithm>

#include "core/app/AppMessages.h"
#include "core/app/Identity.h"
#include "core/image/Encodings.h"
#include "core/link/LinkMessages.h"
#include "core/link/PortSettings.h"

namespace qor {

// Notifies the UI once the outermost handled event is over.
class Tool::EventScope {
  public:
    explicit EventScope(Tool& t) : t_(t) { ++t_.eventDepth_; }
    ~EventScope() {
        if (--t_.eventDepth_ == 0 && t_.onViewChanged) t_.onViewChanged();
    }
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

  private:
    Tool& t_;
};

namespace {
std::string wholeNumber(double v) {
    return std::to_string(Round(v));
}
}  // namespace

Tool::Tool(Scheduler& scheduler, Port& port, Dialogs& dialogs, DocumentOpener& opener,
           PortLister& ports, std::vector<std::string> args, std::string appDir)
    : scheduler_(scheduler),
      port_(port),
      dialogs_(dialogs),
      opener_(opener),
      portLister_(ports),
      args_(std::move(args)),
      link_(s_, view_, port_, dialogs_, timers_) {
    auto ticked = [this](void (Link::*handler)()) {
        return [this, handler] {
            EventScope scope(*this);
            (link_.*handler)();
        };
    };
    timers_.timer1 = scheduler_.createTimer(kTimer1Period, ticked(&Link::RequestLiveData));
    timers_.timer2 = scheduler_.createTimer(kTimer2Period, ticked(&Link::TimeoutRetry));
    timers_.timer3 = scheduler_.createTimer(kTimer3Period, ticked(&Link::SequencerTick));
    timers_.timer4 = scheduler_.createTimer(kTimer4Period, ticked(&Link::PollTick));
    port_.setOnBytesArrived([this](std::size_t n) {
        EventScope scope(*this);
        link_.OnBytesArrived(n);
    });
    wireLink();
    errorsCommands_.upload = [this] { keyDown(Key::S, Alt); };
    errorsCommands_.download = [this] { keyDown(Key::P, Alt); };
    errorsCommands_.lock = [this] { keyDown(Key::L, Alt); };

    // Main window creation.
    s_.AppDir = std::move(appDir);
    bool noSplash = false;
    for (std::size_t i = 1; i <= 3 && i < args_.size(); ++i) noSplash |= args_[i] == "-O";
    view_.splash.visible = !noSplash;
    link_.SetBaud(kSlowBaud);
    s_.PortName = "COM1";
    s_.RxMuted = false;
}

Tool::~Tool() {
    port_.setOnBytesArrived(nullptr);
}

void Tool::wireLink() {
    auto& c = link_.consumers;
    c.setOnlineDisplay = [this](bool on) { SetOnlineDisplay(on); };
    c.setDataLockedLook = [this](bool locked) { SetDataLockedLook(locked); };
    c.enableFileCommands = [this](bool on) { EnableFileCommands(on); };
    c.hideUpDownloadMenu = [this] { view_.main.menu = MenuVariant::Hidden; };
    c.accessLevelReceived = [this](int m, int u) { AccessLevelReceived(m, u); };
    c.downloadVersionChecks = [this](const std::string& v) { return DownloadVersionChecks(v); };
    // Consumers built elsewhere are looked up when called, so they may be set at any time.
    c.liveData = [this](const Bytes& f) {
        if (hooks_.liveData) {
            hooks_.liveData(f);
        } else {
            liveData_.DecodeLiveDataFrame(f);
        }
    };
    c.blockReceived = [this] {
        if (hooks_.blockReceived) hooks_.blockReceived();
    };
    c.passwordReply = [this](char l, bool ok) {
        if (hooks_.passwordReply) hooks_.passwordReply(l, ok);
    };
    c.calibrationReply = [this](int code) {
        if (hooks_.calibrationReply) hooks_.calibrationReply(code);
    };
    c.downloadEnd = [this] {
        if (hooks_.downloadEnd) hooks_.downloadEnd();
    };
    c.sequencerStep = [this] {
        if (hooks_.sequencerStep) hooks_.sequencerStep();
    };
    c.resendAccessLevel = [this] {
        if (hooks_.resendAccessLevel) hooks_.resendAccessLevel();
    };
    c.resendPassword = [this](char l) {
        if (hooks_.resendPassword) hooks_.resendPassword(l);
    };
    c.calibrationLinkLost = [this] {
        if (hooks_.calibrationLinkLost) hooks_.calibrationLinkLost();
    };
    c.startTableEdit = [this] {
        if (hooks_.startTableEdit) hooks_.startTableEdit();
    };
    c.applyPedalCorrectionEdit = [this] {
        if (hooks_.applyPedalCorrectionEdit) hooks_.applyPedalCorrectionEdit();
    };
}

void Tool::handle(const std::function<void()>& handler) {
    EventScope scope(*this);
    if (handler) handler();
}

// ---------------------------------------------------------------- start-up

void Tool::overridePort(const std::string& name) {
    EventScope scope(*this);
    portOverride_ = name;
    if (!name.empty()) s_.PortName = name;
}

void Tool::splashClosed(bool /*ok*/) {
    EventScope scope(*this);
    view_.splash.visible = false;
}

void Tool::splashCreditClicked() {
    EventScope scope(*this);
    view_.splash.creditColor = colors::Black;
}

void Tool::show() {
    EventScope scope(*this);
    s_.PortName = ResolvePortName(s_.AppDir, args_);
    if (!portOverride_.empty()) s_.PortName = portOverride_;
    s_.DataCellClicked = true;
    s_.ToolVersion = kToolVersion;
    s_.version_info = s_.ToolVersion;
    SetDashboardActive(false);
    s_.UserCurve1.fill(0);
    s_.UserCurve2.fill(0);
    UpdateOpenLoopIdleHeaders();
    view_.main.dataLockedLook = true;
    view_.main.caption = MainCaption(true);
    EnableFileCommands(false);
    view_.main.progressCaption = std::string(app_msg::kUpLoading);
    view_.main.progressVisible = true;
    s_.PollAction = 0;
    UpdateThrottleLimitHeaders();
    view_.main.openLoopIdlePanelVisible = VersionAtLeast(kOpenLoopIdleVersion);
    if (hooks_.formShown) hooks_.formShown();
    timers_.timer4->setEnabled(true);
}

// ---------------------------------------------------------------- presentation

void Tool::SetOnlineDisplay(bool online) {
    auto& m = view_.main;
    m.height = 720;
    m.liveValuePanelsVisible = online;
    m.upDownLoadButtonVisible = online;
    m.offlineHintsVisible = !online;
    if (online) {
        m.dashboardOnlineLook = true;
        s_.LinkOnline = true;
        return;
    }
    if (port_.isOpen()) port_.close();
    SetDashboardActive(false);
    if (hooks_.resetLiveValues) hooks_.resetLiveValues();
    else ResetLiveValues(view_.dashboard);
    m.dashboardOnlineLook = false;
    m.progressVisible = false;
    s_.LinkOnline = false;
}

void Tool::EnableFileCommands(bool enabled) {
    auto& m = view_.main;
    m.openFileEnabled = m.saveFileEnabled = m.optionsEnabled = m.upDownLoadEnabled = enabled;
}

void Tool::SetDashboardActive(bool active) {
    if (hooks_.setDashboardActive) {
        hooks_.setDashboardActive(active);
    } else {
        qor::SetDashboardActive(view_.dashboard, active);
    }
}

void Tool::UpdateThrottleLimitHeaders() {
    if (!hooks_.rpmRangeRows) return;
    const auto rows = hooks_.rpmRangeRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        view_.main.throttleLimitHeaders[i] = wholeNumber(rows[i]);
    }
}

void Tool::UpdateOpenLoopIdleHeaders() {
    // The spin field clamps to 400..980 RPM; 400 is what it shows before a value is set.
    const double start = hooks_.idleStartSpeed ? hooks_.idleStartSpeed() : 400.0;
    long long header = Round(start);
    for (auto& h : view_.main.openLoopIdleHeaders) {
        h = std::to_string(header);
        header += 20;
    }
}

std::string Tool::MainCaption(bool locked) const {
    std::string c = "QOR V" + view_.splash.version + " ETC";
    if (!locked) c += std::string(48, ' ') + std::string(app_msg::kNotLockedSuffix);
    return c;
}

void Tool::SetDataLockedLook(bool locked) {
    if (view_.main.dataLockedLook == locked && !view_.main.caption.empty()) return;
    view_.main.dataLockedLook = locked;
    view_.main.caption = MainCaption(locked);
    if (hooks_.lockLookChanged) hooks_.lockLookChanged(locked);
}

// ---------------------------------------------------------------- identity

bool Tool::VersionAtLeast(const std::string& reference) const {
    return qor::VersionAtLeast(s_.version_info, reference);
}

bool Tool::EcuIsNewer() const {
    return qor::EcuIsNewer(s_.version_info, s_.ToolVersion);
}

void Tool::SelectRegionTable() {
    const std::string& v = s_.version_info;
    auto refuse = [this](const std::string& text) {
        link_.StopLink();
        view_.main.progressVisible = false;
        dialogs_.message(MessageKind::Warning, text, {Button::Ok});
    };
    if (IsSupportedVersion(v)) s_.RegionTable = kSupportedRegionTable;
    if (IsUnsupportedEtcVersion(v)) refuse(app_msg::UnsupportedAtUpload(v, s_.Serial_number));
    if (SystemKind(v) != 'E') refuse(app_msg::NotEtcAtUpload(SystemWordAtUpload(SystemKind(v))));
}

bool Tool::DownloadVersionChecks(const std::string& m) {
    auto stop = [this] {
        link_.StopLink();
        view_.main.progressVisible = false;
    };
    if (IsSupportedVersion(m)) {
        if (s_.version_info != m) {
            const Button b = dialogs_.message(MessageKind::Warning,
                                              app_msg::FileDoesNotMatch(s_.version_info, m),
                                              {Button::Cancel, Button::Ignore});
            if (b != Button::Ignore) {
                stop();
                EnableFileCommands(true);
                return false;
            }
            dialogs_.message(MessageKind::Warning, std::string(app_msg::kUploadAfterDownload),
                             {Button::Ok});
        }
        return true;
    }
    if (IsUnsupportedEtcVersion(m)) {
        stop();
        dialogs_.message(MessageKind::Warning, app_msg::UnsupportedAtDownload(m), {Button::Ok});
    }
    if (SystemKind(m) != 'E') {
        stop();
        dialogs_.message(MessageKind::Warning,
                         app_msg::NotEtcAtDownload(SystemWordAtDownload(SystemKind(m))),
                         {Button::Ok});
    }
    return false;
}

void Tool::SelectManual() {
    const auto language = ReadLanguageIni(s_.AppDir + "Language.ini");
    if (!language) {
        dialogs_.message(MessageKind::Plain, std::string(app_msg::kCantFindLanguageIni),
                         {Button::Ok});
        s_.ManualFileName = std::string(app_msg::kManualEnglish103);
        return;
    }
    s_.ManualFileName = ManualFileNameFor(*language);
}

void Tool::OpenManual() {
    SelectManual();
    if (!opener_.open(s_.AppDir + s_.ManualFileName)) {
        dialogs_.message(MessageKind::Plain,
                         std::string(app_msg::kCantFindPrefix) + s_.ManualFileName, {Button::Ok});
    }
}

void Tool::AccessLevelReceived(int masterLevel, int userLevel) {
    s_.Master_level = masterLevel;
    s_.User_level = userLevel <= 1 ? 1 : (userLevel > 3 ? 4 : userLevel);
    view_.main.userLevelCaption = std::string(app_msg::kLevelPrefix) + std::to_string(userLevel);
    auto& m = view_.main;
    if (s_.User_level == 1) {
        EnableFileCommands(false);
        m.optionsEnabled = true;
        m.responseCurvePanelsVisible = false;
        m.throttleLimitPanelVisible = false;
        m.openLoopIdlePanelVisible = false;
        m.progressVisible = false;
        link_.RequestPollAction(3);
        return;
    }
    SelectRegionTable();
    if (EcuIsNewer()) {
        dialogs_.message(MessageKind::Information, std::string(app_msg::kEcuIsNewer), {Button::Ok});
        return;  // no upload; the link stays idle
    }
    EnableFileCommands(true);
    m.optionsEnabled = true;
    m.responseCurvePanelsVisible = true;
    m.throttleLimitPanelVisible = true;
    m.openLoopIdlePanelVisible = VersionAtLeast(kOpenLoopIdleVersion);
    const auto& b = s_.RegionTable ? *s_.RegionTable : std::array<int, 20>{};
    s_.BlockCount = b[17] - b[0];
    m.gaugePosition = 0;
    m.gaugeMaximum = s_.BlockCount * 2 + 2;
    s_.UploadStep = 3;
    if (hooks_.startBlockReads) {
        hooks_.startBlockReads();
    } else {
        EndOfUpload();
    }
}

// ---------------------------------------------------------------- transfers

void Tool::StartUpload(bool altS) {
    SetDashboardActive(false);
    link_.StopLink();
    s_.CommErrorCount = 0;
    auto& m = view_.main;
    m.powerInterruptedPanelVisible = false;
    m.menu = MenuVariant::Hidden;
    const auto& b = s_.RegionTable ? *s_.RegionTable : std::array<int, 20>{};
    m.progressCaption = std::string(app_msg::kUpLoading);
    m.gaugePosition = 0;
    m.gaugeMaximum = (b[17] - b[0]) * (altS ? 1 : 2);
    m.progressVisible = true;
    if (altS && hooks_.setPageCancelButtonsEnabled) hooks_.setPageCancelButtonsEnabled(true);
    s_.TransferStep = 0;
    link_.RequestPollAction(0);
}

void Tool::EndOfUpload() {
    view_.main.progressVisible = false;
    EnableFileCommands(true);
    if (hooks_.updateDigitalInputLabels) hooks_.updateDigitalInputLabels();
    if (s_.LinkOnline) timers_.timer1->setEnabled(true);
}

void Tool::LockModuleData() {
    if (hooks_.lock) return hooks_.lock();
    if (hooks_.lockBlockedByCurveWarnings && hooks_.lockBlockedByCurveWarnings()) return;
    link_.StopLink();
    link_.RequestPollAction(7);
}

// ---------------------------------------------------------------- main window commands

void Tool::ShowUpDownloadMenu(MenuVariant variant) {
    EnableFileCommands(false);
    view_.main.menu = variant;
}

void Tool::toggleOnline(bool fromDashboard) {
    if (s_.LinkOnline) {
        SetOnlineDisplay(false);
        link_.StopLink();
        return;
    }
    if (!fromDashboard || view_.main.responseCurvePanelsVisible) {
        if (fromDashboard) {
            view_.main.accessSettingsVisible = false;
            view_.main.passwordGroupVisible = false;
        }
        SetOnlineDisplay(true);
        link_.StopLink();
        ShowUpDownloadMenu(MenuVariant::GoingOnline);
        return;
    }
    // A user who may not edit goes straight to live data, without identification.
    SetOnlineDisplay(true);
    SetDashboardActive(true);
    link_.OpenPort();
    link_.RequestPollAction(3);
}

void Tool::dashboardClick() {
    EventScope scope(*this);
    toggleOnline(true);
}

void Tool::upDownLoadButtonClick() {
    EventScope scope(*this);
    ShowUpDownloadMenu(MenuVariant::Menu);
}

void Tool::stayOfflineClick() {
    EventScope scope(*this);
    view_.main.menu = MenuVariant::Hidden;
    EnableFileCommands(true);
    SetOnlineDisplay(false);
}

void Tool::cancelMenuClick() {
    EventScope scope(*this);
    view_.main.menu = MenuVariant::Hidden;
    EnableFileCommands(true);
}

void Tool::uploadClick() {
    EventScope scope(*this);
    StartUpload(false);
}

void Tool::downloadClick() {
    EventScope scope(*this);
    if (hooks_.download) hooks_.download();
}

void Tool::lockClick() {
    EventScope scope(*this);
    LockModuleData();
}

void Tool::helpClick() {
    EventScope scope(*this);
    OpenManual();
}

bool Tool::keyDown(Key key, unsigned modifiers) {
    EventScope scope(*this);
    const bool alt = (modifiers & Alt) != 0;
    const auto& m = view_.main;
    auto run = [](const std::function<void()>& f) {
        if (f) f();
        return true;
    };
    switch (key) {
        case Key::Space:
            s_.ChartRefreshPending = true;
            return false;  // the focused control gets it too
        case Key::S:
            if (!alt) return false;
            StartUpload(true);
            return true;
        case Key::P:
            return alt && run(hooks_.download);
        case Key::L:
            if (!alt) return false;
            LockModuleData();
            return true;
        case Key::F1:
            OpenManual();
            return true;
        case Key::F2:
            return m.openFileEnabled && run(hooks_.openFile);
        case Key::F3:
            return m.saveFileEnabled && run(hooks_.saveFile);
        case Key::F4:
            return !alt && m.optionsEnabled && run(hooks_.openOptions);
        case Key::F7:
            if (!m.upDownLoadEnabled) return false;
            ShowUpDownloadMenu(MenuVariant::Menu);
            return true;
        case Key::F10:
            toggleOnline(false);
            return true;
        case Key::Other:
            return false;
    }
    return false;
}

// ---------------------------------------------------------------- errors and warnings window

void Tool::placeErrorsWindow(int mainWindowWidth) {
    EventScope scope(*this);
    PlaceErrorsWindow(view_.errors, mainWindowWidth);
}

void Tool::errorsClearMessageClick() {
    EventScope scope(*this);
    ClearErrorMessages(view_.errors);
}

bool Tool::errorsWindowKeyDown(Key key, unsigned modifiers) {
    EventScope scope(*this);
    return ErrorsWindowKeyDown(errorsCommands_, key, modifiers);
}

// ---------------------------------------------------------------- port page

void Tool::openPortPage() {
    auto& page = view_.portPage;
    page.ports = portLister_.availablePorts();
    // Ports the system does not list (pseudo-terminals) are offered when they are in use.
    if (!s_.PortName.empty() &&
        std::find(page.ports.begin(), page.ports.end(), s_.PortName) == page.ports.end()) {
        page.ports.push_back(s_.PortName);
    }
    const auto it = std::find(page.ports.begin(), page.ports.end(), s_.PortName);
    page.selected = it == page.ports.end() || s_.PortName.empty()
                        ? -1
                        : static_cast<int>(it - page.ports.begin());
    if (page.selected < 0) {
        dialogs_.message(MessageKind::Plain, std::string(link_msg::kComportEmpty), {Button::Ok});
    }
    if (hooks_.setOptionsMenuVisible) hooks_.setOptionsMenuVisible(false);
    page.visible = true;
}

void Tool::hidePortPage() {
    view_.portPage.visible = false;
    if (hooks_.setOptionsMenuVisible) hooks_.setOptionsMenuVisible(true);
}

void Tool::commErrorsLabelClick() {
    EventScope scope(*this);
    openPortPage();
}

void Tool::communicationPortClick() {
    EventScope scope(*this);
    openPortPage();
}

void Tool::portPageSelect(int index) {
    EventScope scope(*this);
    const int n = static_cast<int>(view_.portPage.ports.size());
    view_.portPage.selected = index >= 0 && index < n ? index : -1;
}

void Tool::portPageSave() {
    EventScope scope(*this);
    const auto& page = view_.portPage;
    if (page.selected < 0 || page.selected >= static_cast<int>(page.ports.size())) {
        dialogs_.message(MessageKind::Warning, std::string(link_msg::kDoNotEdit), {Button::Ok});
        return;
    }
    const std::string name = page.ports[static_cast<std::size_t>(page.selected)];
    if (WriteComIni(s_.AppDir + kComIniName, name)) {
        s_.PortName = name;
    } else {
        dialogs_.message(MessageKind::Plain, std::string(link_msg::kWriteErrorComIni),
                         {Button::Ok});
    }
    hidePortPage();
}

void Tool::portPageCancel() {
    EventScope scope(*this);
    hidePortPage();
}

}  // namespace qor
