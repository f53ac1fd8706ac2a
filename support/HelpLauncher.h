#pragma once

// The program's help launcher and the pages it shows.
//
// The help "file" is a folder of HTML pages beside the program: the help
// file path "<program folder>/CV Vantor Pro Help.chm" stands for the folder
// "<program folder>/CV Vantor Pro Help", and the location
// ".../CV Vantor Pro Help.chm::/html/AVI_format.htm" for the page
// ".../CV Vantor Pro Help/html/AVI_format.htm". Pages are shown by the
// program's own help viewer (HelpViewerProcess.h); where it is not
// installed, by the desktop's `xdg-open`, found on PATH when the launcher
// starts. What xdg-open opens is the user's: it is started detached and
// never closed by the launcher.

#include "support/CVHtmlHelp.h"

#include <array>
#include <string>

// The single launcher, created at start-up and closed at the end; null
// before and after. Reached from the user-interface thread only.
extern CVHtmlHelp* HelpLauncher;

// Shows `topic` through HelpLauncher; does nothing while there is none.
void ShowHelpTopic(const std::string& topic);

// The topics the program shows; each has the page <topic>.htm.
namespace help_topic {
inline constexpr const char* kAviFormat = "AVI_format";
inline constexpr const char* kQuickTime = "Exporting_to_QuickTime_(H264)";
inline constexpr const char* kWmv = "Exporting_to_Windows_Media_Video_(WMV)";
inline constexpr const char* kCodecs = "About_codecs";
inline constexpr const char* kFlashHtmlFiles = "How_Flash_exports_use_HTML_files";
inline constexpr const char* kFlashSize = "Reducing_the_size_of_Flash_exports";
inline constexpr const char* kFlvOrSwf = "Selecting_between_Flash_Video_(FLV)_and_Standard_Flash_(SWF)";
inline constexpr const char* kSecureDomains = "Using_Secure_Domains_and_Secure_Codes";
inline constexpr const char* kFlashFiles = "Files_generated_by_Flash_exports";
inline constexpr const char* kFlashFormat = "Macromedia_Flash_format";

inline constexpr std::array kAll = { kAviFormat, kQuickTime, kWmv, kCodecs, kFlashHtmlFiles, kFlashSize,
    kFlvOrSwf, kSecureDomains, kFlashFiles, kFlashFormat };
} // namespace help_topic

// Turns a location in the help file's notation into the file URL of its
// page, every byte outside the unreserved set and "/" percent-encoded:
// "/opt/v/CV Vantor Pro Help.chm::/html/AVI_format.htm" becomes
// "file:///opt/v/CV%20Vantor%20Pro%20Help/html/AVI_format.htm".
std::string HelpLocationToFileUrl(const std::string& location);
