#include "app/BatchOutputNames.h"

#include <sys/stat.h>

namespace vantor {

std::string FileNamePart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + extension;
    return path.substr(0, dot) + extension;
}

std::string OutputExtension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::FlashSWF:
        return ".swf";
    case ExportFormat::FlashFLV:
        return ".flv";
    case ExportFormat::AVI:
        return ".avi";
    case ExportFormat::WMV:
        return ".wmv";
    case ExportFormat::QuickTime:
        return ".mov";
    case ExportFormat::Conversion:
        return ".vtr";
    case ExportFormat::None:
        break;
    }
    return {};
}

std::string OutputFilePath(const std::string& destFolder, const std::string& moviePath, ExportFormat format)
{
    return destFolder + "/" + ChangeFileExt(FileNamePart(moviePath), OutputExtension(format));
}

std::string SettingsFileName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::FlashSWF:
    case ExportFormat::FlashFLV:
        return "Flash.xml";
    case ExportFormat::AVI:
        return "AVI.xml";
    case ExportFormat::WMV:
        return "WMV.xml";
    case ExportFormat::QuickTime:
        return "QT.xml";
    case ExportFormat::Conversion:
    case ExportFormat::None:
        break;
    }
    return {};
}

std::string SettingsFilePath(const std::string& prefix, ExportFormat format)
{
    return prefix + SettingsFileName(format);
}

bool PathExists(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0;
}

std::string UniqueOutputPath(const std::string& path)
{
    if (!PathExists(path))
        return path;
    const std::string extension = path.substr(ChangeFileExt(path, "").size());
    const std::string stem = ChangeFileExt(path, "");
    for (unsigned long n = 1;; ++n) {
        std::string candidate = stem + "_" + std::to_string(n) + extension;
        if (!PathExists(candidate))
            return candidate;
    }
}

} // namespace vantor
