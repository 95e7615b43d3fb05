#pragma once
// The tool's core without windows: the same Tool, link, sequencer and codecs as the window
// program, on a poll() loop and a POSIX serial port. Message boxes become lines on stderr.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/app/AppMessages.h"
#include "core/app/Application.h"
#include "core/diagnostics/LiveData.h"
#include "core/image/ParameterFile.h"
#include "core/link/LinkMessages.h"
#include "core/transfer/Transfer.h"
#include "tools/qor-etc-cli/PosixLoop.h"
#include "tools/qor-etc-cli/PosixSerialPort.h"

namespace qor::cli {

// Exit codes scripts can rely on.
enum Exit : int {
    kOk = 0,
    kUsage = 1,
    kPortUnavailable = 2,   // the port could not be opened
    kLinkLost = 3,          // no answer, repeated bad answers, or a port error
    kRefused = 4,           // version checks refused (mismatch, newer, unsupported, not ETC)
    kFileError = 5,         // parameter file could not be read or written
    kNoUploadAtLevel1 = 6,  // the module's user level allows no parameter upload
};

inline std::string printable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        out += text[i];
    }
    return out;
}

// Answers the message boxes as a script would want them answered and remembers what they said.
class CliDialogs : public Dialogs {
public:
    Button message(MessageKind kind, const std::string& text,
                   const std::vector<Button>& buttons) override {
        const bool ask = std::find(buttons.begin(), buttons.end(), Button::Ignore) != buttons.end();
        const char* label = kind == MessageKind::Error     ? "error"
                            : kind == MessageKind::Warning ? "warning"
                                                           : "note";
        std::fprintf(stderr, "%s: %s\n", label, printable(text).c_str());
        if (ask) {
            if (ignoreVersion) return Button::Ignore;
            refused = true;
            return Button::Cancel;
        }
        if (kind == MessageKind::Error && firstError.empty()) firstError = text;
        if (kind == MessageKind::Warning && text != app_msg::kUploadAfterDownload) warned = true;
        return buttons.empty() ? Button::Ok : buttons.front();
    }

    bool ignoreVersion = false;
    bool refused = false;  // a Cancel/Ignore question was answered with Cancel
    bool warned = false;   // a compatibility warning (unsupported or not an ETC module)
    std::string firstError;
};

class NoOpener : public DocumentOpener {
public:
    bool open(const std::string&) override { return false; }
};
class NoLister : public PortLister {
public:
    std::vector<std::string> availablePorts() const override { return {}; }
};
// File names come from the command line, never from a dialog.
class NoFileDialogs : public FileDialogs {
public:
    std::optional<std::string> getSaveFileName(const FileDialogSpec&) override { return {}; }
    std::optional<std::string> getOpenFileName(const FileDialogSpec&) override { return {}; }
};

inline volatile std::sig_atomic_t gInterrupted = 0;

class Session {
public:
    explicit Session(const std::string& portName, std::string appDir = "./")
        : app_({loop, port, dialogs, opener_, lister_, fileDialogs_, disk_}, {"qor-etc-cli", "-O"},
               std::move(appDir)),
          tool_(app_.tool()),
          image{app_.params(), app_.stores(), app_.effects(), app_.image()} {
        tool_.overridePort(portName);
        auto end = tool_.hooks().downloadEnd;
        tool_.hooks().downloadEnd = [this, end] {
            end();
            downloadEnded_ = true;
            downloadEndedAt = loop.nowMs();
        };
    }

    Tool& tool() { return tool_; }
    ToolState& state() { return tool_.state(); }

    // Reports the progress gauge on stderr in steps of 10 %.
    std::function<void(int percent)> onProgress = [](int p) {
        std::fprintf(stderr, "progress: %d%%\n", p);
    };

    // Identification and the whole upload; writes the parameter file when a path is given.
    int upload(const std::string& outFile, double limitMs = 120000) {
        bool wasOpen = false;
        tool_.show();
        const bool finished = loop.runUntil(
            [&] {
                progress();
                wasOpen |= port.isOpen();
                return uploaded() || levelOneOnly() || failed(wasOpen);
            },
            limitMs);
        if (!finished || failed(wasOpen)) return failure();
        if (levelOneOnly()) {
            std::fprintf(stderr, "error: the module's user level 1 allows no parameter upload\n");
            return kNoUploadAtLevel1;
        }
        if (outFile.empty()) return kOk;
        const auto& s = state();
        const Bytes file =
            BuildParameterFile(s.version_info, HasOpenLoopIdle(s.version_info), image.params,
                               image.stores);
        if (!disk_.replaceAtomically(outFile, file)) {
            std::fprintf(stderr, "error: %s: %s\n", outFile.c_str(), file_texts::kErrorSaving.c_str());
            return kFileError;
        }
        return kOk;
    }

