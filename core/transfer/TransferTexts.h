#pragma once
#include <string_view>

namespace qor::transfer_msg {

// Captions of the progress group while a transfer runs.
inline constexpr std::string_view kUpLoading = "Up_loading";
inline constexpr std::string_view kDownLoading = "Down_loading";
inline constexpr std::string_view kChangingData = "Changing data";

}  // namespace qor::transfer_msg
