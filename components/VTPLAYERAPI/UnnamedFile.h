#pragma once

// Files that exist under a name only when they are complete.
//
// An output is written as an unnamed file (O_TMPFILE) in its destination
// folder and linked under its name when it is complete, so no failure,
// cancel, signal, crash or power loss can leave a partial file behind: an
// unnamed file disappears with the last descriptor. Where the file system
// refuses unnamed files, a hidden ".name.<pid>.<random>.part" file stands
// in and is renamed on Commit; such files whose process has died are removed
// by the next output created in that folder.
//
// The path handed to writers is the descriptor's /proc/self/fd entry, which
// FFmpeg and stdio open like any file.

#include <string>

namespace vtapi {

// An owned file descriptor.
class FileDescriptor final {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(other.m_fd)
    {
        other.m_fd = -1;
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    void Reset();

private:
    int m_fd = -1;
};

class PartialFile final {
public:
    // Creates the file (mode 0666 less the umask) in the folder of
    // `finalPath`; throws MovieError when the folder cannot be written to.
    explicit PartialFile(std::string finalPath);
    // Deletes an uncommitted stand-in file; an unnamed one simply vanishes.
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Where to write: /proc/self/fd/N, or the stand-in's name.
    const std::string& TemporaryPath() const { return m_temporaryPath; }
    const std::string& FinalPath() const { return m_finalPath; }
    bool Unnamed() const { return m_unnamed; }
    // Writes the data through to the disk and puts the file under its final
    // name, replacing a file there; throws MovieError.
    void Commit();

    // Turns unnamed files off for the files created after the call (for
    // tests of the stand-in files, and file systems that misreport).
    static void AllowUnnamedFiles(bool allow);

private:
    std::string m_finalPath;
    std::string m_temporaryPath;
    FileDescriptor m_fd;
    bool m_unnamed = false;
    bool m_committed = false;
};

// Removes the stand-in files in `folder` whose process no longer runs.
void RemoveStalePartFiles(const std::string& folder);

// A scratch file in the system's temporary folder that has no name at all,
// so that it vanishes with this object or with the process, however it
// ends.
class TemporaryFile final {
public:
    TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // The descriptor's /proc/self/fd entry.
    const std::string& Path() const { return m_path; }

private:
    FileDescriptor m_fd;
    std::string m_path;
};

} // namespace vtapi
