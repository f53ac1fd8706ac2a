#pragma once

// One Windows Media file being written: the video encoder (with its first
// pass for two-pass formats), the optional sound encoder and the asf muxer.
// The exported functions of the library are thin wrappers around it.

#include "CodecCatalogue.h"

#include <memory>
#include <string>

struct WMVEncoderState;

struct WMVEncoder {
public:
    explicit WMVEncoder(std::string outputPath);
    ~WMVEncoder();
    WMVEncoder(const WMVEncoder&) = delete;
    WMVEncoder& operator=(const WMVEncoder&) = delete;

    struct VideoSettings {
        std::int32_t codecId = 0;
        int width = 0;
        int height = 0;
        int rateNum = 0;
        int rateDen = 0;
        bool vbr = false;
        unsigned passes = 1;
        int bitrate = 0;
        int quality = 0;
        int keyFrameSeconds = 0;
        std::int32_t pixels = 0;
    };

    // Each returns one of the WMV_ results. WMV_E_INVALIDARG, WMV_E_STATE
    // and WMV_E_NOCODEC refuse the call and change nothing; any other
    // failure ends the encoder: every later call gives WMV_E_STATE.
    std::int32_t ConfigureVideo(const VideoSettings& settings);
    std::int32_t ConfigureAudio(std::int32_t codecId, std::int32_t formatId, int sampleRate, int channels);
    std::int32_t BeginVideoPreprocess();
    std::int32_t PreprocessVideo(const std::uint8_t* data, std::int32_t size, std::int64_t time);
    std::int32_t EndVideoPreprocess();
    std::int32_t Start();
    std::int32_t WriteVideo(const std::uint8_t* data, std::int32_t size, std::int64_t time);
    std::int32_t WriteAudio(const std::uint8_t* data, std::int32_t size, std::int64_t time);
    std::int32_t Stop();

private:
    std::unique_ptr<WMVEncoderState> m_state;
};
