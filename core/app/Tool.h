#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/app/Keys.h"
#include "core/app/Presentation.h"
#include "core/app/ToolHooks.h"
#include "core/app/ToolState.h"
#include "core/diagnostics/ErrorsView.h"
#include "core/diagnostics/LiveData.h"
#include "core/link/Link.h"
#include "core/platform/Dialogs.h"
#include "core/platform/Port.h"
#include "core/platform/Scheduler.h"

namespace qor {

// The tool's hub: owns the tool state, the presentation, the four timers and the link, and
// runs start-up, identification, the main window's commands and the port page. The UI
// renders view() and forwards its events here; onViewChanged fires after each handled event.
class Tool {
  public:
    // args: the command line with the program itself at [0]. appDir ends in a separator.
    Tool(Scheduler& scheduler, Port& port, Dialogs& dialogs, DocumentOpener& opener,
         PortLister& ports, std::vector<std::string> args, std::string appDir);
    ~Tool();
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Called (after the outermost handler) whenever the presentation may have changed.
    std::function<void()> onViewChanged;
    // Runs an event handler of another subsystem as a Tool event (onViewChanged afterwards).
    void handle(const std::function<void()>& handler);

    ToolState& state() { return s_; }
    Presentation& view() { return view_; }
    ToolHooks& hooks() { return hooks_; }
    Link& link() { return link_; }
    Timer& timer1() { return *timers_.timer1; }
    Timer& timer2() { return *timers_.timer2; }
    Timer& timer3() { return *timers_.timer3; }
    Timer& timer4() { return *timers_.timer4; }

    // --- Start-up.
    // Uses this port name instead of com.ini and the switches (e.g. "--port NAME").
    void overridePort(const std::string& name);
    // Splash: view().splash.visible after construction unless "-O" is parameter 1, 2 or 3.
    // The UI closes it after 10 s or on OK and then calls this, then show().
    void splashClosed(bool ok);
    void splashCreditClicked();
    // The main window appears: reads com.ini, prepares the window, arms the first poll tick.
    void show();

    // --- Main window commands.
    void dashboardClick();         // Panel_dashbord and every label and indicator on it
    void upDownLoadButtonClick();  // SpeedButton_up_down_load: the menu variant
    void stayOfflineClick();
    void cancelMenuClick();
    void uploadClick();    // "&s" in the menu or the power-interruption panel
    void downloadClick();  // "&p"
    void lockClick();      // "&l"
    void helpClick();      // Button_Help_F1
    // True when the main window consumed the key.
    bool keyDown(Key key, unsigned modifiers);

    // --- Live data and the errors and warnings window.
    // Decodes '*' replies unless hooks().liveData takes them. The UI sets its decimal
    // separator; the calibration dialogue fills its HandleCalibrationResult.
    LiveDataDecoder& liveData() { return liveData_; }
    // Once, after the main window is first shown: the errors window goes to its right edge.
    void placeErrorsWindow(int mainWindowWidth);
    void errorsClearMessageClick();                      // "Clear message"
    // Alt+S, Alt+P, Alt+L in the errors window act as in the main window.
    bool errorsWindowKeyDown(Key key, unsigned modifiers);

    // --- Port page (settings window).
    void commErrorsLabelClick();    // Label_comm_errors: settings window + port page
    void communicationPortClick();  // "Communicationport" on the options menu
    void portPageSelect(int index);
    void portPageSave();
    void portPageCancel();

    // --- Shared operations for other subsystems.
    void SetOnlineDisplay(bool online);
    // Shows a variant of the up/download menu; the file commands are disabled first.
    void ShowUpDownloadMenu(MenuVariant variant);
    void EnableFileCommands(bool enabled);
    void UpdateThrottleLimitHeaders();
    void UpdateOpenLoopIdleHeaders();
    void SetDataLockedLook(bool locked);
    void SetDashboardActive(bool active);
    bool VersionAtLeast(const std::string& reference) const;
    bool EcuIsNewer() const;
    void SelectRegionTable();
    bool DownloadVersionChecks(const std::string& moduleVersion);
    void SelectManual();
    void OpenManual();
    void AccessLevelReceived(int masterLevel, int userLevel);
    // Upload command; altS: the keyboard variant (gauge maximum in words, Cancel buttons).
    void StartUpload(bool altS);
    // End of an upload: gauge hidden, file commands on, live data 120 ms later if online.
    void EndOfUpload();
    // Lock the module data: 'L' through the poll cycle unless a curve warning blocks it.
    void LockModuleData();
    std::string MainCaption(bool locked) const;

  private:
    class EventScope;
    void wireLink();
    void toggleOnline(bool fromDashboard);
    void openPortPage();
    void hidePortPage();

    Scheduler& scheduler_;
    Port& port_;
    Dialogs& dialogs_;
    DocumentOpener& opener_;
    PortLister& portLister_;
    std::vector<std::string> args_;
    ToolState s_;
    Presentation view_;
    ToolHooks hooks_;
    LiveDataDecoder liveData_{view_};
    ErrorsWindowCommands errorsCommands_;
    LinkTimers timers_;
    Link link_;
    std::string portOverride_;
    int eventDepth_ = 0;
};

}  // namespace qor
