// Registers a component library: loads it and calls its DllRegisterServer
// (or, with /u, its DllUnregisterServer), which records its classes in the
// user's component registry.
//
//   regsvr32 [/s] [/u] LIBRARY
//
// /s: silent, nothing is printed. Exit codes: 0 done, 1 bad arguments,
// 3 the library cannot be loaded, 4 it lacks the entry point, 5 the entry
// point reported a failure.

#include "platform/Component.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

enum ExitCode : int {
    kDone = 0,
    kBadArguments = 1,
    kLoadFailed = 3,
    kNoEntryPoint = 4,
    kEntryPointFailed = 5,
};

bool IsOption(const char* argument, char letter)
{
    return (argument[0] == '/' || argument[0] == '-') && (argument[1] == letter || argument[1] == letter - 32)
        && argument[2] == '\0';
}

// A library closes itself when this goes out of scope. It stays mapped
// (RTLD_NODELETE) until the process ends: what its static objects hold at
// exit is then still reachable rather than reported as leaked, and its
// destructors run at exit in the usual order.
class Library final {
public:
    explicit Library(const std::string& path)
        : m_handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
    {
    }
    ~Library()
    {
        if (m_handle != nullptr)
            dlclose(m_handle);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return m_handle != nullptr; }
    void* Symbol(const char* name) const { return dlsym(m_handle, name); }

private:
    void* m_handle;
};

} // namespace

int main(int argc, char** argv)
{
    bool silent = false;
    bool unregister = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (IsOption(argv[i], 's'))
            silent = true;
        else if (IsOption(argv[i], 'u'))
            unregister = true;
        else if (path.empty())
            path = argv[i];
        else
            return kBadArguments; // one library at a time
    }
    auto report = [silent](const std::string& message) {
        if (!silent)
            std::fprintf(stderr, "regsvr32: %s\n", message.c_str());
    };
    if (path.empty()) {
        report("usage: regsvr32 [/s] [/u] LIBRARY");
        return kBadArguments;
    }

    Library library(path);
    if (!library.Loaded()) {
        report("cannot load " + path + ": " + dlerror());
        return kLoadFailed;
    }
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<platform::DllRegisterServerFn>(library.Symbol(entryName));
    if (entry == nullptr) {
        report(path + " has no " + entryName);
        return kNoEntryPoint;
    }
    int result = entry();
    if (result != platform::S_OK) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(result));
        report(std::string(entryName) + " in " + path + " failed with " + code);
        return kEntryPointFailed;
    }
    report(std::string(entryName) + " in " + path + " succeeded");
    return kDone;
}
