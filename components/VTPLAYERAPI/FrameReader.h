#pragma once

// Reads and decodes a movie on a thread of its own, a few frames ahead of
// an export, so that decoding the next frame overlaps converting and
// encoding this one. A recording where the screen stands still repeats the
// same key-frame packet: such a packet is not decoded again, the frame
// before is handed out once more.

#include "FrameChanges.h"
#include "MovieFile.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace vtapi {

// A decoder for `stream`, on as many threads as it likes.
CodecContextPtr OpenDecoder(const AVStream* stream);

// Output frame n shows the last movie frame stamped at or before n / rate
// plus a tolerance of half a frame (of the faster of the two rates): time
// stamps are rounded to the stream's time base (Matroska keeps whole
// milliseconds, so frame 1 of a 15 fps movie sits at 67 ms, after 1/15 s),
// and without the tolerance a frame stamped a little late would lose its
// output frame to the next one. Returns how many output frames come before
// a movie frame stamped `ticks` after the first: the smallest n with
// n / rate + tolerance >= ticks.
std::int64_t OutputFramesBefore(
    std::int64_t ticks, AVRational timeBase, AVRational outputRate, AVRational movieRate);

struct DecodedFrame {
    FramePtr frame;
    bool video = false;
    FrameChanges changes; // video: what changed after the frame before
};

class FrameReader final {
public:
    // Starts reading `movie` from where it stands. `video` decodes the
    // movie's video stream; `audio` (or nullptr) its sound stream. Both are
    // the reader's until Next returns false or the reader is destroyed.
    FrameReader(MovieSource& movie, AVCodecContext* video, AVCodecContext* audio);
    // Stops the thread, dropping what it has not handed over.
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // The next frame in decoding order, after every frame both decoders
    // keep back at the end; false after the last. Throws what the thread
    // met (MovieError for a damaged movie).
    bool Next(DecodedFrame* out);

    // Video packets handed out as the frame before without decoding them,
    // for the tests.
    std::int64_t DecodesSkipped() const { return m_skipped; }

private:
    // A video packet equal to the one before, waiting for the decoder to
    // give out the frames of the packets sent before it.
    struct Repeat {
        std::int64_t after; // video packets sent to the decoder before it
        std::int64_t pts;
        std::int64_t dts;
    };

    void Run();
    void Decode(AVCodecContext* decoder, const AVPacket* packet, bool video);
    // True when `packet` decodes to the last video frame: a key frame equal
    // to the video packet before, itself a key frame. Keeps `packet` for the
    // next call.
    bool RepeatsLast(const AVPacket* packet);
    // Hands out the repeats whose packets' frames have all come out.
    void PutRepeats(bool all);
    // Throws Stopping when the reader is stopping.
    void PutOrStop(DecodedFrame frame);
    // False when the reader is stopping.
    bool Put(DecodedFrame frame);

    MovieSource& m_movie;
    AVCodecContext* m_video;
    AVCodecContext* m_audio;
    // The thread's own, up to m_skipped.
    FramePtr m_lastVideo;
    // Key frames of the video codec decode alone and leave the decoder as
    // they find it.
    bool m_repeatable = false;
    PacketPtr m_lastKeyPacket; // empty when the last video packet cannot be repeated
    std::int64_t m_sent = 0; // video packets sent to the decoder
    std::int64_t m_received = 0; // video frames it gave out
    std::deque<Repeat> m_repeats;
    std::optional<FrameChanges> m_unchanged; // "nothing changed" at the last frame's size
    std::atomic<std::int64_t> m_skipped = 0; // written by the thread
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<DecodedFrame> m_frames;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace vtapi
