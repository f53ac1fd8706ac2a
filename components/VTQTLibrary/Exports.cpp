// The library's exported functions. Each turns the exceptions of the
// movie code into its answer of 0 and one log line.

#include "CompressionSession.h"
#include "Log.h"
#include "VTQTLibrary.h"

#include <atomic>
#include <exception>
#include <new>

#define VTQT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int> g_initialized { 0 };

// Runs `body`; any exception becomes a log line "<function>: <reason>" and
// `failure`. A failed step leaves the movie unfinishable.
template <typename Result, typename Body>
Result Guard(const char* function, VTQTMovie* movie, Result failure, Body body)
{
    std::string reason;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
    } catch (const std::exception& error) {
        reason = error.what();
    }
    vtqt::Log("%s: %s", function, reason.c_str());
    if (movie != nullptr && !movie->failed) {
        movie->failed = true;
        movie->failure = reason;
    }
    return failure;
}

bool Missing(const char* function, const void* pointer)
{
    if (pointer != nullptr)
        return false;
    vtqt::Log("%s: no movie or session was given", function);
    return true;
}

void Require(bool condition, const char* reason)
{
    if (!condition)
        throw vtapi::MovieError(reason);
}

// Every step after a failed one fails for the same reason.
void RequireHealthy(const VTQTMovie* movie)
{
    if (movie == nullptr)
        throw vtapi::MovieError("the session's movie was closed");
    if (movie->failed)
        throw vtapi::MovieError(movie->failure);
}

} // namespace

VTQT_EXPORT int InitializeQT(void)
{
    const char* missing = nullptr;
    if (av_guess_format("mov", nullptr, nullptr) == nullptr)
        missing = "the mov writer";
    else if (avcodec_find_encoder_by_name("libx264") == nullptr)
        missing = "the H.264 encoder (libx264)";
    else if (avcodec_find_encoder(AV_CODEC_ID_AAC) == nullptr)
        missing = "the AAC encoder";
    if (missing != nullptr) {
        vtqt::Log("InitializeQT: %s is missing", missing);
        return 0;
    }
    ++g_initialized;
    vtqt::Log("InitializeQT: H.264 and AAC in QuickTime movies are ready");
    return 1;
}

VTQT_EXPORT void UninitializeQT(void)
{
    int count = g_initialized.load();
    while (count > 0 && !g_initialized.compare_exchange_weak(count, count - 1)) { }
}

VTQT_EXPORT void SetupLogText(VTQTLogFunction log)
{
    vtqt::SetLogFunction(log);
}

VTQT_EXPORT void DoLogging(const char* line)
{
    vtqt::LogLine(line != nullptr ? line : "");
}

VTQT_EXPORT int SelectCodecParams(VTQTCodecParams* params)
{
    if (params == nullptr)
        return 0;
    *params = vtqt::DefaultCodecParams();
    return 1;
}

VTQT_EXPORT VTQTMovie* CreateMovieFileQT(const char* path)
{
    return Guard<VTQTMovie*>("CreateMovieFileQT", nullptr, nullptr, [&] {
        Require(g_initialized.load() > 0, "InitializeQT was not called");
        Require(path != nullptr && *path != '\0', "no file name");
        return new VTQTMovie(path);
    });
}

VTQT_EXPORT int CloseMovieFileQT(VTQTMovie* movie)
{
    if (Missing("CloseMovieFileQT", movie))
        return 0;
    const bool complete = !movie->failed && movie->session == nullptr;
    if (movie->session != nullptr)
        vtqt::Log("CloseMovieFileQT: the compression session of \"%s\" still exists", movie->path.c_str());
    else if (movie->failed)
        vtqt::Log("CloseMovieFileQT: \"%s\" is incomplete: %s", movie->path.c_str(), movie->failure.c_str());
    int result = 0;
    if (complete)
        result = Guard("CloseMovieFileQT", movie, 0, [&] {
            movie->Close();
            return 1;
        });
    if (movie->session != nullptr)
        movie->session->movie = nullptr; // the session may still be destroyed, and only that
    delete movie;
    return result;
}

VTQT_EXPORT int FlattenMovieQT(VTQTMovie* movie)
{
    if (Missing("FlattenMovieQT", movie))
        return 0;
    return Guard("FlattenMovieQT", movie, 0, [&] {
        RequireHealthy(movie);
        Require(!movie->headerWritten, "the movie's media are being written already");
        movie->flatten = true;
        return 1;
    });
}

