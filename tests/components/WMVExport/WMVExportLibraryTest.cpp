// libWMVExport.so as its users see it: the 18 exports, the catalogue it
// reports for the linked libavcodec, and the encoder's answers to calls
// out of order or out of range.

#include "TestEnvironment.h"
#include "components/WMVExport/WMVExportApi.h"

#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantor {
namespace {

namespace fs = std::filesystem;

struct Codec {
    int id;
    std::wstring name;
    bool operator==(const Codec&) const = default;
};
struct VideoFormat {
    int id, vbr;
    unsigned passes;
    bool operator==(const VideoFormat&) const = default;
};
struct AudioFormat {
    int id;
    std::wstring description;
    WMVWaveFormat wave;
    int vbr;
    unsigned passes;
    int bitrate;
};

std::vector<Codec> g_codecs;
std::vector<VideoFormat> g_videoFormats;
std::vector<AudioFormat> g_audioFormats;

class WMVExportLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path path = test::BinDir() / WMV_EXPORT_LIBRARY_NAME;
        if (!fs::exists(path))
            GTEST_SKIP() << path.string() << " is not built";
        // Kept in memory once loaded, as the program keeps it: unloading it
        // would take FFmpeg's libraries, and their allocations, with it.
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        g_codecs.clear();
        g_videoFormats.clear();
        g_audioFormats.clear();
    }
    void TearDown() override
    {
        if (m_handle != nullptr)
            dlclose(m_handle);
    }
    template <typename T> T Function(const char* name) { return reinterpret_cast<T>(dlsym(m_handle, name)); }

    void* m_handle = nullptr;
    test::TempDir temp;
};

void OnCodec(int32_t id, const wchar_t* name)
{
    g_codecs.push_back({ id, name });
}
void OnVideoFormat(int32_t id, int32_t vbr, uint32_t passes)
{
    g_videoFormats.push_back({ id, vbr, passes });
}
void OnAudioFormat(int32_t id, const wchar_t* description, const WMVWaveFormat* wave, int32_t vbr,
    uint32_t passes, int32_t bitrate)
{
    g_audioFormats.push_back({ id, description, *wave, vbr, passes, bitrate });
}

TEST_F(WMVExportLibraryTest, ExportsTheEighteenFunctionsAndTheCatalogueOfTheCodecsTheEncodersAccept)
{
    const char* names[] = { WMV_EXPORT_FUNCTION_NAMES };
    ASSERT_EQ(std::size(names), 18u);
    for (const char* name : names)
        EXPECT_NE(dlsym(m_handle, name), nullptr) << name;

    const auto enumVideo = Function<EnumAvailableWMVideoCodecsFn>("EnumAvailableWMVideoCodecs");
    const auto enumAudio = Function<EnumAvailableWMAudioCodecsFn>("EnumAvailableWMAudioCodecs");
    const auto videoFormats
        = Function<EnumAvailableWMVideoCodecFormatsFn>("EnumAvailableWMVideoCodecFormats");
    const auto audioFormats
        = Function<EnumAvailableWMAudioCodecFormatsFn>("EnumAvailableWMAudioCodecFormats");

    EXPECT_EQ(enumVideo(&OnCodec), 0x32564D57);
    EXPECT_EQ(g_codecs,
        (std::vector<Codec> {
            { 0x31564D57, L"Windows Media Video 7" }, { 0x32564D57, L"Windows Media Video 8" } }));
    g_codecs.clear();
    EXPECT_EQ(enumAudio(&OnCodec), 0x161);
    EXPECT_EQ(g_codecs,
        (std::vector<Codec> { { 0x160, L"Windows Media Audio 1" }, { 0x161, L"Windows Media Audio 2" } }));

    for (const int codec : { 0x31564D57, 0x32564D57 }) {
        g_videoFormats.clear();
        videoFormats(codec, &OnVideoFormat);
        EXPECT_EQ(
            g_videoFormats, (std::vector<VideoFormat> { { 1, 0, 1 }, { 2, 0, 2 }, { 3, 1, 1 }, { 4, 1, 2 } }))
            << codec;
    }
    g_videoFormats.clear();
    videoFormats(0x160, &OnVideoFormat); // an audio codec's id
    EXPECT_TRUE(g_videoFormats.empty());

    // Rows of the audio catalogue: present with this wave format, or absent
    // (below the encoders' 24 kbit/s floor, or beyond two bits a sample).
    struct Row {
        int codec;
        int id;
        bool present;
        const wchar_t* description;
        WMVWaveFormat wave;
        int bitrate;
    };
    const Row rows[] = {
        { 0x161, 178, true, L"128 kbps, 44 kHz, stereo CBR", { 0x161, 2, 44100, 128000, 743, 16, 10 },
            128000 },
        { 0x161, 156, true, L"24 kbps, 44 kHz, mono CBR", { 0x161, 1, 44100, 24000, 139, 16, 10 }, 24000 },
        { 0x161, 21, true, L"24 kbps, 8 kHz, stereo CBR", { 0x161, 2, 8000, 24000, 192, 16, 10 }, 24000 },
        { 0x161, 210, true, L"192 kbps, 48 kHz, stereo CBR", { 0x161, 2, 48000, 192000, 1024, 16, 10 },
            192000 },
        { 0x160, 178, true, L"128 kbps, 44 kHz, stereo CBR", { 0x160, 2, 44100, 128000, 743, 16, 4 },
            128000 },
        { 0x160, 66, true, L"24 kbps, 16 kHz, mono CBR", { 0x160, 1, 16000, 24000, 96, 16, 4 }, 24000 },
        { 0x161, 1, false, L"", {}, 0 }, // 5 kbit/s, 8 kHz mono
        { 0x161, 165, false, L"", {}, 0 }, // 192 kbit/s, 44.1 kHz mono
        { 0x161, 180, false, L"", {}, 0 }, // 192 kbit/s, 44.1 kHz stereo
    };
    std::vector<AudioFormat> all[2];
    for (const int codec : { 0x160, 0x161 }) {
        g_audioFormats.clear();
        audioFormats(codec, &OnAudioFormat);
        all[codec - 0x160] = g_audioFormats;
        EXPECT_EQ(g_audioFormats.size(), 66u) << codec;
        for (const AudioFormat& f : g_audioFormats) {
            EXPECT_EQ(f.vbr, 0);
            EXPECT_EQ(f.passes, 1u);
            EXPECT_EQ(f.wave.formatTag, codec);
        }
    }
    for (const Row& row : rows) {
        const std::vector<AudioFormat>& formats = all[row.codec - 0x160];
        const auto found = std::find_if(
            formats.begin(), formats.end(), [&](const AudioFormat& f) { return f.id == row.id; });
        ASSERT_EQ(found != formats.end(), row.present) << row.codec << " " << row.id;
        if (!row.present)
            continue;
        EXPECT_EQ(found->description, row.description);
        EXPECT_EQ(found->bitrate, row.bitrate);
        const WMVWaveFormat& w = found->wave;
        EXPECT_EQ(std::vector<unsigned>({ w.formatTag, w.channels, w.samplesPerSec, w.avgBytesPerSec,
                      w.blockAlign, w.bitsPerSample, w.extraSize }),
            std::vector<unsigned>({ row.wave.formatTag, row.wave.channels, row.wave.samplesPerSec,
                row.wave.avgBytesPerSec, row.wave.blockAlign, row.wave.bitsPerSample, row.wave.extraSize }))
            << row.id;
    }
}

