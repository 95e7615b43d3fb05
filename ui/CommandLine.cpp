#include "ui/CommandLine.h"

#include <cstdlib>

namespace qor::ui {

CommandLine CommandLine::parse(const std::vector<std::string>& args) {
    CommandLine c;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                c.error = a + " needs " + what;
                return std::nullopt;
            }
            return args[++i];
        };
        if (a == "--demo") {
            c.demo = true;
        } else if (a == "--port") {
            if (auto v = value("a port name")) c.port = *v;
        } else if (a == "--screenshot") {
            if (auto v = value("a file name")) c.screenshot = *v;
        } else if (a == "--after") {
            if (auto v = value("a number of seconds")) {
                char* end = nullptr;
                const double s = std::strtod(v->c_str(), &end);
                if (end == v->c_str() || *end != '\0' || s < 0)
                    c.error = "--after needs a number of seconds";
                else
                    c.screenshotAfterSeconds = s;
            }
        } else if (a == "--exit-when-offline") {
            c.exitWhenOffline = true;
        } else if (a == "--help" || a == "-h") {
            c.error = "help";
        } else {
            c.coreArgs.push_back(a);
        }
        if (!c.error.empty()) break;
    }
    return c;
}

const char* CommandLine::usage() {
    return "usage: qor-etc [-O] [-1 .. -9] [--port NAME] [--demo]\n"
           "               [--screenshot FILE [--after SECONDS]] [--exit-when-offline]\n"
           "  -O                  no start-up window\n"
           "  -1 .. -9            COM1 .. COM9 when com.ini cannot be read\n"
           "  --port NAME         serial port to use (wins over com.ini), e.g. ttyUSB0 or COM3\n"
           "  --demo              start the simulated module (qor-etc-sim) and connect to it\n"
           "  --screenshot FILE   save a picture of the main window after --after seconds, exit\n"
           "  --exit-when-offline quit as soon as the link goes offline after being online\n"
           "With --demo, QOR_SIM_ARGS holds extra arguments for the simulator.\n";
}

}  // namespace qor::ui
