#include "flash/page/FlashPage.h"

#include "platform/ShellFolders.h"
#include "xml/XMLValueConvert.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor::page {

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

constexpr std::string_view kTitleTag = "<SWFTITLE>";
constexpr std::string_view kObjectTag = "<SWFOBJECT>";
constexpr std::string_view kFilesTag = "<SWFFILES>";

std::mutex g_textsMutex;
FlashPageTexts g_texts = EnglishFlashPageTexts();

// Tags are ASCII; folding only ASCII letters keeps every other byte of a
// UTF-8 text, and its length, as it is.
char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return FoldAscii(x) == FoldAscii(y);
    });
}

std::size_t FindFolded(std::string_view text, std::string_view tag, std::size_t from)
{
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), tag.begin(),
        tag.end(), [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

// Text made safe inside an element or a quoted attribute, single or double.
std::string EscapeHtml(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// A FlashVars name or value: everything but the unreserved characters of a
// URL is sent as %XX.
std::string EncodeParameter(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')
            || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

// The template file of `name` in `folder`: "<name>.html", else the first
// entry whose name matches it ignoring case (the dialog lists "*.html"
// whatever the case of the extension).
std::string TemplatePath(const std::string& folder, const std::string& name)
{
    const std::string wanted = name + kTemplateExtension;
    std::string exact = folder + wanted;
    struct stat info { };
    if (::stat(exact.c_str(), &info) == 0)
        return exact;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return exact;
    std::string found = exact;
    while (const dirent* entry = ::readdir(dir)) {
        if (SameIgnoringCase(entry->d_name, wanted)) {
            found = folder + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string TemplateText(const FlashPageRequest& request, TemplateSource& source)
{
    source = TemplateSource::BuiltIn;
    if (IsDefaultTemplateName(request.templateName))
        return RawDefaultTemplate();
    const std::string folder = request.templatesFolder.empty() ? TemplatesFolder() : request.templatesFolder;
    std::string text;
    // A template is one file of the folder, as the dialog lists them.
    const bool oneFileName = request.templateName.find('/') == std::string::npos;
    if (!oneFileName || ReadTemplateFile(TemplatePath(folder, request.templateName), text) != 0) {
        source = TemplateSource::MissingFile;
        return RawDefaultTemplate();
    }
    source = TemplateSource::File;
    return text;
}

std::string FilesList(const std::vector<std::string>& files)
{
    std::string items;
    for (const std::string& file : files) {
        if (!items.empty())
            items += "\r\n";
        items += "<LI>" + EscapeHtml(file) + "</LI>";
    }
    return items;
}

} // namespace

FlashPageTexts EnglishFlashPageTexts()
{
    return {
        "To embed the movie in your webpage:",
        "The export process generated these files:",
        "Copy them all to the same location as your webpage. These files contain the movie and playback "
        "controls.",
        "Copy this code into your page:",
        "If any further help is required, see the Help topic \"Exporting to Flash -> Displaying a Flash "
        "export on "
        "a webpage\".",
    };
}

void SetFlashPageTexts(const FlashPageTexts& texts)
{
    std::lock_guard lock(g_textsMutex);
    g_texts = texts;
}

FlashPageTexts FlashPageTextsInUse()
{
    std::lock_guard lock(g_textsMutex);
    return g_texts;
}

std::string FlashObjectMarkup(const FlashPageRequest& request)
{
    std::string vars;
    auto addVar = [&vars](std::string_view name, std::string_view value) {
        if (!vars.empty())
            vars += '&';
        vars += EncodeParameter(name) + "=" + EncodeParameter(value);
    };
    for (const auto& [name, value] : request.flashVars)
        addVar(name, value);
    if (!request.secureCode.empty())
        addVar(kSecureCodeParameter, request.secureCode);

    const std::string movie = EscapeHtml(request.movieFile);
    const std::string size
        = "width=\"" + std::to_string(request.width) + "\" height=\"" + std::to_string(request.height) + "\"";
    const std::string flashVars = EscapeHtml(vars);
    std::string markup = "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" " + size + ">";
    markup += "<param name=\"movie\" value=\"" + movie + "\">";
    markup += "<param name=\"quality\" value=\"high\">";
    markup += "<param name=\"allowFullScreen\" value=\"true\">";
    if (!vars.empty())
        markup += "<param name=\"flashvars\" value=\"" + flashVars + "\">";
    markup += "<embed src=\"" + movie + "\" quality=\"high\" allowFullScreen=\"true\" " + size;
    if (!vars.empty())
        markup += " flashvars=\"" + flashVars + "\"";
    markup += " type=\"application/x-shockwave-flash\"></embed></object>";
    return markup;
}

std::string MakeFlashPage(const FlashPageRequest& request, TemplateSource* source)
{
    TemplateSource found = TemplateSource::BuiltIn;
    std::string text = ReplaceTextTags(TemplateText(request, found), request.texts);
    text = ReplaceTag(std::move(text), kTitleTag, EscapeHtml(request.title));
    text = ReplaceTag(std::move(text), kObjectTag, FlashObjectMarkup(request));
    text = ReplaceTag(std::move(text), kFilesTag, FilesList(request.files));
    if (source != nullptr)
        *source = found;
    return text;
}

int WriteFlashPage(const std::string& path, const FlashPageRequest& request, TemplateSource* source)
{
    const std::string text = MakeFlashPage(request, source);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    std::size_t written = 0;
    int error = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

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

std::string ReplaceTextTags(std::string text, const FlashPageTexts& texts)
{
    text = ReplaceTag(std::move(text), "<CS_To_embed_the_movie>", texts.toEmbedTheMovie);
    text = ReplaceTag(std::move(text), "<CS_The_export_process_generated>", texts.exportProcessGenerated);
    text = ReplaceTag(std::move(text), "<CS_Copy_them_all_to_the_same_location>", texts.copyThemAll);
    text = ReplaceTag(std::move(text), "<CS_Copy_this_code_into_your_page>", texts.copyThisCode);
    return ReplaceTag(std::move(text), "<CS_If_any_further_help_is_required>", texts.furtherHelp);
}

bool IsDefaultTemplateName(std::string_view name)
{
    return name.empty() || SameIgnoringCase(name, kDefaultTemplateName);
}

std::string TemplatesFolder()
{
    std::string folder = platform::ApplicationDataFolder();
    if (folder.empty())
        return {};
    if (folder.back() != '/')
        folder += '/';
    return folder + "Corvane/Templates/";
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

} // namespace vantor::page
