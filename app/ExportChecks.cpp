#include "app/ExportChecks.h"

#include "app/BatchOutputNames.h"
#include "app/BatchRun.h"
#include "app/ForceDirectories.h"
#include "app/StringTable.h"
#include "strings/StringIds.h"

#include <unistd.h>

namespace vantor {

bool CheckDestinationFolder(
    const std::string& destFolder, platform::DialogOwner owner, const std::string& caption)
{
    std::string failure;
    if (ForceDirectories(destFolder, failure))
        return true;
    platform::MessageBoxWithDetail(
        owner, LoadStr(str::kBatchFolderCreateFailed), failure, caption, platform::MB_ICONERROR);
    return false;
}

bool ConfirmOverwrite(const std::vector<std::string>& movies, const OutputsOfMovie& outputsOf,
    OverwriteQuestion question, platform::DialogOwner owner, const std::string& caption)
{
    for (const std::string& movie : movies) {
        for (const std::string& output : outputsOf(movie)) {
            if (!PathExists(output))
                continue;
            const int id = question == OverwriteQuestion::Conversion ? str::kBatchOverwriteConvert
                                                                     : str::kBatchOverwriteExport;
            return platform::MessageBox(
                       owner, LoadStr(id), caption, platform::MB_YESNO | platform::MB_ICONWARNING)
                == platform::IDYES;
        }
    }
    return true;
}

void DeleteOutputs(const std::vector<std::string>& movies, const OutputsOfMovie& outputsOf)
{
    for (const std::string& movie : movies)
        for (const std::string& output : outputsOf(movie))
            ::unlink(output.c_str());
}

bool PrepareExportOutputs(
    BatchRun& run, ExportFormat format, platform::DialogOwner owner, const std::string& caption)
{
    const IBatchView& view = run.View();
    const std::string dest = view.DestinationFolder();
    if (!CheckDestinationFolder(dest, owner, caption))
        return false;
    const auto outputs = [&dest, format](const std::string& movie) {
        return std::vector<std::string> { OutputFilePath(dest, movie, format) };
    };
    const std::vector<std::string> movies = ListedMovies(view);
    if (!ConfirmOverwrite(movies, outputs, OverwriteQuestion::Export, owner, caption))
        return false;
    DeleteOutputs(movies, outputs);
    return true;
}

} // namespace vantor
