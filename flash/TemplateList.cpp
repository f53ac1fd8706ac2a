#include "flash/TemplateList.h"

#include "flash/HtmlTemplate.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor {

namespace {

constexpr std::size_t kExtensionLength = sizeof kTemplateExtension - 1;

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

// "*.html" matches whatever the case, as the file search of the system the
// templates come from did.
bool IsTemplateFileName(std::string_view name)
{
    return name.size() > kExtensionLength
        && SameIgnoringCase(name.substr(name.size() - kExtensionLength), kTemplateExtension);
}

bool Exists(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

TemplateList::TemplateList(std::string folder)
    : m_folder(std::move(folder))
    , m_entries(1, Entry { kDefaultTemplateName, {} })
{
}

void TemplateList::Reload()
{
    m_entries.assign(1, Entry { kDefaultTemplateName, {} });
    DIR* dir = ::opendir(m_folder.empty() ? "." : m_folder.c_str());
    if (dir == nullptr)
        return;
    // Directory order, unsorted; folders named like templates are listed too.
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (IsTemplateFileName(name))
            m_entries.push_back(
                { std::string(name.substr(0, name.size() - kExtensionLength)), std::string(name) });
    }
    ::closedir(dir);
}

int TemplateList::IndexOf(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (SameIgnoringCase(m_entries[static_cast<std::size_t>(i)].name, name))
            return i;
    }
    return -1;
}

std::string TemplateList::PathOf(int index) const
{
    if (index <= 0 || index >= Count())
        return {};
    return m_folder + m_entries[static_cast<std::size_t>(index)].fileName;
}

std::string TemplateList::ProposeName(const std::string& base) const
{
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (IndexOf(name) < 0)
            return name;
    }
}

std::string TemplateList::LoadTargetName(const std::string& sourcePath) const
{
    std::string base = sourcePath.substr(sourcePath.rfind('/') + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    std::string name = base;
    for (int n = 1; Exists(m_folder + name + kTemplateExtension); ++n)
        name = base + std::to_string(n);
    return name;
}

std::string TemplateList::TargetPath(const std::string& name) const
{
    if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return {};
    const int listed = IndexOf(name);
    if (listed > 0)
        return PathOf(listed);
    return m_folder + name + kTemplateExtension;
}

bool TemplateList::CreateDefault(const std::string& name)
{
    const std::string target = TargetPath(name);
    return !target.empty() && WriteFileWhole(target, RawDefaultTemplate()) == 0;
}

bool TemplateList::CopyTemplate(int index, const std::string& name)
{
    if (index == 0)
        return CreateDefault(name);
    return CopyFile(PathOf(index), name);
}

bool TemplateList::CopyFile(const std::string& sourcePath, const std::string& name)
{
    const std::string target = TargetPath(name);
    std::string text;
    if (target.empty() || sourcePath.empty() || ReadTemplateFile(sourcePath, text) != 0)
        return false;
    return WriteFileWhole(target, text) == 0;
}

int TemplateList::SaveTemplate(int index, const std::string& text)
{
    const std::string path = PathOf(index);
    if (path.empty())
        return EINVAL;
    return WriteFileWhole(path, text);
}

bool TemplateList::DeleteTemplate(int index)
{
    const std::string path = PathOf(index);
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

int WriteFileWhole(const std::string& path, const std::string& text)
{
    static std::atomic<unsigned> counter { 0 };
    const std::size_t slash = path.rfind('/');
    // Created like any file the user makes: 0666 under the umask.
    const std::string temporary = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1))
        + ".template-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int error = 0;
    std::size_t written = 0;
    while (error == 0 && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    return error;
}

std::string EditorTextFromFile(const std::string& fileText, bool& crlf)
{
    crlf = fileText.find("\r\n") != std::string::npos;
    std::string text;
    text.reserve(fileText.size());
    for (std::size_t i = 0; i < fileText.size(); ++i) {
        if (fileText[i] == '\r' && i + 1 < fileText.size() && fileText[i + 1] == '\n')
            continue;
        text += fileText[i];
    }
    return text;
}

std::string FileTextFromEditor(const std::string& editorText, bool crlf)
{
    if (!crlf)
        return editorText;
    std::string text;
    text.reserve(editorText.size() + editorText.size() / 16);
    for (char c : editorText) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

TemplateButtonStates DecideTemplateButtons(int index, bool changed, bool shownReadable)
{
    const bool file = index > 0;
    return { file && !changed && shownReadable, file, changed };
}

} // namespace vantor
