#pragma once

// Helpers of the engine tests: tiny movies of every kind, a probe that reads
// a written file back with libavformat, and a settings file writer.

#include "MovieFile.h"
#include "SyntheticRecording.h"

#include <map>
#include <string>
#include <variant>

namespace vtapi::test {

enum class MovieKind { Current, Version14, Compressed, CompressedVersion14 };

// A 64 x 48 recording at 10 frames per second with sound: the size of every
// movie the tests make unless they say otherwise.
SyntheticOptions TinyOptions(double seconds = 0.5);
// Writes a synthetic movie of `kind` at `path`.
void MakeMovie(const std::string& path, MovieKind kind, const SyntheticOptions& options = TinyOptions());

struct Probe {
    std::string container; // libavformat's demuxer name
    std::string videoCodec;
    std::string videoTag; // the FOURCC in the file, "" when none
    int width = 0;
    int height = 0;
    double frameRate = 0;
    double duration = 0; // seconds, as the container says
    double videoEnd = 0; // seconds: the end of the last video packet
    double audioEnd = 0; // seconds: the end of the last sound packet
    int videoPackets = 0;
    std::int64_t videoBytes = 0; // of all video packets
    int keyFrames = 0;
    bool hasAudio = false;
    std::string audioCodec;
    int channels = 0;
    int sampleRate = 0;
    std::int64_t audioBitRate = 0;
    std::string versionTag; // VANTOR_MOVIE_VERSION, "" when missing
    std::string cursorTrack; // the cursor attachment's text
};

// Reads `path` with libavformat; throws MovieError when it cannot.
Probe ProbeFile(const std::string& path);

// Decodes the first video frame of `path` into 24-bit RGB; returns the
// colour of pixel (x, y) as 0xRRGGBB.
std::uint32_t FirstFramePixel(const std::string& path, int x, int y);

// Writes a settings file with the given keys through the settings store.
using SettingValue = std::variant<int, bool, double>;
void WriteSettings(const std::string& path, const std::map<std::string, SettingValue>& values);

// Whether `program` is found along $PATH.
bool HasProgram(const std::string& program);
// GStreamer reads `path` with its own demuxer and decoders: "" when the
// discoverer's report holds each of `lines` and the picture (and the sound,
// with `withSound`) plays through into fake sinks, else what went wrong.
std::string GStreamerProblem(const std::string& path, const std::vector<std::string>& lines, bool withSound);

// The names of the files in a folder, sorted.
std::vector<std::string> FolderContents(const std::string& folder);

} // namespace vtapi::test
