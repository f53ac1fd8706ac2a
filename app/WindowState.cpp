#include "app/WindowState.h"

#include "platform/ShellFolders.h"
#include "xml/XMLSettings.h"

#include <filesystem>
#include <system_error>

namespace vantor {

namespace fs = std::filesystem;

namespace {

constexpr char kExportsFolderName[] = "CV Vantor Exports";
constexpr char kMoviesFolderName[] = "CV Vantor Movies";
constexpr char kFallbackExportsName[] = "Exports";
constexpr char kMakerFolder[] = "Corvane";

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// A folder that exists afterwards, or empty.
std::string CreatedFolder(const std::string& folder)
{
    if (folder.empty())
        return {};
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error) ? folder : std::string();
}

bool IsExistingFile(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error) && !fs::is_directory(path, error);
}

} // namespace

std::string DocumentsFolderCreated()
{
    return CreatedFolder(platform::DocumentsFolder());
}

int CentredPosition(int screenSize, int windowSize)
{
    int position = (screenSize - windowSize) / 2;
    return position > 0 ? position : 0;
}

std::string DefaultDestinationFolder(const std::string& documentsFolder, const std::string& programFolder)
{
    if (!documentsFolder.empty())
        return WithSeparator(documentsFolder) + kExportsFolderName;
    return WithSeparator(programFolder) + kFallbackExportsName;
}

std::string DefaultMoviesFolder(const std::string& documentsFolder, const std::string& programFolder)
{
    if (!documentsFolder.empty())
        return WithSeparator(documentsFolder) + kMoviesFolderName;
    std::string exports = WithSeparator(programFolder) + kFallbackExportsName;
    std::error_code error;
    return fs::is_directory(exports, error) ? exports : std::string();
}

std::string SettingsFilePrefix(const std::string& applicationDataFolder, const std::string& programFolder)
{
    std::string appData = CreatedFolder(applicationDataFolder);
    if (appData.empty())
        return WithSeparator(programFolder) + kMainSettingsApplication;
    return WithSeparator(appData) + kMakerFolder + "/" + kMainSettingsApplication;
}

std::string SettingsFilePrefix()
{
    return SettingsFilePrefix(platform::ApplicationDataFolder(), platform::ExecutableFolder());
}

WindowState LoadWindowState(const WindowStateDefaults& defaults)
{
    using namespace window_keys;
    TXMLSettings settings(true);
    settings.ReadXMLSettings(kMainSettingsApplication, false);

    WindowState state;
    state.width = settings.GetInteger(kWidth, defaults.width);
    state.height = settings.GetInteger(kHeight, defaults.height);
    state.left = settings.GetInteger(kLeft, CentredPosition(defaults.screenWidth, state.width));
    state.top = settings.GetInteger(kTop, CentredPosition(defaults.screenHeight, state.height));
    for (std::string& movie : settings.GetMultiString(kMovies)) {
        if (IsExistingFile(movie))
            state.movies.push_back(std::move(movie));
    }
    state.dstDirectory = settings.GetString(kDstDirectory, "");
    if (state.dstDirectory.empty())
        state.dstDirectory = DefaultDestinationFolder(defaults.documentsFolder, defaults.programFolder);
    state.moviesInitialDir = settings.GetString(kMoviesInitialDir, "");
    if (state.moviesInitialDir.empty())
        state.moviesInitialDir = DefaultMoviesFolder(defaults.documentsFolder, defaults.programFolder);
    state.flashOptionsHtmlPath = settings.GetString(kFlashOptionsHtmlPath, "");
    state.flashOptionsSwfPath = settings.GetString(kFlashOptionsSwfPath, "");
    return state;
}

void SaveWindowState(const WindowState& state)
{
    using namespace window_keys;
    TXMLSettings settings(true);
    settings.SetInteger(kWidth, state.width);
    settings.SetInteger(kHeight, state.height);
    settings.SetInteger(kLeft, state.left);
    settings.SetInteger(kTop, state.top);
    settings.SetMultiString(kMovies, state.movies);
    settings.SetString(kDstDirectory, state.dstDirectory);
    settings.SetString(kMoviesInitialDir, state.moviesInitialDir);
    settings.SetString(kFlashOptionsHtmlPath, state.flashOptionsHtmlPath);
    settings.SetString(kFlashOptionsSwfPath, state.flashOptionsSwfPath);
    if (settings.GetApplicationName().empty())
        settings.SetApplicationName(kMainSettingsApplication);
    settings.SaveAll(kMainSettingsApplication);
}

std::string& FlashOptionsHtmlPath()
{
    static std::string path;
    return path;
}

std::string& FlashOptionsSwfPath()
{
    static std::string path;
    return path;
}

} // namespace vantor
