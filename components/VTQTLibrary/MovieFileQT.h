#pragma once

// A movie file being written: the mov muxer's output, its tracks, and the
// interleaving of the sound track with the video as the video arrives.

#include "SoundTrack.h"
#include "VTQTLibrary.h"

#include <memory>
#include <string>

struct VTQTMovie final {
    explicit VTQTMovie(const std::string& path);
    VTQTMovie(const VTQTMovie&) = delete;
    VTQTMovie& operator=(const VTQTMovie&) = delete;

    // All throw vtapi::MovieError.
    void AddSound(std::unique_ptr<vtqt::SoundTrack> sound);
    void BeginEdits();
    // Writes the header once every track's parameters are known.
    void WriteHeader();
    // Writes a video packet, and before it the sound up to its time.
    void WriteVideo(AVPacket* packet, AVStream* stream);
    // Writes the rest of the sound.
    void EndEdits();
    // Writes the index and closes the file.
    void Close();

    std::string path;
    vtapi::OutputFormatPtr output;
    bool flatten = false;
    bool editing = false; // BeginEdits was called: the tracks are fixed
    bool headerWritten = false;
    bool failed = false; // a step failed: the file is no movie
    std::string failure; // why
    VTQTSession* session = nullptr;

private:
    // Writes sound packets up to `seconds` (everything for a negative time).
    void WriteSoundUpTo(double seconds);

    std::unique_ptr<vtqt::SoundTrack> m_sound;
    vtapi::PacketPtr m_pending; // the next sound packet, not yet written
    bool m_soundDone = false;
};
