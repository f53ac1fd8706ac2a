#pragma once

// Diagnostic traces. printf-style; the text is cut at 1024 characters (and
// after its conversion to UTF-8 at 1024 bytes, never inside a character) and
// handed to the registered log transport. Without a transport, or with
// logging off, every call returns at once. Tracing never changes what the
// caller does.

#if defined(__GNUC__)
#define VANTOR_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VANTOR_PRINTF(fmt, args)
#endif

void TraceLog(const char* format, ...) VANTOR_PRINTF(1, 2);
void TraceWarning(const char* format, ...) VANTOR_PRINTF(1, 2);
void TraceError(const char* format, ...) VANTOR_PRINTF(1, 2);
// Names the calling thread in the log; the name is cut at 255 characters.
void TraceThreadName(const char* format, ...) VANTOR_PRINTF(1, 2);

// Traces "Class::Method" on entry and "Class::Method Exit" when the scope
// ends, the way every method of the program reports itself:
//   TraceMethod trace("TMainForm::StartNextMovie");
class TraceMethod final {
public:
    explicit TraceMethod(const char* name)
        : m_name(name)
    {
        TraceLog("%s", m_name);
    }
    ~TraceMethod() { TraceLog("%s Exit", m_name); }
    TraceMethod(const TraceMethod&) = delete;
    TraceMethod& operator=(const TraceMethod&) = delete;

private:
    const char* m_name;
};
