#include "flash/HtmlTemplate.h"

#include "app/ForceDirectories.h"
#include "app/StringTable.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"

namespace vantor {

page::FlashPageTexts ProgramPageTexts()
{
    return {
        LoadStr(str::kTmplToEmbedTheMovie),
        LoadStr(str::kTmplExportGeneratedFiles),
        LoadStr(str::kTmplCopyThemAll),
        LoadStr(str::kTmplCopyThisCode),
        LoadStr(str::kTmplFurtherHelp),
    };
}

std::string GetDefaultTemplate()
{
    return page::ReplaceTextTags(RawDefaultTemplate(), ProgramPageTexts());
}

std::string TemplatesFolderIn(const std::string& applicationDataFolder)
{
    if (applicationDataFolder.empty())
        return {};
    std::string folder = applicationDataFolder;
    if (folder.back() != '/')
        folder += '/';
    folder += "Corvane/Templates/";
    ForceDirectories(folder);
    return folder;
}

std::string GetTemplatesFolder()
{
    return TemplatesFolderIn(platform::ApplicationDataFolder());
}

} // namespace vantor
