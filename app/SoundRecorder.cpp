#include "app/SoundRecorder.h"

#include <atomic>
#include <dlfcn.h>

namespace vantor {

namespace {

std::atomic<bool> g_mp3Available { false };

} // namespace

bool TSoundRecorder::CanRecordMP3(std::vector<SoundCodecEntry>* codecs)
{
    return CanRecordMP3(kLameLibrary, codecs);
}

bool TSoundRecorder::CanRecordMP3(const char* libraryName, std::vector<SoundCodecEntry>* codecs)
{
    if (codecs != nullptr)
        codecs->clear();
    void* library = dlopen(libraryName, RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr)
        return false;
    dlclose(library);
    if (codecs != nullptr)
        codecs->push_back({ kLameCodecName, kLameCodecTag });
    return true;
}

bool IsMP3Available()
{
    return g_mp3Available;
}

void SetMP3Available(bool available)
{
    g_mp3Available = available;
}

} // namespace vantor
