#pragma once

// Writes new movies, as the recorder does: lossless FFV1 frames (32-bit
// RGB) and 16-bit PCM sound, in the current layout or the version 1.4 one.
// Used by vtr-make and by the tests; the engine itself only remuxes.

#include "MovieFile.h"

#include <cstdint>
#include <string>

namespace vtapi {

struct MovieWriterOptions {
    int width = 0;
    int height = 0;
    AVRational frameRate { 25, 1 };
    int sampleRate = 0; // 0: no sound track
    int channels = 1;
    MovieLayout layout = MovieLayout::Current;
    CursorTrack cursor; // current layout only
};

class MovieWriter final {
public:
    // Throws MovieError for bad options or an unwritable path.
    MovieWriter(const std::string& path, const MovieWriterOptions& options);
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // The next frame, 32-bit BGRX rows of `stride` bytes.
    void WriteVideo(const std::uint8_t* bgrx, int stride);
    // The next frame in any pixel format and size; it is scaled to the movie's.
    void WriteVideo(const AVFrame* frame);
    // The next `samples` interleaved 16-bit samples (per channel count).
    void WriteAudio(const std::int16_t* interleaved, int samples);
    // Flushes the encoders and puts the file in place. Without Finish the
    // file is deleted.
    void Finish();

    std::int64_t FramesWritten() const { return m_frames; }

private:
    void Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);

    MovieWriterOptions m_options;
    PartialFile m_file;
    OutputFormatPtr m_output;
    CodecContextPtr m_video;
    CodecContextPtr m_audio;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
    FramePtr m_frame;
    FramePtr m_audioFrame;
    PacketPtr m_packet;
    SwsPtr m_scaler;
    std::int64_t m_frames = 0;
    std::int64_t m_samples = 0;
};

} // namespace vtapi
