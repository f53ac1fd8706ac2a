#include "flash/HtmlTemplate.h"

#include "app/ForceDirectories.h"
#include "app/StringTable.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"
#include "xml/XMLValueConvert.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor {

namespace {

constexpr std::string_view kDefaultTemplateLines[] = {
    "<HTML>",
    "<HEAD>",
    "<!-- saved from url=(0013)about:internet -->",
    "<TITLE>",
    "<SWFTITLE>",
    "</TITLE>",
    "</HEAD>",
    "<BODY style=\"font-family: arial; font-size: 9pt; background-color: #FFFFFF\">",
    "<B>",
    "<SWFTITLE>",
    "</B>",
    "<BR>",
    "<SWFOBJECT>",
    "<BR><BR>",
    "<TABLE style=\"padding: 8px; font-size: 9pt; background-color: #f8f8f8; border: #d0d0d0 1px solid; "
    "width: 460px\">",
    "<TR><TD>",
    "<CS_To_embed_the_movie>",
    "<UL>",
    "<LI><CS_The_export_process_generated>",
    "<UL><SWFFILES></UL>",
    "<CS_Copy_them_all_to_the_same_location><BR><BR></LI>",
    "<LI><CS_Copy_this_code_into_your_page>",
    "<INPUT style=\"font-size: 9pt; border: #9090d0 1px solid; background-color: #ffffff; width: 300px\" "
    "TYPE=\"TEXT\" NAME=movieembedcode value='<SWFOBJECT>'></INPUT>",
    "</LI>",
    "</UL>",
    "<CS_If_any_further_help_is_required>",
    "</TD></TR>",
    "</table>",
    "</BODY>",
    "</HTML>",
};

// The text tags and the string-table texts that replace them, in the order
// they are replaced.
struct TextTag {
    std::string_view tag;
    int textId;
};
constexpr TextTag kTextTags[] = {
    { "<CS_To_embed_the_movie>", str::kTmplToEmbedTheMovie },
    { "<CS_The_export_process_generated>", str::kTmplExportGeneratedFiles },
    { "<CS_Copy_them_all_to_the_same_location>", str::kTmplCopyThemAll },
    { "<CS_Copy_this_code_into_your_page>", str::kTmplCopyThisCode },
    { "<CS_If_any_further_help_is_required>", str::kTmplFurtherHelp },
};

// Tags are ASCII; folding only ASCII letters keeps every other byte of a
// UTF-8 text, and its length, as it is.
char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t FindFolded(std::string_view text, std::string_view tag, std::size_t from)
{
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), tag.begin(),
        tag.end(), [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

} // namespace

const std::string& RawDefaultTemplate()
{
    static const std::string text = [] {
        std::string joined;
        for (std::string_view line : kDefaultTemplateLines) {
            if (!joined.empty())
                joined += "\r\n";
            joined += line;
        }
        return joined;
    }();
    return text;
}

std::string ReplaceTag(std::string text, std::string_view tag, std::string_view value)
{
    if (tag.empty())
        return text;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = FindFolded(text, tag, from);
        if (at == std::string_view::npos)
            return text;
        text.replace(at, tag.size(), value);
        from = at + value.size();
    }
}

std::string GetDefaultTemplate()
{
    std::string text = RawDefaultTemplate();
    for (const TextTag& tag : kTextTags)
        text = ReplaceTag(std::move(text), tag.tag, LoadStr(tag.textId));
    return text;
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

int ReadTemplateFile(const std::string& path, std::string& text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer { fd };
    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return errno;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    std::string read;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        // Counted while reading: a growing file or a device has no useful size.
        if (read.size() + static_cast<std::size_t>(n) > kMaxTemplateBytes)
            return EFBIG;
        read.append(buffer, static_cast<std::size_t>(n));
    }
    if (XMLValidUtf8(read) != read)
        return EILSEQ;
    text = std::move(read);
    return 0;
}

} // namespace vantor
