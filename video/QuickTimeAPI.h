#pragma once

// The QuickTime runtime detector. The program never talks to QuickTime
// itself: the product's QuickTime library (libVTQTLibrary.so in the
// program's folder) does the work. TQuickTimeAPI loads that library, binds
// its functions by name, hands it the program's log function and lets it
// initialise; IsInstalled then tells the main window whether to offer the
// QuickTime command. All of it happens in the constructor; there is no
// retry, a library installed later is seen at the next start. Nothing here
// is ever shown to the user, only traced.

#include "app/QuickTimeRuntime.h"

#include <array>
#include <memory>
#include <string>

namespace vantor::video {

class TQuickTimeAPI final : public IQuickTimeRuntime {
public:
    // The library's 20 functions, in the order the addresses are kept.
    static constexpr std::array<const char*, 20> kFunctionNames = { "InitializeQT", "UninitializeQT",
        "SelectCodecParams", "IsMultipass", "DestroyCompressionSession", "CreateCompressionSession",
        "CreateMovieFileQT", "CloseMovieFileQT", "BeginMediaEditsQT", "EndMediaEditsQT", "CompressFrame",
        "MultipassYES", "BeginPassQT", "AnotherPassRequired", "AddMP3FileAsTrack", "FlattenMovieQT",
        "SetCodecParams", "ConvertMP3ToAAC", "DoLogging", "SetupLogText" };

    // The library beside the running program.
    static std::string DefaultLibraryPath();

    // Loads `libraryPath`, binds every function it has (a missing one stays
    // unbound), installs the log hook when "SetupLogText" is there and
    // initialises QuickTime.
    explicit TQuickTimeAPI(const std::string& libraryPath = DefaultLibraryPath());
    // Uninitialises QuickTime when it was initialised, then unloads.
    ~TQuickTimeAPI() override;
    TQuickTimeAPI(const TQuickTimeAPI&) = delete;
    TQuickTimeAPI& operator=(const TQuickTimeAPI&) = delete;

    // Calls the library's "InitializeQT"; true (and initialised) when it
    // answered non-zero.
    bool InitializeQT();
    bool IsInstalled() override;

    // The bound address of `name`, or null (for the export code and tests).
    void* Function(const char* name) const;

private:
    struct LibraryCloser {
        void operator()(void* handle) const;
    };

    std::unique_ptr<void, LibraryCloser> m_library;
    std::array<void*, kFunctionNames.size()> m_functions {};
    bool m_initialized = false;
};

} // namespace vantor::video
