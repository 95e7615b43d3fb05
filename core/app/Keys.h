#pragma once

namespace qor {

// Keys the main window acts on; the UI maps its own key codes onto these.
enum class Key { Space, S, P, L, F1, F2, F3, F4, F7, F10, Other };

// Modifier bits held with a key.
enum Modifier : unsigned { NoModifier = 0, Shift = 1, Ctrl = 2, Alt = 4 };

}  // namespace qor
