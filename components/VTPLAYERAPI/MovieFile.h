#pragma once

// The Vantor movie format.
//
// - A current movie (".vtr") is a Matroska file: one video stream (the
//   recorder writes lossless FFV1 frames), optionally one audio stream, the
//   global tag VANTOR_MOVIE_VERSION = "2", and optionally an attachment
//   "cursor.tsv" with one "time-in-ms<TAB>x<TAB>y" line per cursor sample.
// - A version 1.4 movie holds the same streams in an AVI file, without the
//   tag (and without a cursor track).
// - A compressed movie (".vtz") is either of the two compressed as a whole
//   with zstd. It is recognised by the zstd frame magic, not by its name, and
//   read through a decompressed copy in an unnamed temporary file.

#include "FFmpeg.h"
#include "UnnamedFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtapi {

inline constexpr char kVersionTag[] = "VANTOR_MOVIE_VERSION";
inline constexpr char kCurrentVersion[] = "2";
inline constexpr char kCursorAttachmentName[] = "cursor.tsv";
inline constexpr char kCursorMimeType[] = "text/plain"; // what the Matroska reader knows

enum class MovieLayout {
    Current, // Matroska with the version tag
    Version14, // AVI, no tag
};

struct CursorSample {
    std::int64_t timeMs = 0;
    int x = 0;
    int y = 0;
    bool operator==(const CursorSample&) const = default;
};
using CursorTrack = std::vector<CursorSample>;

// The attachment text of a cursor track.
std::string FormatCursorTrack(const CursorTrack& track);
// Reads the attachment text; lines that are not three integers are skipped
// and the samples are sorted by time, so a damaged line costs one sample.
CursorTrack ParseCursorTrack(const std::string& text);
// The position at `timeMs`: the last sample at or before it (the first
// sample before the track starts). False for an empty track.
bool CursorAt(const CursorTrack& track, std::int64_t timeMs, int* x, int* y);

// What a long piece of work looks at: a cancel request, checked between
// packets, and a progress sink (done, total), called often; the receiver
// thins it out.
struct TaskControl {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::int64_t done, std::int64_t total)> progress;

    bool Cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
    // Throws Cancelled when a cancel was requested.
    void CheckCancel() const;
    void Progress(std::int64_t done, std::int64_t total) const;
};

// True when the file starts with the zstd frame magic.
bool IsZstdFile(const std::string& path);
// Decompresses `source` into `target` (replacing it). Throws MovieError with
// the path on any failure, Cancelled on a cancel request.
void DecompressFile(const std::string& source, const std::string& target, const TaskControl& control);
// Compresses `source` into `target` at the given zstd level.
void CompressFile(
    const std::string& source, const std::string& target, int level, const TaskControl& control);

// An open movie of any kind, ready to be read from its first packet.
class MovieSource final {
public:
    // Throws MovieError for a missing, unreadable, damaged or foreign file;
    // Cancelled while a compressed movie is being unpacked.
    MovieSource(const std::string& path, const TaskControl& control);
    ~MovieSource();
    MovieSource(const MovieSource&) = delete;
    MovieSource& operator=(const MovieSource&) = delete;

    const std::string& Path() const { return m_path; }
    bool Compressed() const { return m_compressed; }
    MovieLayout Layout() const { return m_layout; }
    AVFormatContext* Format() const { return m_format.get(); }
    int VideoStream() const { return m_videoStream; }
    int AudioStream() const { return m_audioStream; } // -1 without sound
    const CursorTrack& Cursor() const { return m_cursor; }

    int Width() const;
    int Height() const;
    // The movie's own frame rate (25 when the file does not say).
    AVRational FrameRate() const { return m_frameRate; }
    // Duration in AV_TIME_BASE units, 0 when unknown.
    std::int64_t Duration() const;
    // Frames of the video stream, from its duration and rate.
    std::int64_t FrameCount() const;

    // The next packet of any stream into `packet`; false after the last.
    // Throws MovieError when the data stops with an error, or ends before
    // the duration the movie states (a cut-off file is damaged, not short).
    bool ReadPacket(AVPacket* packet);

    // Back to the first packet (a second export of the same open movie).
    void Rewind();

private:
    std::string m_path;
    bool m_compressed = false;
    std::unique_ptr<TemporaryFile> m_unpacked;
    InputFormatPtr m_format;
    MovieLayout m_layout = MovieLayout::Current;
    int m_videoStream = -1;
    int m_audioStream = -1;
    AVRational m_frameRate { 25, 1 };
    CursorTrack m_cursor;
    std::int64_t m_dataEnd = 0; // AV_TIME_BASE units: the latest end of a packet read
};

// Creates an output context of the named format writing to `path`.
OutputFormatPtr OpenOutput(const std::string& path, const char* formatName);
// Marks an output as a current-format movie and adds the cursor track
// (nothing for an empty track). Call before writing the header.
void TagCurrentMovie(AVFormatContext* output, const CursorTrack& cursor);

} // namespace vtapi