VTQT_EXPORT int BeginMediaEditsQT(VTQTMovie* movie)
{
    if (Missing("BeginMediaEditsQT", movie))
        return 0;
    return Guard("BeginMediaEditsQT", movie, 0, [&] {
        RequireHealthy(movie);
        movie->BeginEdits();
        return 1;
    });
}

VTQT_EXPORT int EndMediaEditsQT(VTQTMovie* movie)
{
    if (Missing("EndMediaEditsQT", movie))
        return 0;
    return Guard("EndMediaEditsQT", movie, 0, [&] {
        RequireHealthy(movie);
        Require(movie->editing, "BeginMediaEditsQT was not called");
        movie->EndEdits();
        return 1;
    });
}

VTQT_EXPORT VTQTSession* CreateCompressionSession(
    VTQTMovie* movie, int width, int height, int rateNum, int rateDen)
{
    if (Missing("CreateCompressionSession", movie))
        return nullptr;
    return Guard<VTQTSession*>("CreateCompressionSession", movie, nullptr, [&] {
        RequireHealthy(movie);
        Require(movie->session == nullptr, "the movie has a video track already");
        Require(!movie->editing, "the movie's tracks are fixed already");
        auto* session = new VTQTSession(movie, width, height, AVRational { rateNum, rateDen });
        movie->session = session;
        return session;
    });
}

VTQT_EXPORT void DestroyCompressionSession(VTQTSession* session)
{
    if (session == nullptr)
        return;
    if (session->movie != nullptr)
        session->movie->session = nullptr;
    delete session;
}

VTQT_EXPORT int SetCodecParams(VTQTSession* session, const VTQTCodecParams* params)
{
    if (Missing("SetCodecParams", session) || Missing("SetCodecParams", params))
        return 0;
    return Guard("SetCodecParams", session->movie, 0, [&] {
        session->SetParams(*params);
        return 1;
    });
}

VTQT_EXPORT int MultipassYES(VTQTSession* session)
{
    if (Missing("MultipassYES", session))
        return 0;
    return Guard("MultipassYES", session->movie, 0, [&] {
        session->RequestMultipass();
        return 1;
    });
}

VTQT_EXPORT int IsMultipass(VTQTSession* session)
{
    return session != nullptr && session->Multipass() ? 1 : 0;
}

VTQT_EXPORT int BeginPassQT(VTQTSession* session)
{
    if (Missing("BeginPassQT", session))
        return 0;
    return Guard("BeginPassQT", session->movie, 0, [&] {
        RequireHealthy(session->movie);
        return session->BeginPass();
    });
}

VTQT_EXPORT int CompressFrame(VTQTSession* session, const VTQTPicture* picture, long long frameIndex)
{
    if (Missing("CompressFrame", session) || Missing("CompressFrame", picture))
        return 0;
    return Guard("CompressFrame", session->movie, 0, [&] {
        RequireHealthy(session->movie);
        session->Compress(*picture, frameIndex);
        return 1;
    });
}

VTQT_EXPORT int AnotherPassRequired(VTQTSession* session)
{
    if (Missing("AnotherPassRequired", session))
        return 0;
    return Guard("AnotherPassRequired", session->movie, 0, [&] {
        RequireHealthy(session->movie);
        return session->EndPass() ? 1 : 0;
    });
}

VTQT_EXPORT int AddMP3FileAsTrack(VTQTMovie* movie, const char* mp3Path)
{
    if (Missing("AddMP3FileAsTrack", movie))
        return 0;
    return Guard("AddMP3FileAsTrack", movie, 0, [&] {
        RequireHealthy(movie);
        Require(!movie->editing, "the movie's tracks are fixed already");
        Require(mp3Path != nullptr, "no file name");
        movie->AddSound(vtqt::OpenMp3Copy(movie->output.get(), mp3Path));
        return 1;
    });
}

VTQT_EXPORT int ConvertMP3ToAAC(VTQTMovie* movie, const char* soundPath, int bitRate)
{
    if (Missing("ConvertMP3ToAAC", movie))
        return 0;
    return Guard("ConvertMP3ToAAC", movie, 0, [&] {
        RequireHealthy(movie);
        Require(!movie->editing, "the movie's tracks are fixed already");
        Require(soundPath != nullptr, "no file name");
        movie->AddSound(vtqt::OpenAacConversion(movie->output.get(), soundPath, bitRate));
        return 1;
    });
}
