#pragma once

// A Windows Media export library for dialog tests: its four enumerations
// report the codecs and formats of FakeCatalogue() through the program's
// real callbacks. The encoder functions stay null; the dialog never calls
// them.

#include "video/WMVExportLibrary.h"

#include <cstdint>
#include <vector>

namespace vantor::test {

struct FakeFormat {
    std::int32_t id;
    std::int32_t vbr;
    std::uint32_t passes;
    // Audio only.
    std::uint32_t samplesPerSec = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0; // the wave format's average-bytes-per-second field
};

struct FakeCodec {
    std::int32_t id;
    const wchar_t* name;
    std::vector<FakeFormat> formats;
};

struct FakeCatalogueData {
    std::vector<FakeCodec> video;
    std::vector<FakeCodec> audio;
    std::int32_t defaultVideo = 0;
    std::int32_t defaultAudio = 0;
};

inline FakeCatalogueData& FakeCatalogue()
{
    static FakeCatalogueData data;
    return data;
}

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
            for (const FakeCodec& codec : FakeCatalogue().video)
                callback(codec.id, codec.name);
            return FakeCatalogue().defaultVideo;
        };
        f.EnumAvailableWMAudioCodecs = [](WMVExportCodecCallback callback) {
            for (const FakeCodec& codec : FakeCatalogue().audio)
                callback(codec.id, codec.name);
            return FakeCatalogue().defaultAudio;
        };
        f.EnumAvailableWMVideoCodecFormats = [](std::int32_t id, ::WMVExportVideoFormatCallback callback) {
            for (const FakeFormat& format : FakeFormats(FakeCatalogue().video, id))
                callback(format.id, format.vbr, format.passes);
        };
        f.EnumAvailableWMAudioCodecFormats = [](std::int32_t id, ::WMVExportAudioFormatCallback callback) {
            for (const FakeFormat& format : FakeFormats(FakeCatalogue().audio, id)) {
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
