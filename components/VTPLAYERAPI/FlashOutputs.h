#pragma once

// The files of one Flash export (movie, page, toolbar and preview movies)
// as one transaction: each is written as an unfinished file in the
// destination folder (PartialFile), and they get their names together,
// after every one of them is complete. Destroying the set without Commit,
// after a failure or a cancel, leaves none of them.

#include "UnnamedFile.h"

#include <memory>
#include <string>
#include <vector>

namespace vtapi {

// Writes a file of the set through the path Add gave.
class OutputFile final {
public:
    // `finalPath` names the file in errors.
    OutputFile(const std::string& path, const std::string& finalPath);
    void Write(const void* bytes, std::size_t size);

private:
    FileDescriptor m_fd;
    std::string m_finalPath;
};

class FlashOutputs final {
public:
    FlashOutputs() = default;
    FlashOutputs(const FlashOutputs&) = delete;
    FlashOutputs& operator=(const FlashOutputs&) = delete;

    // Starts the file that becomes `finalPath`; returns the path to write
    // it through. Throws MovieError when the folder refuses it.
    const std::string& Add(const std::string& finalPath);
    // Writes `bytes` as the whole of the file that becomes `finalPath`.
    void Write(const std::string& finalPath, const void* bytes, std::size_t size);

    // Names every file. Should one of them fail, those named before it are
    // removed again and MovieError is thrown.
    void Commit();

    std::vector<std::string> FinalPaths() const;

private:
    std::vector<std::unique_ptr<PartialFile>> m_files;
};

// The output names of a movie exported as `moviePath` (its ".swf" or
// ".flv" name): the same path with the extension replaced by `suffix`
// (".html", "_toolbar.swf", "_preview.swf").
std::string SiblingOutput(const std::string& moviePath, const std::string& suffix);

} // namespace vtapi
