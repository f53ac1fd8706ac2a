#include "xml/XMLSettingsFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor that is closed on every path out.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Closes now, reporting the errno of close (0 when it succeeded).
    int Close()
    {
        int result = ::close(m_fd) == 0 ? 0 : errno;
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// A temporary file that is removed unless it was put in place.
class TemporaryFile final {
public:
    explicit TemporaryFile(std::string path)
        : m_path(std::move(path))
    {
    }
    ~TemporaryFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }
    void Release() { m_path.clear(); }

private:
    std::string m_path;
};

TXMLFileResult Fail(TXMLFileStage stage, int error)
{
    return { stage, error, {} };
}

TXMLFileStamp StampOf(const struct stat& info)
{
    TXMLFileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

// The error a settings file that is not a regular file gives.
int NotRegularError(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : EINVAL;
}

int WriteAll(int fd, const std::string& text)
{
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t count = ::write(fd, data, left);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += count;
        left -= static_cast<size_t>(count);
    }
    return 0;
}

// Truncates the file and writes the text into the same inode.
TXMLFileResult WriteInPlace(const std::string& target, const std::string& text)
{
    // Non-blocking, in case the file became a FIFO since it was checked.
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return Fail(TXMLFileStage::Create, errno);
    struct stat info;
    if (::fstat(fd.Get(), &info) != 0)
        return Fail(TXMLFileStage::Create, errno);
    if (!S_ISREG(info.st_mode))
        return Fail(TXMLFileStage::Create, NotRegularError(info.st_mode));
    if (::ftruncate(fd.Get(), 0) != 0)
        return Fail(TXMLFileStage::Write, errno);
    if (int error = WriteAll(fd.Get(), text))
        return Fail(TXMLFileStage::Write, error);
    if (::fsync(fd.Get()) != 0 || ::fstat(fd.Get(), &info) != 0)
        return Fail(TXMLFileStage::Write, errno);
    if (int error = fd.Close())
        return Fail(TXMLFileStage::Write, error);
    return { TXMLFileStage::Done, 0, StampOf(info) };
}

std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return { ".", path };
    return { slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1) };
}

// Temporary files are named ".<file>.<pid>.<random>.tmp", so that the ones
// a killed process left can be told apart from those of a running one.
std::string TemporaryPrefix(const std::string& fileName)
{
    return "." + fileName + ".";
}

void RemoveStaleTemporaries(const std::string& folder, const std::string& fileName)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::string prefix = TemporaryPrefix(fileName);
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0
            || name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        char* end = nullptr;
        long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == nullptr || *end != '.')
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

std::string RandomSuffix()
{
    static std::atomic<unsigned> counter { 0 };
    thread_local std::mt19937 generator(std::random_device {}());
    return std::to_string(generator() ^ (counter++ * 2654435761u));
}

// The file that a save must replace: the target of a symbolic link (so that
// the link survives), else the path itself.
std::string ResolveTarget(const std::string& path)
{
    std::string resolved = path;
    // A chain of links is followed to its end, as far as the system would.
    for (int links = 0; links < 40; ++links) {
        struct stat info;
        if (::lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        char target[PATH_MAX];
        ssize_t length = ::readlink(resolved.c_str(), target, sizeof target - 1);
        if (length <= 0)
            break;
        std::string next(target, static_cast<size_t>(length));
        resolved = next.front() == '/' ? next : SplitPath(resolved).first + "/" + next;
    }
    return resolved;
}

} // namespace

TXMLFileResult ReadXMLSettingsBytes(const std::string& path, std::string& text)
{
    // Opening a FIFO for reading waits for a writer, and a device may never
    // end: only a regular file is opened, and without blocking in case it
    // was swapped in between.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return Fail(TXMLFileStage::Open, errno);
    if (!S_ISREG(info.st_mode))
        return Fail(TXMLFileStage::Open, NotRegularError(info.st_mode));
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return Fail(TXMLFileStage::Open, errno);
    if (::fstat(fd.Get(), &info) != 0)
        return Fail(TXMLFileStage::Read, errno);
    if (!S_ISREG(info.st_mode))
        return Fail(TXMLFileStage::Open, NotRegularError(info.st_mode));
    text.clear();
    text.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        ssize_t count = ::read(fd.Get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Fail(TXMLFileStage::Read, errno);
        }
        if (count == 0)
            break;
        text.append(buffer, static_cast<size_t>(count));
    }
    // The stamp from before the read: a version written while it ran
    // differs from it, and is merged later.
    return { TXMLFileStage::Done, 0, StampOf(info) };
}

TXMLFileResult WriteXMLSettingsBytes(const std::string& path, const std::string& text)
{
    std::string target = ResolveTarget(path);
    auto [folder, fileName] = SplitPath(target);

    struct stat old;
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            return Fail(TXMLFileStage::Create, NotRegularError(old.st_mode));
        // A file the user may not write stays as it is, as it would when
        // written in place.
        if (::access(target.c_str(), W_OK) != 0)
            return Fail(TXMLFileStage::Create, errno);
        if (old.st_nlink > 1 || old.st_uid != ::geteuid())
            return WriteInPlace(target, text);
    } else if (errno != ENOENT) {
        return Fail(TXMLFileStage::Create, errno);
    }

    RemoveStaleTemporaries(folder, fileName);
    std::string temporaryPath = folder + "/" + TemporaryPrefix(fileName) + std::to_string(::getpid()) + "."
        + RandomSuffix() + ".tmp";
    FileDescriptor fd(::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.Valid()) {
        int error = errno;
        if (exists && (error == EACCES || error == EPERM))
            return WriteInPlace(target, text);
        return Fail(TXMLFileStage::Create, error);
    }
    TemporaryFile temporary(temporaryPath);

    struct stat created;
    if (::fstat(fd.Get(), &created) != 0)
        return Fail(TXMLFileStage::Create, errno);
    mode_t mode = (exists ? old.st_mode : created.st_mode) & 0777 & ~static_cast<mode_t>(S_IWOTH);
    if ((created.st_mode & 0777) != mode && ::fchmod(fd.Get(), mode) != 0)
        return Fail(TXMLFileStage::Create, errno);

    if (int error = WriteAll(fd.Get(), text))
        return Fail(TXMLFileStage::Write, error);
    struct stat written;
    if (::fsync(fd.Get()) != 0 || ::fstat(fd.Get(), &written) != 0)
        return Fail(TXMLFileStage::Write, errno);
    if (int error = fd.Close())
        return Fail(TXMLFileStage::Write, error);
    if (::rename(temporaryPath.c_str(), target.c_str()) != 0)
        return Fail(TXMLFileStage::Write, errno);
    temporary.Release();

    // The rename itself reaches the disk with the folder.
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.Valid())
        ::fsync(folderFd.Get());

    // The rename changes the inode's change time. The file now at the path
    // is the one written unless its inode, size or contents time differ;
    // then the stamp from before the rename makes that other version count
    // as unseen.
    TXMLFileResult result { TXMLFileStage::Done, 0, StampOf(written) };
    struct stat now;
    if (::stat(target.c_str(), &now) == 0 && now.st_dev == written.st_dev && now.st_ino == written.st_ino
        && now.st_size == written.st_size && now.st_mtim.tv_sec == written.st_mtim.tv_sec
        && now.st_mtim.tv_nsec == written.st_mtim.tv_nsec)
        result.stamp = StampOf(now);
    return result;
}

TXMLFileStamp XMLFileStampOf(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return StampOf(info);
}
