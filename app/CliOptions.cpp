#include "app/CliOptions.h"

#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vantor {

namespace fs = std::filesystem;

ExportFormat CliFormatFromName(const std::string& name)
{
    // Each export joins this table when its command exists in the program.
    static const std::pair<const char*, ExportFormat> kFormats[] = {
        { "convert", ExportFormat::Conversion },
        { "avi", ExportFormat::AVI },
        { "wmv", ExportFormat::WMV },
    };
    for (const auto& [formatName, format] : kFormats)
        if (name == formatName)
            return format;
    return ExportFormat::None;
}

bool ParseCliArguments(const std::vector<std::string>& arguments, CliOptions& options, std::string& error)
{
    options = CliOptions();
    bool formatGiven = false;
    bool onlyInputs = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (onlyInputs || argument.empty() || argument[0] != '-' || argument == "-") {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyInputs = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            continue;
        }
        if (argument == "--yes" || argument == "-y") {
            options.yes = true;
            continue;
        }
        // Options with a value: "--name value" or "--name=value".
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasValue = true;
        }
        if (argument != "--format" && argument != "--dest" && argument != "--settings") {
            error = LoadStr(str::kCliUnknownOption) + arguments[i];
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                error = LoadStr(str::kCliMissingValue) + argument;
                return false;
            }
            value = arguments[++i];
        }
        if (argument == "--format") {
            options.format = CliFormatFromName(value);
            formatGiven = true;
            if (options.format == ExportFormat::None) {
                error = LoadStr(str::kCliUnknownFormat) + value;
                return false;
            }
        } else if (argument == "--dest") {
            options.destination = value;
            if (value.empty()) {
                error = LoadStr(str::kCliNoDestination);
                return false;
            }
        } else {
            options.settingsFile = value;
        }
    }
    if (options.help)
        return true;
    if (!formatGiven) {
        error = LoadStr(str::kCliNoFormat);
        return false;
    }
    if (options.destination.empty()) {
        error = LoadStr(str::kCliNoDestination);
        return false;
    }
    return true;
}

bool CollectMovies(const std::vector<std::string>& inputs, MovieList& list, std::vector<std::string>& notes,
    std::string& error)
{
    const auto add = [&](const std::string& path) {
        if (!IsMovieFile(path))
            notes.push_back(LoadStr(str::kCliNotAMovie) + path);
        else if (!list.Add(path))
            notes.push_back(LoadStr(str::kCliDuplicate) + path);
    };
    for (const std::string& input : inputs) {
        std::error_code failure;
        const fs::file_status status = fs::status(input, failure);
        if (failure || !fs::exists(status)) {
            error = LoadStr(str::kCliNoSuchPath) + input;
            return false;
        }
        // Movies are listed by full path, as the window lists them.
        const std::string full = fs::absolute(input, failure).lexically_normal().string();
        if (!fs::is_directory(status)) {
            add(full);
            continue;
        }
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(full, failure)) {
            std::error_code entryFailure;
            const std::string name = entry.path().filename().string();
            if (IsMovieFile(name) && !entry.is_directory(entryFailure))
                names.push_back(name);
        }
        if (failure) {
            error = LoadStr(str::kCliNoSuchPath) + input;
            return false;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            add((fs::path(full) / name).string());
    }
    return true;
}

} // namespace vantor
