#include "UnnamedFile.h"

#include "FFmpeg.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace vtapi {

namespace fs = std::filesystem;

namespace {

constexpr char kPartSuffix[] = ".part";

std::atomic<bool> g_unnamedAllowed { true };

std::string ErrnoText(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

std::string FolderOf(const std::string& path)
{
    const fs::path target(path);
    return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

std::string DescriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string RandomText()
{
    static std::atomic<unsigned> counter { 0 };
    std::random_device device;
    char text[32];
    std::snprintf(text, sizeof text, "%08x%04x", device(), counter++ & 0xFFFF);
    return text;
}

// A hidden name beside `finalPath` that carries this process's id.
std::string StandInPath(const std::string& finalPath)
{
    const fs::path target(finalPath);
    return (fs::path(FolderOf(finalPath))
        / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." + RandomText()
            + kPartSuffix))
        .string();
}

// An unnamed file in `folder`, or an invalid descriptor where the file
// system has none (errno tells); other failures throw.
FileDescriptor OpenUnnamed(const std::string& folder, int flags)
{
    FileDescriptor fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC | flags, 0666));
    if (fd.Get() >= 0)
        return fd;
    // EOPNOTSUPP: the file system has no unnamed files; EISDIR: the kernel
    // predates them and took O_TMPFILE for O_DIRECTORY.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
        return fd;
    throw MovieError(ErrnoText("cannot create a file in", folder));
}

// Creates a new file at a fresh stand-in name for `finalPath`.
std::pair<FileDescriptor, std::string> CreateStandIn(const std::string& finalPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = StandInPath(finalPath);
        FileDescriptor fd(::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666));
        if (fd.Get() >= 0)
            return { std::move(fd), std::move(path) };
        if (errno != EEXIST)
            throw MovieError(ErrnoText("cannot create", path));
    }
    throw MovieError("cannot create a temporary file beside \"" + finalPath + "\"");
}

// The process id in a stand-in name ".name.<pid>.<random>.part"; 0 when
// the name is none.
pid_t StandInOwner(const std::string& name)
{
    const size_t suffix = sizeof kPartSuffix - 1;
    if (name.size() <= suffix + 1 || name[0] != '.'
        || name.compare(name.size() - suffix, suffix, kPartSuffix) != 0)
        return 0;
    const std::string stem = name.substr(0, name.size() - suffix);
    const size_t randomDot = stem.rfind('.');
    if (randomDot == std::string::npos || randomDot == 0)
        return 0;
    const size_t pidDot = stem.rfind('.', randomDot - 1);
    if (pidDot == std::string::npos || pidDot == 0 || pidDot + 1 == randomDot)
        return 0;
    const std::string digits = stem.substr(pidDot + 1, randomDot - pidDot - 1);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return static_cast<pid_t>(std::stol(digits));
}

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void FileDescriptor::Reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

PartialFile::PartialFile(std::string finalPath)
    : m_finalPath(std::move(finalPath))
{
    const std::string folder = FolderOf(m_finalPath);
    RemoveStalePartFiles(folder);
    if (g_unnamedAllowed.load()) {
        m_fd = OpenUnnamed(folder, 0);
        m_unnamed = m_fd.Get() >= 0;
    }
    if (m_unnamed) {
        m_temporaryPath = DescriptorPath(m_fd.Get());
    } else {
        auto [fd, path] = CreateStandIn(m_finalPath);
        m_fd = std::move(fd);
        m_temporaryPath = std::move(path);
    }
}

PartialFile::~PartialFile()
{
    if (!m_committed && !m_unnamed)
        ::unlink(m_temporaryPath.c_str());
}

void PartialFile::Commit()
{
    // The data reaches the disk before the name does, so that after a power
    // loss the name never stands for a partial file.
    if (::fsync(m_fd.Get()) != 0)
        throw MovieError(ErrnoText("cannot write", m_finalPath));
    if (m_unnamed) {
        const std::string source = DescriptorPath(m_fd.Get());
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, m_finalPath.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_committed = true;
            return;
        }
        if (errno != EEXIST)
            throw MovieError(ErrnoText("cannot write", m_finalPath));
        // A file of that name is replaced in one step: a named copy first,
        // renamed over it.
        std::string standIn;
        for (int attempt = 0; attempt < 100 && standIn.empty(); ++attempt) {
            std::string path = StandInPath(m_finalPath);
            if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
                standIn = std::move(path);
            else if (errno != EEXIST)
                throw MovieError(ErrnoText("cannot write", m_finalPath));
        }
        if (standIn.empty())
            throw MovieError("cannot write \"" + m_finalPath + "\"");
        m_unnamed = false;
        m_temporaryPath = standIn;
    }
    if (std::rename(m_temporaryPath.c_str(), m_finalPath.c_str()) != 0)
        throw MovieError(ErrnoText("cannot write", m_finalPath));
    m_committed = true;
}

void PartialFile::AllowUnnamedFiles(bool allow)
{
    g_unnamedAllowed = allow;
}

void RemoveStalePartFiles(const std::string& folder)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const pid_t owner = StandInOwner(entry.path().filename().string());
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlink(entry.path().c_str());
    }
}

TemporaryFile::TemporaryFile()
{
    const std::string folder = fs::temp_directory_path().string();
    m_fd = OpenUnnamed(folder, O_EXCL); // never to be linked
    if (m_fd.Get() < 0) {
        // A named file, unnamed at once: it is only reachable through
        // the descriptor from then on.
        const std::string prefix = (fs::path(folder) / "vantor-movie-").string();
        for (int attempt = 0; attempt < 100 && m_fd.Get() < 0; ++attempt) {
            const std::string path = prefix + RandomText();
            m_fd = FileDescriptor(::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600));
            if (m_fd.Get() >= 0)
                ::unlink(path.c_str());
            else if (errno != EEXIST)
                throw MovieError(ErrnoText("cannot create", path));
        }
        if (m_fd.Get() < 0)
            throw MovieError("cannot create a temporary file in \"" + folder + "\"");
    }
    m_path = DescriptorPath(m_fd.Get());
}

} // namespace vtapi
