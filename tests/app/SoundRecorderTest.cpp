#include "app/SoundRecorder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

using namespace vantor;

TEST(SoundRecorderTest, ProbeAnswersWhetherTheLibraryLoadsAndListsTheEncoder)
{
    // What the system says, asked directly.
    void* lame = dlopen(TSoundRecorder::kLameLibrary, RTLD_LAZY);
    const bool installed = lame != nullptr;
    if (lame != nullptr)
        dlclose(lame);

    std::vector<SoundCodecEntry> codecs { { "stale entry", 9 } };
    EXPECT_EQ(TSoundRecorder::CanRecordMP3(&codecs), installed);
    if (installed) {
        ASSERT_EQ(codecs.size(), 1u);
        EXPECT_EQ(codecs[0].name, "LAME MP3 Encoder (DLL)");
        EXPECT_EQ(codecs[0].tag, 3);
    } else {
        EXPECT_TRUE(codecs.empty());
    }
    EXPECT_EQ(TSoundRecorder::CanRecordMP3(), installed);

    codecs = { { "stale entry", 9 } };
    EXPECT_FALSE(TSoundRecorder::CanRecordMP3("libno-such-encoder.so.0", &codecs));
    EXPECT_TRUE(codecs.empty()); // the list is cleared even when the probe fails
}

} // namespace
