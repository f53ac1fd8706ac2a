#pragma once

// Reads and decodes a movie on a thread of its own, a few frames ahead of
// the AVI export, so that decoding the next frame overlaps converting and
// encoding this one.

#include "AviExportPicture.h"
#include "MovieFile.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace vtapi {

struct DecodedFrame {
    FramePtr frame;
    bool video = false;
    FrameChanges changes; // video: what changed after the frame before
};

class AviExportReader final {
public:
    // Starts reading `movie` from where it stands. `video` decodes the
    // movie's video stream; `audio` (or nullptr) its sound stream. Both are
    // the reader's until Next returns false or the reader is destroyed.
    AviExportReader(MovieSource& movie, AVCodecContext* video, AVCodecContext* audio);
    // Stops the thread, dropping what it has not handed over.
    ~AviExportReader();
    AviExportReader(const AviExportReader&) = delete;
    AviExportReader& operator=(const AviExportReader&) = delete;

    // The next frame in decoding order, after every frame both decoders
    // keep back at the end; false after the last. Throws what the thread
    // met (MovieError for a damaged movie).
    bool Next(DecodedFrame* out);

private:
    void Run();
    void Decode(AVCodecContext* decoder, const AVPacket* packet, bool video);
    // False when the reader is stopping.
    bool Put(DecodedFrame frame);

    MovieSource& m_movie;
    AVCodecContext* m_video;
    AVCodecContext* m_audio;
    FramePtr m_lastVideo; // the thread's own
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<DecodedFrame> m_frames;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace vtapi
