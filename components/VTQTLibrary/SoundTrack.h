#pragma once

// The sound track of a movie, read from a sound file one packet at a time
// while the video is written, so that the two interleave in the file
// without the whole sound in memory.

#include "components/VTPLAYERAPI/FFmpeg.h"

#include <memory>
#include <string>

namespace vtqt {

class SoundTrack {
public:
    virtual ~SoundTrack() = default;
    // The next packet, its times in the stream's time base; false after the
    // last. Throws vtapi::MovieError.
    virtual bool Next(AVPacket* packet) = 0;
    AVStream* Stream() const { return m_stream; }

protected:
    AVStream* m_stream = nullptr;
};

// The MP3 frames of `mp3Path`, unchanged, as a new stream of `output`.
// Throws vtapi::MovieError when the file holds no MP3 sound.
std::unique_ptr<SoundTrack> OpenMp3Copy(AVFormatContext* output, const std::string& mp3Path);
// The sound of `soundPath` encoded as AAC at `bitRate` bits per second.
std::unique_ptr<SoundTrack> OpenAacConversion(
    AVFormatContext* output, const std::string& soundPath, int bitRate);

} // namespace vtqt
