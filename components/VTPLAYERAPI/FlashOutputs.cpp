#include "FlashOutputs.h"

#include "FFmpeg.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vtapi {

const std::string& FlashOutputs::Add(const std::string& finalPath)
{
    m_files.push_back(std::make_unique<PartialFile>(finalPath));
    return m_files.back()->TemporaryPath();
}

OutputFile::OutputFile(const std::string& path, const std::string& finalPath)
    : m_fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC))
    , m_finalPath(finalPath)
{
    if (m_fd.Get() < 0)
        throw MovieError("cannot write \"" + finalPath + "\": " + std::strerror(errno));
}

void OutputFile::Write(const void* bytes, std::size_t size)
{
    const auto* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = ::write(m_fd.Get(), data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw MovieError("cannot write \"" + m_finalPath + "\": " + std::strerror(errno));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void FlashOutputs::Write(const std::string& finalPath, const void* bytes, std::size_t size)
{
    OutputFile(Add(finalPath), finalPath).Write(bytes, size);
}

void FlashOutputs::Commit()
{
    std::size_t named = 0;
    try {
        for (; named < m_files.size(); ++named)
            m_files[named]->Commit();
    } catch (const MovieError&) {
        // All or nothing: take back the names already given.
        for (std::size_t i = 0; i < named; ++i)
            std::remove(m_files[i]->FinalPath().c_str());
        throw;
    }
}

std::vector<std::string> FlashOutputs::FinalPaths() const
{
    std::vector<std::string> paths;
    for (const auto& file : m_files)
        paths.push_back(file->FinalPath());
    return paths;
}

std::string SiblingOutput(const std::string& moviePath, const std::string& suffix)
{
    const std::size_t slash = moviePath.rfind('/');
    const std::size_t dot = moviePath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return moviePath + suffix;
    return moviePath.substr(0, dot) + suffix;
}

} // namespace vtapi
