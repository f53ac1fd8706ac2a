#pragma once

// What the library can write: the Windows Media codecs that the linked
// libavcodec has encoders for, and the formats each encoder really accepts.
// Worked out once per process by opening the encoders.

#include "components/WMVExport/WMVExportApi.h"

#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace wmvexport {

struct CodecEntry {
    std::int32_t id = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    std::wstring name;
};

struct VideoFormat {
    std::int32_t id = 0;
    bool vbr = false;
    unsigned passes = 1;
};

struct AudioFormat {
    std::int32_t id = 0;
    bool vbr = false;
    unsigned passes = 1;
    int sampleRate = 0;
    int channels = 0;
    int bitrate = 0; // bits per second
    int blockAlign = 0;
    int extraSize = 0;

    WMVWaveFormat WaveFormat(std::int32_t codecId) const;
    std::wstring Description() const;
};

// The codecs in the order they are listed; the default is the last one
// (the newer codec) of each list.
const std::vector<CodecEntry>& VideoCodecs();
const std::vector<CodecEntry>& AudioCodecs();

const CodecEntry* FindVideoCodec(std::int32_t id);
const CodecEntry* FindAudioCodec(std::int32_t id);

// The formats of a codec (empty for an unknown id).
const std::vector<VideoFormat>& VideoFormats(std::int32_t codecId);
const std::vector<AudioFormat>& AudioFormats(std::int32_t codecId);

const VideoFormat* FindVideoFormat(std::int32_t codecId, bool vbr, unsigned passes);
const AudioFormat* FindAudioFormat(std::int32_t codecId, std::int32_t formatId);

// The fixed quantiser (2 best .. 31) for a quality of 1..100 (100 best).
int QuantiserForQuality(int quality);

} // namespace wmvexport
