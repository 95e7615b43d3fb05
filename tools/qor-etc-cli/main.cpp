// qor-etc-cli: upload, download and live data from the command line, for scripts.
//
//   qor-etc-cli upload   --port P -o FILE.e00
//   qor-etc-cli download --port P [--ignore-version] FILE.e00
//   qor-etc-cli live     --port P [--csv FILE] [--seconds N]
//
// Progress and messages go to stderr; live values to stdout. Exit codes: 0 done, 1 usage,
// 2 port unavailable, 3 link lost, 4 refused by the version checks, 5 file error,
// 6 no upload at user level 1.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/qor-etc-cli/Session.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: qor-etc-cli upload --port P -o FILE.e00\n"
                 "       qor-etc-cli download --port P [--ignore-version] FILE.e00\n"
                 "       qor-etc-cli live --port P [--csv FILE] [--seconds N]\n");
    return qor::cli::kUsage;
}

void onSignal(int) { qor::cli::gInterrupted = 1; }

}  // namespace

int main(int argc, char** argv) {
    using namespace qor::cli;
    std::vector<std::string> a(argv + 1, argv + argc);
    if (a.empty()) return usage();
    const std::string command = a[0];
    std::string port, out, csv, file;
    double seconds = 0;
    bool ignoreVersion = false;
    for (std::size_t i = 1; i < a.size(); ++i) {
        auto value = [&](std::string& into) {
            if (i + 1 >= a.size()) return false;
            into = a[++i];
            return true;
        };
        std::string number;
        if (a[i] == "--port") {
            if (!value(port)) return usage();
        } else if (a[i] == "-o") {
            if (!value(out)) return usage();
        } else if (a[i] == "--csv") {
            if (!value(csv)) return usage();
        } else if (a[i] == "--seconds") {
            if (!value(number)) return usage();
            char* end = nullptr;
            seconds = std::strtod(number.c_str(), &end);
            if (*end != '\0' || seconds < 0) return usage();
        } else if (a[i] == "--ignore-version") {
            ignoreVersion = true;
        } else if (!a[i].empty() && a[i][0] != '-' && file.empty()) {
            file = a[i];
        } else {
            return usage();
        }
    }
    if (port.empty()) return usage();

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    Session session(port);
    session.dialogs.ignoreVersion = ignoreVersion;
    if (command == "upload") {
        if (out.empty() || !file.empty()) return usage();
        return session.upload(out);
    }
    if (command == "download") {
        if (file.empty()) return usage();
        if (const int rc = session.openFile(file); rc != kOk) return rc;
        return session.download();
    }
    if (command == "live") {
        if (!file.empty()) return usage();
        return session.live(csv, seconds);
    }
    return usage();
}
