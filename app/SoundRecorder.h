#pragma once

// Whether MP3 sound can be encoded: the LAME encoder library of the system
// can be loaded. Probed once at start-up; the Flash, AVI and QuickTime
// commands read the answer.

#include <string>
#include <vector>

namespace vantor {

struct SoundCodecEntry {
    std::string name;
    int tag = 0;
};

class TSoundRecorder final {
public:
    // The library loaded (by name, through the system's search) to learn
    // whether MP3 encoding is available.
    static constexpr char kLameLibrary[] = "libmp3lame.so.0";
    static constexpr char kLameCodecName[] = "LAME MP3 Encoder (DLL)";
    static constexpr int kLameCodecTag = 3;

    // Clears `codecs` when given; loads the LAME library and, when that
    // works, frees it again and adds the entry "LAME MP3 Encoder (DLL)" with
    // tag 3 to `codecs`. Returns whether the library could be loaded.
    static bool CanRecordMP3(std::vector<SoundCodecEntry>* codecs = nullptr);
    // The same probe for another library name (tests).
    static bool CanRecordMP3(const char* libraryName, std::vector<SoundCodecEntry>* codecs);
};

// The program-wide answer, set once at start-up by the main window.
bool IsMP3Available();
void SetMP3Available(bool available);

} // namespace vantor
