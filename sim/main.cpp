// qor-etc-sim: the simulated ETC module on a pseudo-terminal. Prints the device path as the
// first line of stdout, then serves until SIGTERM or SIGINT. Options: see sim/README.md.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/image/ParameterFile.h"
#include "sim/FaultPlan.h"
#include "sim/PtyTransport.h"
#include "sim/SimModule.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}

const char* const kUsage =
    "usage: qor-etc-sim [--version TEXT] [--serial TEXT] [--master N] [--user N]\n"
    "                   [--user-password TEXT] [--master-password TEXT] [--image FILE.e00]\n"
    "                   [--pace] [--faults FILE] [--live FILE] [--set FIELD=VALUE]...\n"
    "                   [--calibration-frames N] [--calibration-outcome WORD] [--log FILE]\n";

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool parseNumber(const std::string& s, long min, long max, long& out) {
    try {
        std::size_t used = 0;
        out = std::stol(s, &used, 0);
        return used == s.size() && out >= min && out <= max;
    } catch (...) {
        return false;
    }
}

// FIELD=VALUE: a live data word by field name or byte offset, fixed for the whole run.
bool applySetting(qor::sim::SimModule& m, const std::string& item, std::set<int>& fixed,
                  std::string& error) {
    const auto eq = item.find('=');
    long value = 0;
    const auto offset = qor::sim::live::offsetByName(item.substr(0, eq));
    if (eq == std::string::npos || !offset || !parseNumber(item.substr(eq + 1), 0, 0xFFFF, value)) {
        error = "bad live setting (FIELD=VALUE, value 0..65535): " + item;
        return false;
    }
    m.setLiveWord(*offset, static_cast<std::uint16_t>(value));
    fixed.insert(*offset);
    return true;
}

// Slow, smooth movement of the values a running engine shows, so the dashboard looks alive.
// Words fixed by --set or --live keep their value.
void animate(qor::sim::SimModule& m, const std::set<int>& fixed, qor::Millis nowMs) {
    namespace live = qor::sim::live;
    const double t = static_cast<double>(nowMs) / 1000.0;
    const double pedal = 50.0 * (1.0 - std::cos(t / 4.0));  // 0..100 %
    auto set = [&](int offset, double v) {
        if (!fixed.count(offset)) m.setLiveWord(offset, static_cast<std::uint16_t>(std::lround(v)));
    };
    set(live::EngineSpeed, 85 + 2.0 * pedal + 5.0 * std::sin(t * 1.3));
    set(live::PedalPos1, 2 * pedal);
    set(live::PedalPos2, 2 * pedal);
    set(live::PedalMv1, 600 + 38 * pedal);
    set(live::PedalMv2, 300 + 19 * pedal);
    set(live::ThrottlePos1, 2 * pedal);
    set(live::ThrottlePos2, 2 * pedal);
    set(live::ThrottleMv1, 500 + 40 * pedal);
    set(live::ThrottleMv2, 4500 - 40 * pedal);
    set(live::MotorCurrent, 15 + 10 * std::sin(t * 2.0));
    set(live::PwmThrottle, 14.0 * pedal);
}

}  // namespace

int main(int argc, char** argv) {
    qor::sim::SimModule module;
    std::set<int> fixed;
    bool paced = false, versionGiven = false;
    std::string imagePath, faultsPath, logPath, error;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                std::cerr << "qor-etc-sim: " << a << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return args[++i];
        };
        auto level = [&]() {
            long n = 0;
            const std::string v = value();
            if (!parseNumber(v, 0, 255, n)) {
                std::cerr << "qor-etc-sim: bad level " << v << "\n";
                std::exit(2);
            }
            return static_cast<int>(n);
        };
        long n = 0;
        if (a == "--version") {
            module.setVersion(value());
            versionGiven = true;
        } else if (a == "--serial") {
            module.setSerialNumber(value());
        } else if (a == "--master") {
            module.setLevels(level(), module.userLevel());
        } else if (a == "--user") {
            module.setLevels(module.masterLevel(), level());
        } else if (a == "--user-password") {
            module.setUserPassword(value());
        } else if (a == "--master-password") {
            module.setMasterPassword(value());
        } else if (a == "--image") {
            imagePath = value();
        } else if (a == "--pace") {
            paced = true;
        } else if (a == "--faults") {
            faultsPath = value();
        } else if (a == "--log") {
            logPath = value();
        } else if (a == "--set") {
            if (!applySetting(module, value(), fixed, error)) {
                std::cerr << "qor-etc-sim: " << error << "\n";
                return 2;
            }
        } else if (a == "--live") {
            std::string text;
            const std::string path = value();
            if (!readFile(path, text)) {
                std::cerr << "qor-etc-sim: cannot read " << path << "\n";
                return 2;
            }
            std::istringstream in(text);
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                std::string item;
                if (!(words >> item) || item[0] == '#') continue;
                if (!applySetting(module, item, fixed, error)) {
                    std::cerr << "qor-etc-sim: " << path << ": " << error << "\n";
                    return 2;
                }
            }
        } else if (a == "--calibration-frames" && parseNumber(value(), 0, 100000, n)) {
            module.setCalibrationFrames(static_cast<int>(n));
        } else if (a == "--calibration-outcome" && parseNumber(value(), 0, 0xFFFF, n)) {
            module.setCalibrationOutcome(static_cast<std::uint16_t>(n));
        } else {
            std::cerr << "qor-etc-sim: bad option " << a << "\n" << kUsage;
            return 2;
        }
    }

    if (!imagePath.empty()) {
        std::ifstream in(imagePath, std::ios::binary);
        const qor::Bytes raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto file = qor::ParseParameterFile(raw);
        if (!in || !file) {
            std::cerr << "qor-etc-sim: " << imagePath
                      << ": cannot read a parameter file (1031 records, 2062 bytes)\n";
            return 2;
        }
        module.setImage(file->words);
        if (!versionGiven && !file->version.empty()) module.setVersion(file->version);
    } else {
        // A module fresh from the factory: every parameter at its start value, so the demo
        // shows plausible settings rather than an image of zeros.
        const qor::ParameterSet startValues;
        const qor::ImageStores stores;
        const auto file = qor::ParseParameterFile(qor::BuildParameterFile(
            module.version(), qor::HasOpenLoopIdle(module.version()), startValues, stores));
        if (file) module.setImage(file->words);
    }
    if (!faultsPath.empty()) {
        std::string text;
        if (!readFile(faultsPath, text) || !module.faults().parseScript(text, error)) {
            std::cerr << "qor-etc-sim: " << faultsPath << ": "
                      << (error.empty() ? "cannot read" : error) << "\n";
            return 2;
        }
    }
    std::ofstream logFile;
    if (!logPath.empty()) {
        logFile.open(logPath, std::ios::trunc);
        if (!logFile) {
            std::cerr << "qor-etc-sim: cannot write " << logPath << "\n";
            return 2;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    qor::sim::PtyTransport pty(module);
    if (!pty.open(error)) {
        std::cerr << "qor-etc-sim: " << error << "\n";
        return 1;
    }
    std::cout << pty.devicePath() << std::endl;  // first line, flushed: the launcher waits on it

    pty.setPacing(paced);
    if (logFile) pty.setLog([&](const std::string& line) { logFile << line << std::endl; });
    pty.setTick(100, [&](qor::Millis now) { animate(module, fixed, now); });
    return pty.serve(&g_stop);
}
