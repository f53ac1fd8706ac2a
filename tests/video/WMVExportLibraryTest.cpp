#include "video/WMVExportLibrary.h"

#include "support/TraceTransport.h"
#include "video/BlockList.h"
#include "video/WMVCatalogue.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

using namespace vantor;

namespace {

// Successful dlopen calls and dlclose calls, counted per file name.
std::map<std::string, int> g_opens;
std::map<std::string, int> g_closes;
std::map<void*, std::string> g_names;

void* CountingOpen(const char* file, int mode)
{
    void* handle = dlopen(file, mode);
    if (handle != nullptr) {
        ++g_opens[file];
        g_names[handle] = file;
    }
    return handle;
}

int CountingClose(void* handle)
{
    ++g_closes[g_names[handle]];
    return dlclose(handle);
}

const DynamicLoader kCountingLoader { &CountingOpen, &dlsym, &CountingClose };

struct RecordingSink final : IWMVCatalogueSink {
    ~RecordingSink() override
    {
        ClearList(videoFormats);
        ClearList(audioFormats);
        SetWMVCatalogueSink(previous);
    }
    void AddVideoCodec(const std::string& name, int id) override { videoCodecs.emplace_back(name, id); }
    void AddAudioCodec(const std::string& name, int id) override { audioCodecs.emplace_back(name, id); }
    TBlockList& VideoFormatList() override { return videoFormats; }
    TBlockList& AudioFormatList() override { return audioFormats; }

    IWMVCatalogueSink* previous = SetWMVCatalogueSink(this);
    std::vector<std::pair<std::string, int>> videoCodecs, audioCodecs;
    TBlockList videoFormats, audioFormats;
};

} // namespace

// Each source set is asked twice. The export library is loaded once at
// most; a rejected one is unloaded; the runtime's libraries are always
// unloaded again; nothing is loaded past a failed runtime probe.
TEST(WMVExportProbeTest, LoadsOnlyACompleteLibraryAndOnlyOnce)
{
    const WMVExportLibrarySources real = TWMVExportLibrary::DefaultSources();
    const struct {
        const char* name;
        std::string formatLibrary, codecLibrary, exportLibrary;
        bool available;
        int exportOpens, exportCloses;
    } cases[] = {
        { "complete", real.formatLibrary, real.codecLibrary, WMVFAKE_COMPLETE, true, 1, 0 },
        { "lacks PreprocessWMVAudioSample", real.formatLibrary, real.codecLibrary,
            WMVFAKE_NO_AUDIO_PREPROCESS, false, 2, 2 },
        { "no runtime", "libvantor-missing.so.1", real.codecLibrary, WMVFAKE_COMPLETE, false, 0, 0 },
        { "no asf lookup", real.codecLibrary, real.codecLibrary, WMVFAKE_COMPLETE, false, 0, 0 },
        { "no encoder lookup", real.formatLibrary, "libm.so.6", WMVFAKE_COMPLETE, false, 0, 0 },
        { "no export library", real.formatLibrary, real.codecLibrary, "/nonexistent/libWMVExport.so", false,
            0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_opens.clear();
        g_closes.clear();
        TWMVExportLibrary library({ c.formatLibrary, c.codecLibrary, c.exportLibrary }, kCountingLoader);
        EXPECT_EQ(library.IsAvailable(), c.available);
        EXPECT_EQ(library.IsAvailable(), c.available);
        EXPECT_EQ(g_opens[c.exportLibrary], c.exportOpens);
        EXPECT_EQ(g_closes[c.exportLibrary], c.exportCloses);
        EXPECT_EQ(g_closes[c.formatLibrary] + g_closes[c.codecLibrary],
            g_opens[c.formatLibrary] + g_opens[c.codecLibrary]);
        if (!c.available && c.exportOpens > 0) {
            EXPECT_EQ(dlopen(c.exportLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
        }
    }
}

// Through the library's C code: codec names arrive as UTF-8 with their ids,
// formats as records, each callback traced on entry and on exit.
TEST(WMVExportProbeTest, CallbacksFillTheDialogsListsAndTraceThemselves)
{
    const WMVExportLibrarySources real = TWMVExportLibrary::DefaultSources();
    TWMVExportLibrary library({ real.formatLibrary, real.codecLibrary, WMVFAKE_COMPLETE });
    ASSERT_TRUE(library.IsAvailable());
    const WMVExportFunctions& f = library.Functions();
    RecordingSink sink;
    trace::RecordingTraceTransport traces;
    trace::ScopedTraceTransport scope(&traces);

    EXPECT_EQ(f.EnumAvailableWMVideoCodecs(vantor::WMVExportVideoCallback), 0x32564D57);
    EXPECT_EQ(f.EnumAvailableWMAudioCodecs(vantor::WMVExportAudioCallback), 0x0161);
    f.EnumAvailableWMVideoCodecFormats(0x32564D57, vantor::WMVExportVideoFormatCallback);
    f.EnumAvailableWMAudioCodecFormats(0x0161, vantor::WMVExportAudioFormatCallback);

    using Codecs = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(sink.videoCodecs,
        (Codecs { { "Windows Media Video 7", 0x31564D57 }, { "Vid\xC3\xA9o 8", 0x32564D57 } }));
    EXPECT_EQ(sink.audioCodecs, (Codecs { { "Windows Media Audio 2", 0x0161 } }));
    ASSERT_EQ(sink.videoFormats.Count(), 2);
    const auto* second = static_cast<const VideoFormatRecord*>(sink.videoFormats.Get(1));
    EXPECT_EQ(std::make_tuple(second->formatId, second->vbr, second->passes), std::make_tuple(4, 1, 2u));
    ASSERT_EQ(sink.audioFormats.Count(), 1);
    const auto* audio = static_cast<const AudioFormatRecord*>(sink.audioFormats.Get(0));
    const WMVWaveFormat& w = audio->waveFormat;
    EXPECT_EQ(std::make_tuple(audio->formatId, audio->vbr, audio->passes, w.formatTag, w.channels,
                  w.samplesPerSec, w.avgBytesPerSec, w.blockAlign, w.bitsPerSample, w.extraSize),
        std::make_tuple(17, 0, 1u, 0x0161, 2, 44100u, 16000u, 2973, 16, 10));

    std::string texts;
    for (const auto& entry : traces.Entries())
        texts += entry.text + "|";
    EXPECT_EQ(texts,
        "WMVExportVideoCallback|WMVExportVideoCallback Exit|WMVExportVideoCallback|"
        "WMVExportVideoCallback Exit|WMVExportAudioCallback|WMVExportAudioCallback Exit|"
        "WMVExportVideoFormatCallback|WMVExportVideoFormatCallback Exit|WMVExportVideoFormatCallback|"
        "WMVExportVideoFormatCallback Exit|WMVExportAudioFormatCallback|WMVExportAudioFormatCallback Exit|");

    ClearList(sink.videoFormats);
    EXPECT_EQ(sink.videoFormats.Count(), 0);
}
