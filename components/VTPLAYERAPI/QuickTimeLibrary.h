#pragma once

// The QuickTime library as the engine uses it: loaded from the engine's own
// folder (the program's folder) for one export, its functions bound by
// name, its log lines sent to the trace.

#include "components/VTQTLibrary/VTQTLibrary.h"

#include <string>

namespace vtapi {

class QuickTimeLibrary final {
public:
    // Loads, binds and initialises; throws MovieError saying what is
    // missing. `path` empty: libVTQTLibrary.so beside this engine.
    explicit QuickTimeLibrary(const std::string& path = {});
    ~QuickTimeLibrary();
    QuickTimeLibrary(const QuickTimeLibrary&) = delete;
    QuickTimeLibrary& operator=(const QuickTimeLibrary&) = delete;

    // Throws MovieError with the library's last log line when `ok` is 0.
    void Check(int ok, const char* function) const;
    // The library's last log line on this thread.
    static std::string LastLine();

    CreateMovieFileQTProc CreateMovieFile = nullptr;
    CloseMovieFileQTProc CloseMovieFile = nullptr;
    FlattenMovieQTProc FlattenMovie = nullptr;
    BeginMediaEditsQTProc BeginMediaEdits = nullptr;
    EndMediaEditsQTProc EndMediaEdits = nullptr;
    CreateCompressionSessionProc CreateCompressionSession = nullptr;
    DestroyCompressionSessionProc DestroyCompressionSession = nullptr;
    SelectCodecParamsProc SelectCodecParams = nullptr;
    SetCodecParamsProc SetCodecParams = nullptr;
    MultipassYESProc MultipassYES = nullptr;
    IsMultipassProc IsMultipass = nullptr;
    BeginPassQTProc BeginPass = nullptr;
    CompressFrameProc CompressFrame = nullptr;
    AnotherPassRequiredProc AnotherPassRequired = nullptr;
    AddMP3FileAsTrackProc AddMP3FileAsTrack = nullptr;
    ConvertMP3ToAACProc ConvertMP3ToAAC = nullptr;

private:
    void* m_handle = nullptr;
    UninitializeQTProc m_uninitialize = nullptr;
    SetupLogTextProc m_setupLogText = nullptr;
    bool m_initialized = false;
};

} // namespace vtapi
