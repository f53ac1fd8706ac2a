#include "support/FileTraceTransport.h"

#include <fcntl.h>
#include <unistd.h>

namespace vantor::trace {

namespace {

// Appends the decimal digits of `value` at `out`; returns the count.
std::size_t PutDecimal(char* out, std::uint32_t value)
{
    char digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = digits[count - 1 - i];
    return count;
}

} // namespace

FileTraceTransport::FileTraceTransport(const std::filesystem::path& path)
    : m_fd(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600))
{
}

FileTraceTransport::~FileTraceTransport()
{
    if (m_fd >= 0)
        close(m_fd);
}

void FileTraceTransport::Send(const Record& record, bool)
{
    if (m_fd < 0)
        return;
    // Two numbers, two tabs, the text (at most 1024 bytes) and the line end.
    char line[10 + 1 + 10 + 1 + 1024 + 1];
    std::size_t length = PutDecimal(line, static_cast<std::uint32_t>(record.type));
    line[length++] = '\t';
    length += PutDecimal(line + length, record.threadId);
    line[length++] = '\t';
    for (std::size_t i = 0; i < record.text.size() && i < 1024; ++i) {
        const char c = record.text[i];
        line[length++] = c == '\n' || c == '\r' ? ' ' : c;
    }
    line[length++] = '\n';
    // O_APPEND makes the line one append; a short write to a full disk loses
    // the rest of this record only.
    [[maybe_unused]] ssize_t written = write(m_fd, line, length);
}

} // namespace vantor::trace
