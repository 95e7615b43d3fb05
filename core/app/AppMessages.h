#pragma once
#include <string>
#include <string_view>

namespace qor::app_msg {

// Identity and compatibility.
inline constexpr std::string_view kEcuIsNewer =
    "ECU is newer then the PC software\n\rPlease download newer QOR PC software";
inline std::string UnsupportedAtUpload(const std::string& version, const std::string& serial) {
    return "This Version nr : " + version + "With Serialnumber : " + serial + "\r\r\n" +
           "is not supported by this software " + "\r\r\n" +
           "Call your Software supplier for information !!!";
}
inline std::string NotEtcAtUpload(const std::string& word) {
    return "This software is for ETC systems only\r\r\nCall your Software supplier for the " +
           word + " version !!!";
}
inline std::string UnsupportedAtDownload(const std::string& version) {
    return "This Version nr : " + version + "\r\r\n" + "is not supported by this software " +
           "\r\r\n" + "Call your Software supplier for information !!!";
}
inline std::string NotEtcAtDownload(const std::string& word) {
    return "This software is for E-Gas management systems only\r\r\nCall your Software supplier "
           "for the " +
           word + " version !!!";
}
inline std::string FileDoesNotMatch(const std::string& fileVersion,
                                    const std::string& moduleVersion) {
    return "The file does not match the current system!!!\r\r\nFile version nr  : " + fileVersion +
           "\r\r\n" + "System version nr: " + moduleVersion;
}
inline constexpr std::string_view kUploadAfterDownload =
    "After downloading, upload data (System -> PC)\r\r\nand check all settings for correct "
    "values!!!";

// Manual.
inline constexpr std::string_view kCantFindLanguageIni = "Can't find: Language.ini";
inline constexpr std::string_view kCantFindPrefix = "Can't find:  ";
inline constexpr std::string_view kManualEnglish103 = "QOR ETC Manual V1.03.pdf";
inline constexpr std::string_view kManualDutch103 = "QOR ETC Handleiding V1.03.pdf";
inline constexpr std::string_view kManualEnglish13 = "QOR ETC Manual V1.3.pdf";

// Main window.
inline constexpr std::string_view kNotLockedSuffix = "DATA IS NOT LOCKED !!!";
inline constexpr std::string_view kUpLoading = "Up_loading";
inline constexpr std::string_view kLevelPrefix = "Level ";

}  // namespace qor::app_msg
