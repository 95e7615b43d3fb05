#include "core/diagnostics/ErrorsView.h"

#include "core/diagnostics/DiagnosticsTexts.h"

namespace qor {

bool ApplyErrorWords(ErrorsView& view, std::uint16_t w1, std::uint16_t w2, std::uint16_t w3) {
    const std::array<std::uint16_t, 3> words = {w1, w2, w3};
    if (view.visible && words == view.rememberedWords) return false;
    // Remembered on every apply, not only when the window opens: otherwise a condition going
    // error -> warning -> error would stay orange, because the third frame equals the first.
    view.rememberedWords = words;
    for (int w = 0; w < 3; ++w) {
        const std::uint16_t word = words[w];
        if (word > 0) view.visible = true;
        for (int bit = 15; bit >= 0; --bit) {
            if (!(word & (1u << bit))) continue;
            const bool error = bit < 8;
            ErrorIndicatorView& c = view.conditions[8 * w + (bit & 7)];
            c.shown = true;
            c.isError = error;
            c.fill = error ? colors::ErrorRed : colors::WarningOrange;
            c.caption = error ? std::string(diagtext::kErrorIndicatorCaption) : std::string();
        }
    }
    return true;
}

void ClearErrorMessages(ErrorsView& view) {
    for (ErrorIndicatorView& c : view.conditions) c.shown = false;
    view.visible = false;
}

void PlaceErrorsWindow(ErrorsView& view, int mainWindowWidth) {
    if (view.placed) return;
    view.placed = true;
    view.top = ErrorsView::kTop;
    view.left = mainWindowWidth - ErrorsView::kRightMargin;
}

bool ErrorsWindowKeyDown(const ErrorsWindowCommands& commands, Key key, unsigned modifiers) {
    if (!(modifiers & Alt)) return false;
    const std::function<void()>* command = nullptr;
    switch (key) {
        case Key::S: command = &commands.upload; break;
        case Key::P: command = &commands.download; break;
        case Key::L: command = &commands.lock; break;
        default: return false;
    }
    if (*command) (*command)();
    return true;
}

}  // namespace qor
