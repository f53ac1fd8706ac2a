#include "flash/ControlBarList.h"

#include "platform/ShellFolders.h"

#include <fstream>
#include <sys/stat.h>

namespace vantor {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string ControlBarFolder()
{
    return platform::ExecutableFolder() + "/SWFControlBars";
}

std::optional<ControlBarEntry> ParseControlBarLine(std::string_view line)
{
    // A list written on Windows ends its lines with CR LF.
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at]))
        ++at;
    if (at == line.size() || line[at] != '"')
        return std::nullopt;
    const std::size_t close = line.find('"', at + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    ControlBarEntry entry;
    entry.fileName = line.substr(at + 1, close - at - 1);
    if (entry.fileName.empty() || entry.fileName.find('/') != std::string::npos)
        return std::nullopt;
    at = close + 1;
    while (at < line.size() && IsBlank(line[at]))
        ++at;
    entry.description = line.substr(at);
    return entry;
}

std::vector<ControlBarEntry> ReadControlBarList(const std::string& folder)
{
    std::vector<ControlBarEntry> entries;
    std::ifstream file(folder + "/" + kControlBarListFile);
    std::string line;
    while (std::getline(file, line)) {
        std::optional<ControlBarEntry> entry = ParseControlBarLine(line);
        if (entry && IsFile(folder + "/" + entry->fileName))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::string SingleSwfVariant(const std::string& fileName)
{
    const std::size_t dot = fileName.rfind('.');
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + "Single.swf";
}

ControlBarStates DecideControlBar(const ControlBarInputs& in)
{
    ControlBarStates states;
    states.chooseCustom = in.entries == 0;
    states.preinstalledEnabled = in.entries > 0 && in.add;
    states.customEnabled = in.add;
    const bool custom = in.customChosen || states.chooseCustom;
    states.listEnabled = !custom && in.add;
    states.fileEnabled = custom && in.add;
    states.positionEnabled = in.accepted;
    states.placementEnabled = in.accepted && in.positionTicked;
    states.addEnabled = in.accepted;
    return states;
}

int ControlBarAddedHeight(bool accepted, int instanceHeight, bool positionOn, bool over, bool add)
{
    return accepted && positionOn && !over && add ? instanceHeight : 0;
}

} // namespace vantor
