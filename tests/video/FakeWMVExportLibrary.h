#pragma once

// A Windows Media export library for dialog tests: its four enumerations
// report the codecs and formats below through the program's real
// callbacks. The encoder functions stay null; the dialog never calls them.

#include "video/WMVExportLibrary.h"

#include <cstdint>
#include <vector>

namespace vantor::test {

struct FakeFormat {
    std::int32_t id;
    std::int32_t vbr;
    std::uint32_t passes;
    std::uint32_t samplesPerSec = 0; // audio only, as the rest
    std::uint16_t channels = 0;
    std::uint32_t rate = 0; // the wave format's average-bytes-per-second field
};

struct FakeCodec {
    std::int32_t id;
    const wchar_t* name;
    std::vector<FakeFormat> formats;
};

constexpr int kWmv7 = 0x31564D57;
constexpr int kWmv8 = 0x32564D57;
constexpr int kWma1 = 0x160;
constexpr int kWma2 = 0x161;

// Windows Media Video 7 has constant bit rate formats only; Windows Media
// Audio V2 has one quality level (98, in the rate's low byte) besides its
// constant rates. The second codec of each list is the default.
inline const std::vector<FakeCodec> kFakeVideoCodecs {
    { kWmv7, L"Windows Media Video 7", { { 1, 0, 1 }, { 2, 0, 2 } } },
    { kWmv8, L"Windows Media Video 8", { { 1, 0, 1 }, { 3, 1, 1 }, { 4, 1, 2 } } },
};
inline const std::vector<FakeCodec> kFakeAudioCodecs {
    { kWma1, L"Windows Media Audio", { { 20, 0, 1, 44100, 2, 128000 }, { 21, 0, 1, 44100, 2, 64005 } } },
    { kWma2, L"Windows Media Audio V2",
        { { 10, 0, 1, 44100, 2, 128000 }, { 11, 0, 1, 44100, 2, 64000 }, { 12, 0, 1, 22050, 1, 3000 },
            { 13, 1, 1, 44100, 2, 0x3062 } } },
};

inline std::vector<FakeFormat> FakeFormats(const std::vector<FakeCodec>& codecs, std::int32_t id)
{
    for (const FakeCodec& codec : codecs)
        if (codec.id == id)
            return codec.formats;
    return {};
}

inline const WMVExportFunctions& FakeWMVExportLibrary()
{
    static const WMVExportFunctions library = [] {
        WMVExportFunctions f;
        f.EnumAvailableWMVideoCodecs = [](WMVExportCodecCallback callback) {
            for (const FakeCodec& codec : kFakeVideoCodecs)
                callback(codec.id, codec.name);
            return kWmv8;
        };
        f.EnumAvailableWMAudioCodecs = [](WMVExportCodecCallback callback) {
            for (const FakeCodec& codec : kFakeAudioCodecs)
                callback(codec.id, codec.name);
            return kWma2;
        };
        f.EnumAvailableWMVideoCodecFormats = [](std::int32_t id, ::WMVExportVideoFormatCallback callback) {
            for (const FakeFormat& format : FakeFormats(kFakeVideoCodecs, id))
                callback(format.id, format.vbr, format.passes);
        };
        f.EnumAvailableWMAudioCodecFormats = [](std::int32_t id, ::WMVExportAudioFormatCallback callback) {
            for (const FakeFormat& format : FakeFormats(kFakeAudioCodecs, id)) {
                const WMVWaveFormat wave { static_cast<std::uint16_t>(id), format.channels,
                    format.samplesPerSec, format.rate, 0, 16, 0 };
                callback(format.id, L"", &wave, format.vbr, format.passes, 0);
            }
        };
        return f;
    }();
    return library;
}

} // namespace vantor::test