TEST_F(WMVExportLibraryTest, EncoderRefusesCallsOutOfOrderOrRangeAndDeletesAnUnfinishedFile)
{
    const auto init = Function<InitWMVEncodeFn>("InitWMVEncode");
    const auto release = Function<ReleaseWMVEncodeFn>("ReleaseWMVEncode");
    const auto video = Function<ConfigureWMVVideoInputFn>("ConfigureWMVVideoInput");
    const auto audio = Function<ConfigureWMVAudioInputFn>("ConfigureWMVAudioInput");
    const auto start = Function<StartWMVEncodeFn>("StartWMVEncode");
    const auto stop = Function<StopWMVEncodeFn>("StopWMVEncode");
    const auto write = Function<WriteWMVVideoSampleFn>("WriteWMVVideoSample");
    const auto begin = Function<BeginWMVVideoPreprocessFn>("BeginWMVVideoPreprocess");
    const auto beginAudio = Function<BeginWMVAudioPreprocessFn>("BeginWMVAudioPreprocess");

    const std::string path = temp / "out.wmv";
    WMVEncoder* e = nullptr;
    ASSERT_EQ(init(path.c_str(), &e), WMV_OK);
    std::vector<uint8_t> picture(32 * 16 * 3 / 2, 128);
    const auto size = static_cast<int32_t>(picture.size());
    struct Step {
        const char* what;
        int32_t result;
        int32_t expected;
    };
    const Step steps[] = {
        { "start before the video is set", start(e), WMV_E_STATE },
        { "unknown video codec", video(e, 0x12345678, 32, 16, 10, 1, 0, 1, 100000, 80, 0, WMV_PIXELS_I420),
            WMV_E_NOCODEC },
        { "odd width", video(e, 0x32564D57, 33, 16, 10, 1, 0, 1, 100000, 80, 0, WMV_PIXELS_I420),
            WMV_E_INVALIDARG },
        { "quality 0", video(e, 0x32564D57, 32, 16, 10, 1, 1, 1, 100000, 0, 0, WMV_PIXELS_I420),
            WMV_E_INVALIDARG },
        { "one-pass CBR", video(e, 0x32564D57, 32, 16, 10, 1, 0, 1, 100000, 80, 0, WMV_PIXELS_I420), WMV_OK },
        { "first pass of a one-pass format", begin(e), WMV_E_STATE },
        { "first pass of the sound", beginAudio(e), WMV_E_STATE },
        { "audio format not in the catalogue", audio(e, 0x161, 1, 44100, 2), WMV_E_NOCODEC },
        { "audio codec not in the catalogue", audio(e, 0x162, 178, 44100, 2), WMV_E_NOCODEC },
        { "picture before the start", write(e, picture.data(), size, 0), WMV_E_STATE },
        { "start", start(e), WMV_OK },
        { "picture of the wrong size", write(e, picture.data(), size - 1, 0), WMV_E_INVALIDARG },
        { "picture", write(e, picture.data(), size, 0), WMV_OK },
        { "picture not later than the last", write(e, picture.data(), size, 0), WMV_E_INVALIDARG },
        { "second start", start(e), WMV_E_STATE },
    };
    for (const Step& step : steps)
        EXPECT_EQ(step.result, step.expected) << step.what;
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(release(e), WMV_OK);
    EXPECT_FALSE(fs::exists(path)) << "a file whose encoder never stopped stays";
    EXPECT_EQ(stop(nullptr), WMV_E_INVALIDARG);
}

} // namespace
} // namespace vantor
