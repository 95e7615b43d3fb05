#pragma once
// The whole tool without windows: the Tool hub with the parameter set, the upload/download
// sequencer and the parameter file commands wired into it. The window program, the command
// line program and the scenario tests all build this one object, so they run the same wiring.
#include <memory>
#include <string>
#include <vector>

#include "core/app/Tool.h"
#include "core/image/FileCommands.h"
#include "core/image/ParameterSet.h"
#include "core/image/RegionCodec.h"
#include "core/platform/Dialogs.h"
#include "core/platform/Port.h"
#include "core/platform/Scheduler.h"
#include "core/transfer/Transfer.h"

namespace qor {

class Application {
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

    // args: the command line, program name first; appDir ends in a path separator.
    Application(Platform platform, std::vector<std::string> args, std::string appDir);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Tool& tool() { return tool_; }
    Transfer& transfer() { return transfer_; }
    ParameterFileCommands& files() { return files_; }
    ParameterSet& params() { return params_; }
    const ParameterSet& params() const { return params_; }
    ImageStores& stores() { return stores_; }
    ImageEffects& effects() { return effects_; }
    ImageContext image() { return ImageContext{params_, stores_, effects_}; }

    // The main window after a parameter file was opened: off-line, with the up/download menu
    // offering download, lock or staying off-line.
    void EnterOfflineStateAfterOpen();

private:
    FileCommandHooks fileHooks();

    ParameterSet params_;
    ImageStores stores_;
    ImageEffects effects_;
    Tool tool_;
    Transfer transfer_;
    ParameterFileCommands files_;
};

}  // namespace qor
