#include "core/image/FileCommands.h"

#include <cstdio>
#include <filesystem>

#include "core/image/Encodings.h"

namespace qor {

namespace {
void call(const std::function<void()>& f) {
    if (f) f();
}
}  // namespace

void ParameterFileCommands::resumePolling() {
    state_.RxMuted = false;
    call(hooks_.requestLiveData);
}

void ParameterFileCommands::SaveFileClick() {
    call(hooks_.stopLink);
    if (auto path = fileDialogs_.getSaveFileName(SaveDialogSpec(state_.AppDir))) {
        state_.ParameterFileName = *path;
        SaveParameterFile();
    }
    resumePolling();
}

bool ParameterFileCommands::SaveParameterFile() {
    call(hooks_.selectRegionTable);
    if (EcuIsNewerThanTool(state_.version_info, state_.ToolVersion)) {
        const Button b = dialogs_.message(MessageKind::Information, file_texts::kEcuIsNewer,
                                          {Button::Cancel, Button::Ignore});
        if (b != Button::Ignore) return false;
    }
    const Bytes data = BuildParameterFile(state_.version_info, HasOpenLoopIdle(state_.version_info),
                                          ctx_.params, ctx_.stores);
    if (!files_.replaceAtomically(state_.ParameterFileName, data)) {
        dialogs_.message(MessageKind::Plain, file_texts::kErrorSaving, {Button::Ok});
        return false;
    }
    return true;
}

void ParameterFileCommands::OpenFileClick() {
    call(hooks_.stopLink);
    auto path = fileDialogs_.getOpenFileName(OpenDialogSpec(state_.AppDir));
    if (!path) {
        resumePolling();
        return;
    }
    state_.ParameterFileName = *path;
    OpenParameterFile();
    state_.RxCount = 0;
    state_.RxBuffer.clear();
    call(hooks_.enterOfflineState);
}

bool ParameterFileCommands::OpenParameterFile() {
    const auto data = files_.readAll(state_.ParameterFileName);
    const auto image = data ? ParseParameterFile(*data) : std::nullopt;
    if (!image) {
        dialogs_.message(MessageKind::Plain, file_texts::kErrorReading, {Button::Ok});
        return false;
    }
    state_.version_info = image->version;
    call(hooks_.versionTextChanged);
    call(hooks_.selectRegionTable);
    if (EcuIsNewerThanTool(state_.version_info, state_.ToolVersion)) {
        // OK ends the open with only the version text taken; closing the box goes on.
        if (dialogs_.message(MessageKind::Information, file_texts::kEcuIsNewer, {Button::Ok}) ==
            Button::Ok)
            return false;
    }
    DecodeFileImage(*image, HasOpenLoopIdle(state_.version_info), ctx_);
    return true;
}

// ---- Predefined settings -----------------------------------------------------------------

std::string PredefinedFileName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Pred%02d.e0i", index + 1);
    return name;
}

std::string PredefinedFilePath(const std::string& appDir, int index) {
    return (std::filesystem::path(appDir) / "System" / PredefinedFileName(index)).string();
}

bool PredefinedSettings::ItemSelected(int index) {
    if (!state_.PredefinedListOpened) return false;
    state_.PredefinedListOpened = false;
    const auto data = (index >= 0 && index < kPredefinedCount)
                          ? files_.readAll(PredefinedFilePath(state_.AppDir, index))
                          : std::nullopt;
    if (!data || data->size() < static_cast<std::size_t>(kPredefinedMinRecords * 2)) {
        dialogs_.message(MessageKind::Plain, file_texts::kErrorReading, {Button::Ok});
        return false;
    }
    // The receive-buffer layout: "Z", then the ETC region's words high byte first.
    Bytes rx{static_cast<Byte>('Z')};
    for (int r = kPredefinedFirstRecord; r < kPredefinedMinRecords; ++r) {
        const auto at = static_cast<std::size_t>(2 * r);
        AppendWord(rx, (*data)[at] | ((*data)[at + 1] << 8));
    }
    state_.RxBuffer = rx;
    decodeEtcPidGroup(std::span<const Byte>(rx).subspan(1), ctx_);
    state_.SendIndex = 1;
    state_.SendRow = 0;
    state_.StepDone = true;
    state_.RxMuted = false;
    state_.PollAction = 6;
    call(startPidSend_);
    return true;
}

}  // namespace qor
