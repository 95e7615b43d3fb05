#pragma once
#include <optional>
#include <string>
#include <vector>

namespace qor::ui {

// The program's own switches; everything else ("-O", "-1" .. "-9") goes to the core as it is.
struct CommandLine {
    bool demo = false;                      // --demo: run against the simulated module
    std::optional<std::string> port;        // --port NAME: wins over com.ini
    std::optional<std::string> screenshot;  // --screenshot FILE: grab the main window, exit
    double screenshotAfterSeconds = 5.0;    // --after SECONDS
    bool exitWhenOffline = false;           // --exit-when-offline: quit once the link is lost
    std::vector<std::string> coreArgs;      // the rest, in order (without the program name)
    std::string error;                      // non-empty: bad usage

    static CommandLine parse(const std::vector<std::string>& args);  // args without argv[0]
    static const char* usage();
};

}  // namespace qor::ui
