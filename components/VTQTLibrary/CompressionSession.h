#pragma once

// The H.264 video track's encoder (libx264 through libavcodec), with its
// passes: one, or two where the first only gathers x264's statistics.

#include "MovieFileQT.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vtapi {
class YuvConverter;
}

namespace vtqt {

// What the codec parameters become in libx264's terms.
struct RateControl {
    double crf = -1; // constant quality; -1: a bit rate instead
    std::int64_t bitRate = 0; // bits per second
    std::int64_t maxRate = 0; // 0: no cap
    std::int64_t minRate = 0;
    std::int64_t bufferSize = 0; // bits
    int gopSize = 0;
};

// The library's defaults: automatic data rate at quality 870, a key frame
// every second, 600 (400..800) kilobytes per second.
VTQTCodecParams DefaultCodecParams();
// Quality 0..1024 runs from x264's constant rate factor 51 (worst) to 15.
double CrfForQuality(int quality);
// `rate` is the frame rate; `firstPassBitRate` the bits per second that a
// first pass at constant quality gave (0 for none): a second pass needs a
// bit rate, and the automatic data rate uses the first pass's.
RateControl MapCodecParams(const VTQTCodecParams& params, AVRational rate, std::int64_t firstPassBitRate);

} // namespace vtqt

struct VTQTSession final {
    VTQTSession(VTQTMovie* movie, int width, int height, AVRational rate);
    ~VTQTSession();
    VTQTSession(const VTQTSession&) = delete;
    VTQTSession& operator=(const VTQTSession&) = delete;

    // All throw vtapi::MovieError.
    void SetParams(const VTQTCodecParams& params);
    void RequestMultipass();
    bool Multipass() const { return m_passes > 1; }
    int BeginPass();
    void Compress(const VTQTPicture& picture, std::int64_t index);
    // Flushes the encoder; true when another pass follows.
    bool EndPass();

    VTQTMovie* movie;

private:
    bool LastPass() const { return m_pass == m_passes; }
    void OpenEncoder();
    // Encodes the converted picture as frame `index`.
    void Send(std::int64_t index, bool key);
    void Drain(const AVFrame* frame);
    // Writes the waiting packets whose durations are known (`all`: every one).
    void WriteWaiting(bool all);
    void PrepareScaler(const VTQTPicture& picture);

    int m_width;
    int m_height;
    AVRational m_rate;
    VTQTCodecParams m_params {};
    AVStream* m_stream = nullptr;
    int m_passes = 1;
    int m_pass = 0;
    bool m_inPass = false;
    std::string m_statsFolder; // x264's statistics between the passes
    std::int64_t m_passBytes = 0;
    std::int64_t m_passFrames = 0;
    std::int64_t m_lastIndex = -1; // of the pass
    std::int64_t m_lastKey = 0; // the index of the last key frame asked for
    std::int64_t m_firstPassBitRate = 0;
    vtapi::CodecContextPtr m_encoder;
    std::unique_ptr<vtapi::YuvConverter> m_converter; // same-size packed RGB
    vtapi::SwsPtr m_scaler; // any other picture
    int m_scalerFormat = -1;
    int m_scalerWidth = 0;
    int m_scalerHeight = 0;
    vtapi::FramePtr m_picture;
    vtapi::PacketPtr m_packet;
    // Of the last pass: the indexes sent, rising, and the packets waiting
    // for the index after theirs.
    std::vector<std::int64_t> m_indexes;
    std::deque<vtapi::PacketPtr> m_waiting;
};