    // Reads the parameter file into the parameter set.
    int openFile(const std::string& inFile) {
        const auto bytes = disk_.readAll(inFile);
        const auto parsed = bytes ? ParseParameterFile(*bytes) : std::nullopt;
        if (!parsed) {
            std::fprintf(stderr, "error: %s: %s\n", inFile.c_str(), file_texts::kErrorReading.c_str());
            return kFileError;
        }
        state().version_info = parsed->version;
        DecodeFileImage(*parsed, HasOpenLoopIdle(parsed->version), image.ctx);
        return kOk;
    }

    // The download command with the parameter set as it stands; ends with the 'R' reply.
    int download(double limitMs = 120000) {
        bool wasOpen = false;
        tool_.downloadClick();
        const bool finished = loop.runUntil(
            [&] {
                progress();
                wasOpen |= port.isOpen();
                return downloadEnded_ || dialogs.refused || dialogs.warned || failed(wasOpen);
            },
            limitMs);
        if (dialogs.refused || dialogs.warned) return kRefused;
        if (!finished || !downloadEnded_) return failure();
        // The end of a download asks for live data at once. Take its answer before leaving, so
        // the request does not stay in the device's buffer for whoever opens the port next.
        bool answered = false;
        tool_.hooks().liveData = [&](const Bytes&) { answered = true; };
        loop.runUntil([&] { return answered; }, 600);
        tool_.hooks().liveData = nullptr;
        tool_.link().StopLink();
        return kOk;
    }

    // Live data for `seconds` (0: until interrupted); one line a frame on stdout, and CSV rows.
    int live(const std::string& csvFile, double seconds) {
        std::ofstream csv;
        if (!csvFile.empty()) {
            csv.open(csvFile);
            if (!csv) {
                std::fprintf(stderr, "error: cannot write %s\n", csvFile.c_str());
                return kFileError;
            }
            csv << "ms";
            for (const char* n : DashboardView::kValueNames) csv << ',' << n;
            csv << '\n';
        }
        LiveDataDecoder decoder(tool_.view());
        int frames = 0;
        tool_.hooks().liveData = [&](const Bytes& f) {
            if (!decoder.DecodeLiveDataFrame(f)) return;
            ++frames;
            const auto& v = tool_.view().dashboard.values;
            std::string line;
            for (std::size_t i = 0; i < v.size(); ++i)
                line += std::string(i ? " " : "") + DashboardView::kValueNames[i] + "=" + v[i];
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            if (csv) {
                csv << static_cast<long long>(loop.nowMs());
                for (const auto& s : v) csv << ',' << s;
                csv << '\n';
            }
        };
        bool wasOpen = false;
        tool_.show();
        const double limit = seconds > 0 ? seconds * 1000 : 1e15;
        loop.runUntil(
            [&] {
                wasOpen |= port.isOpen();
                return gInterrupted || failed(wasOpen);
            },
            limit);
        tool_.hooks().liveData = nullptr;
        if (failed(wasOpen)) return failure();
        return frames > 0 ? kOk : kLinkLost;
    }

    PosixLoop loop;
    PosixSerialPort port{loop};
    double downloadEndedAt = 0;  // loop time of the 'R' reply
    CliDialogs dialogs;

private:
    NoOpener opener_;
    NoLister lister_;
    NoFileDialogs fileDialogs_;
    DiskFileStore disk_;
    Application app_;
    Tool& tool_;

public:
    // The parameter set and stores the transfers read and write.
    struct Image {
        ParameterSet& params;
        ImageStores& stores;
        ImageEffects& effects;
        ImageContext ctx;
    } image;

private:
    bool uploaded() {
        return state().UploadStep == kUploadDone && !tool_.view().main.progressVisible &&
               state().LinkOnline;
    }
    bool levelOneOnly() {
        return state().User_level == 1 && state().PendingRequest == '*' && state().LinkOnline;
    }
    // The port was open and the link has given up (six failures, or a port error).
    bool failed(bool wasOpen) { return !dialogs.firstError.empty() || (wasOpen && !port.isOpen()); }
    int failure() {
        const std::string& e = dialogs.firstError;
        if (e == link_msg::kPortNotAvailable || e == link_msg::kPortNotAvailableDownload) {
            if (!port.lastError().empty()) std::fprintf(stderr, "error: %s\n", port.lastError().c_str());
            return kPortUnavailable;
        }
        if (e.empty()) std::fprintf(stderr, "error: the module does not answer\n");
        return kLinkLost;
    }
    void progress() {
        const auto& m = tool_.view().main;
        if (!m.progressVisible || m.gaugeMaximum <= 0) return;
        const int p = m.gaugePosition * 100 / m.gaugeMaximum / 10 * 10;
        if (p != lastPercent_ && onProgress) onProgress(p);
        lastPercent_ = p;
    }

    bool downloadEnded_ = false;
    int lastPercent_ = -1;
};

}  // namespace qor::cli
