#pragma once
#include <string_view>

namespace qor::link_msg {

// Texts the link shows, exactly as the module's users know them.
inline constexpr std::string_view kPortNotAvailable =
    "COM port not available or USB kabel not connected !!!";
inline constexpr std::string_view kPortNotAvailableDownload =
    "COM port not available or USB kabel not connected !!! (QOR1)";
inline constexpr std::string_view kSendWhileClosed = "USB rrrrr Communicatie Error";
inline constexpr std::string_view kWriteFailed = "USB Communicatie Error";
inline constexpr std::string_view kReadFailed = "Comm Error test";

// Label_comm_errors captions.
inline constexpr std::string_view kCommErrorsPrefix = "Comm errors:";
inline constexpr std::string_view kPortErrorsInfix = " errors:";
inline constexpr std::string_view kCommPortInitial = "COM port";

// Port page.
inline constexpr std::string_view kComportEmpty = "comport is emty";
inline constexpr std::string_view kDoNotEdit = "Do not edit\r\nuse pulldown menu !!!";
inline constexpr std::string_view kWriteErrorComIni = "Write Error File: com.ini";

}  // namespace qor::link_msg
