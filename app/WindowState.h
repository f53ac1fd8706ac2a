#pragma once

// The main window's persisted state: size, position, the movie list, the
// destination folder and the folders the file dialogs start in. Kept in the
// per-user settings file of the application "Vantor Batch Export", one flat
// section; read when the window is built and written when it is destroyed.

#include <string>
#include <vector>

namespace vantor {

inline constexpr char kMainSettingsApplication[] = "Vantor Batch Export";

// Keys of the settings file.
namespace window_keys {
inline constexpr char kWidth[] = "Width";
inline constexpr char kHeight[] = "Height";
inline constexpr char kLeft[] = "Left";
inline constexpr char kTop[] = "Top";
inline constexpr char kMovies[] = "Movies";
inline constexpr char kDstDirectory[] = "DstDirectory";
inline constexpr char kMoviesInitialDir[] = "MoviesInitialDir";
inline constexpr char kFlashOptionsHtmlPath[] = "FlashOptionsHtmlPath";
inline constexpr char kFlashOptionsSwfPath[] = "FlashOptionsSwfPath";
} // namespace window_keys

struct WindowState {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    std::vector<std::string> movies; // full paths, in list order
    std::string dstDirectory;
    std::string moviesInitialDir; // empty: the Add dialog keeps no initial folder
    std::string flashOptionsHtmlPath;
    std::string flashOptionsSwfPath;
};

// What the defaults are made of.
struct WindowStateDefaults {
    int width = 513; // the form's current size
    int height = 576;
    int screenWidth = 0;
    int screenHeight = 0;
    std::string documentsFolder; // empty when it cannot be obtained
    std::string programFolder;
};

// The user's documents folder, created when missing; empty when it cannot
// be found or created.
std::string DocumentsFolderCreated();

// (screen - window) / 2, truncated toward zero, or 0 when that is not
// positive: a window larger than the screen starts at its edge.
int CentredPosition(int screenSize, int windowSize);

// documents + "/CV Vantor Exports"; without documents folder the program's
// folder + "/Exports".
std::string DefaultDestinationFolder(const std::string& documentsFolder, const std::string& programFolder);
// documents + "/CV Vantor Movies" (not checked); without documents folder
// the program's folder + "/Exports" when that exists, else empty.
std::string DefaultMoviesFolder(const std::string& documentsFolder, const std::string& programFolder);

// The prefix of the per-format settings files: the application-data folder
// (created when missing) + "/Corvane/Vantor Batch Export", or the program's
// folder + "/Vantor Batch Export" when there is none. A format's file is
// the prefix followed directly by its name: ".../Vantor Batch ExportAVI.xml".
std::string SettingsFilePrefix(const std::string& applicationDataFolder, const std::string& programFolder);
// The same with the user's application-data folder and the program's folder.
std::string SettingsFilePrefix();

// Reads the state through a settings store, filling what is missing from
// `defaults`; the width and height come first, so the centring uses them.
// Stored movies that no longer exist as files are dropped; the rest are
// kept in stored order as they are (no duplicate check).
WindowState LoadWindowState(const WindowStateDefaults& defaults);
// Writes every key (integers, a string list, strings) to a fresh store and
// saves it as the application's per-user file.
void SaveWindowState(const WindowState& state);

// The two folders of the Flash options dialog, program-wide: loaded and
// stored with the window's state, read and updated by that dialog.
std::string& FlashOptionsHtmlPath();
std::string& FlashOptionsSwfPath();

} // namespace vantor
