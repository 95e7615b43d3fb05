#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/app/Keys.h"
#include "core/app/ToolState.h"

namespace qor {

namespace colors {
inline constexpr Rgb WarningOrange{0xFF, 0x94, 0x28};
inline constexpr Rgb ErrorRed{0xFF, 0x00, 0x00};
}  // namespace colors

// One reported condition: indicator AdvSmoothStatusIndicator_error_NN and its text label
// Label_Error_message_NN, shown together.
struct ErrorIndicatorView {
    bool shown = false;
    bool isError = false;          // else a warning
    Rgb fill = colors::WarningOrange;
    std::string caption;           // "!" for an error, empty for a warning
};

// The errors and warnings window (Form5): a stay-on-top tool window without border icons,
// hidden at start, shown by the first live frame that reports a condition.
struct ErrorsView {
    static constexpr int kConditionCount = 24;
    static constexpr int kClientWidth = 303;
    static constexpr int kClientHeight = 405;
    static constexpr bool kStayOnTop = true;
    static constexpr bool kToolWindow = true;
    static constexpr bool kBorderIcons = false;   // the title bar cannot close it
    // Placed once, when the main window is first shown.
    static constexpr int kTop = 55;
    static constexpr int kRightMargin = 315;      // left = main window width - this

    bool visible = false;
    bool placed = false;
    int top = 0;
    int left = 0;
    std::array<ErrorIndicatorView, kConditionCount> conditions{};
    // Words last applied; a frame bringing the same three words while the window shows is
    // skipped.
    std::array<std::uint16_t, 3> rememberedWords{};
};

// Applies the three error words of a live frame: shows the window for any non-zero word and
// marks every reported condition (a condition with both bits set ends as an error). Conditions
// are never hidden here. Returns false when the frame was skipped: the window shows and the
// words equal the last ones applied.
bool ApplyErrorWords(ErrorsView& view, std::uint16_t w1, std::uint16_t w2, std::uint16_t w3);

// "Clear message": hides all conditions and the window. Nothing goes to the module, and the
// remembered words stay, so the next frame with a non-zero word brings the window back.
void ClearErrorMessages(ErrorsView& view);

// Positions the window against the main window's right edge; only the first call counts.
void PlaceErrorsWindow(ErrorsView& view, int mainWindowWidth);

// The window's Alt+S, Alt+P and Alt+L do exactly what the main window's keys do; whoever owns
// those commands fills the hooks.
struct ErrorsWindowCommands {
    std::function<void()> upload;     // Alt+S
    std::function<void()> download;   // Alt+P
    std::function<void()> lock;       // Alt+L
};

// A key pressed in the errors window. Returns whether it was one of the forwarded commands.
bool ErrorsWindowKeyDown(const ErrorsWindowCommands& commands, Key key, unsigned modifiers);

}  // namespace qor
