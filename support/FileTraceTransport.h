#pragma once

// A transport that appends every record to a file, one line each:
//   "<type>\t<thread id>\t<text>\n"
// with line breaks in the text written as spaces. It stands in where no log
// server runs. Send makes one write(2) from a stack buffer: it allocates
// nothing and takes no lock, so the crash filter may use it from a signal
// handler, and lines of concurrent senders never mix.

#include "support/TraceTransport.h"

#include <filesystem>

namespace vantor::trace {

class FileTraceTransport final : public ITraceTransport {
public:
    // Opens (creating with mode 0600) `path` for appending; IsOpen tells
    // whether that worked. Records sent while it is not open are dropped.
    explicit FileTraceTransport(const std::filesystem::path& path);
    ~FileTraceTransport() override;
    FileTraceTransport(const FileTraceTransport&) = delete;
    FileTraceTransport& operator=(const FileTraceTransport&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    void Send(const Record& record, bool waitForRoom) override;

private:
    int m_fd = -1;
};

} // namespace vantor::trace
