#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/platform/Bytes.h"

namespace qor {

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colors {
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Orange{255, 148, 40};
inline constexpr Rgb Navy{0, 0, 128};
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Silver{192, 192, 192};
}  // namespace colors

// The version this software knows best; also what version_info holds before a module answers.
inline const std::string kToolVersion = std::string("1EA") + "1AB" + "1" + "A" + "A";

// The state every subsystem shares; one instance, owned by the top-level controller.
struct ToolState {
    std::string AppDir;              // program folder, ends in a path separator
    std::string PortName = "COM1";
    bool LinkOnline = false;         // written only by SetOnlineDisplay
    bool RxMuted = false;
    Bytes RxBuffer;
    int RxCount = 0;
    char PendingRequest = 0;         // 0 = unset
    int CommErrorCount = 0;
    int PollAction = 0;
    int TransferStep = 0;
    bool StepDone = false;
    int UploadStep = 0;
    int BlockStart = 0;
    int BlockCount = 0;
    Bytes TxPayload;
    int SendIndex = 0;
    int SendRow = 0;
    int ActiveTable = 1;
    bool DataCellClicked = true;
    bool ChartRefreshPending = true;
    bool ChartWriteBusy = false;
    int ChartPoint = 0;
    int ChartTable = 1;
    int ChartMode = 1;
    Rgb ChartMarkColor = colors::Yellow;
    Rgb ChartPointColor = colors::Orange;
    Rgb ChartLineColor1 = colors::Navy;
    Rgb ChartLineColor2 = colors::Navy;
    bool CanSettingsTouched = false;
    bool PredefinedListOpened = false;
    int CalibrationStep = 0;
    std::string ToolVersion = kToolVersion;
    std::string version_info = kToolVersion;
    std::string Serial_number = "000000";
    // Start words B(0)..B(19) of the image regions; empty until a supported module is seen.
    std::optional<std::array<int, 20>> RegionTable;
    std::string ManualFileName;
    std::string ParameterFileName;
    std::array<int, 21> UserCurve1{};
    std::array<int, 21> UserCurve2{};
    int InterpolationSpan = 0;       // span of the main-window table interpolation
    int Master_level = 0;            // master level byte last received from the module
    int User_level = 1;              // 1..4, selected from the user level byte
};

}  // namespace qor
