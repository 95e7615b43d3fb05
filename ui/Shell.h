#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app/Tool.h"
#include "core/diagnostics/LiveData.h"
#include "core/image/FileCommands.h"
#include "core/image/ParameterSet.h"
#include "core/image/RegionCodec.h"
#include "core/transfer/Transfer.h"
#include "ui/ErrorsWindow.h"
#include "ui/KeyPreview.h"
#include "ui/MainWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/SplashWindow.h"

namespace qor::ui {

// The tool's windows bound to the core: builds the Tool on the given platform pieces, wires
// the parameter set, the upload/download sequencer and the parameter file commands into it,
// renders its presentation after every handled event and
// forwards the user's clicks and keys. The real program gives it the Qt adapters; tests give
// it the simulated module in virtual time.
class Shell : public QObject {
    Q_OBJECT
  public:
    struct Platform {
        Scheduler& scheduler;
        Port& port;
        Dialogs& dialogs;
        DocumentOpener& opener;
        PortLister& ports;
        FileDialogs& fileDialogs;
        FileStore& files;
    };

    // args: the command line for the core, program name first.
    Shell(Platform platform, std::vector<std::string> args, std::string appDir);
    ~Shell() override;

    Tool& tool() { return *tool_; }
    const ParameterSet& parameters() const { return params_; }
    MainWindow& mainWindow() { return *main_; }
    ErrorsWindow& errorsWindow() { return *errors_; }
    SettingsWindow& settingsWindow() { return *settings_; }

    // Start-up: the splash (modal, unless the core says not), then the main window.
    void runSplash();
    void showMain();
    void render();

    // Called after a render in which the link went on- or offline.
    std::function<void(bool online)> onLinkOnlineChanged;

    static Key keyOf(int qtKey);
    static unsigned modifiersOf(Qt::KeyboardModifiers m);

  private:
    void bindMainWindow();
    void bindOtherWindows();

    ParameterSet params_;
    ImageStores stores_;
    ImageEffects effects_;
    std::unique_ptr<Tool> tool_;
    std::unique_ptr<Transfer> transfer_;
    std::unique_ptr<ParameterFileCommands> fileCommands_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<ErrorsWindow> errors_;
    std::unique_ptr<SettingsWindow> settings_;
    std::unique_ptr<SplashWindow> splash_;
    std::unique_ptr<KeyPreview> keys_;
    bool lastOnline_ = false;
};

}  // namespace qor::ui
