#include "app/ConvertCommand.h"

#include "app/BatchOutputNames.h"
#include "app/BatchRun.h"
#include "app/ExportChecks.h"

namespace vantor {

bool RunConvertCommand(BatchRun& run, platform::DialogOwner owner, const std::string& caption)
{
    const IBatchView& view = run.View();
    const std::string dest = view.DestinationFolder();
    if (!CheckDestinationFolder(dest, owner, caption))
        return false;
    const auto target = [&dest](const std::string& movie) {
        return std::vector<std::string> { OutputFilePath(dest, movie, ExportFormat::Conversion) };
    };
    if (!ConfirmOverwrite(ListedMovies(view), target, OverwriteQuestion::Conversion, owner, caption))
        return false;
    run.Start(ExportFormat::Conversion);
    return true;
}

} // namespace vantor
