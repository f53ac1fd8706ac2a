#pragma once

// The Windows Media codec catalogue as the WMV dialog receives it.
//
// The export library enumerates codecs and formats by calling back into the
// program once per entry. The four callbacks below reach the single WMV
// dialog through a module-level pointer (SetWMVCatalogueSink), which the
// dialog sets before its first enumeration: codecs become items of the
// dialog's codec lists, formats become records appended to its format
// lists. Each callback traces its name on entry and "<name> Exit" on
// return.

#include "components/WMVExport/WMVExportApi.h"

#include <cstdint>
#include <string>

namespace vantor {

class TBlockList;

// One video format of the selected codec.
struct VideoFormatRecord {
    std::int32_t formatId = 0;
    std::int32_t vbr = 0; // non-zero: variable bit rate
    std::uint32_t passes = 0;
};

// One audio format of the selected codec. The format id is what
// "AudioFormatId" stores. For a one-pass VBR format the low byte of
// waveFormat.avgBytesPerSec is the quality level (0..100); otherwise the
// field is the format's rate value, shown as a bit rate.
struct AudioFormatRecord {
    std::int32_t formatId = 0;
    std::int32_t vbr = 0;
    std::uint32_t passes = 0;
    WMVWaveFormat waveFormat {}; // the 18 bytes as the library gave them
};

// What the callbacks fill: implemented by the WMV dialog.
class IWMVCatalogueSink {
public:
    virtual ~IWMVCatalogueSink() = default;
    // Adds an item with `name` (UTF-8) as text and `id` as object to
    // cbVideoCodec / cbAudioCodec.
    virtual void AddVideoCodec(const std::string& name, int id) = 0;
    virtual void AddAudioCodec(const std::string& name, int id) = 0;
    // The dialog's lists of VideoFormatRecord* and AudioFormatRecord*; the
    // records belong to the list (freed by ClearList).
    virtual TBlockList& VideoFormatList() = 0;
    virtual TBlockList& AudioFormatList() = 0;
};

// Sets the module-level target of the callbacks (null: none; callbacks then
// do nothing) and returns the previous one. Not owned.
IWMVCatalogueSink* SetWMVCatalogueSink(IWMVCatalogueSink* sink);
IWMVCatalogueSink* WMVCatalogueSink();

// The callbacks handed to the library's enumeration functions. They never
// let an exception out (they are called from C code): when the user
// cancels the out-of-memory question while a format is being appended, the
// record is dropped, the list keeps the formats it already has, and the
// rest of that enumeration is skipped without asking again until the list
// is cleared with ClearList.
void WMVExportVideoCallback(std::int32_t id, const wchar_t* name);
void WMVExportAudioCallback(std::int32_t id, const wchar_t* name);
void WMVExportVideoFormatCallback(std::int32_t formatId, std::int32_t vbr, std::uint32_t passes);
void WMVExportAudioFormatCallback(std::int32_t formatId, const wchar_t* description,
    const WMVWaveFormat* waveFormat, std::int32_t vbr, std::uint32_t passes, std::int32_t bitrate);

// Frees every record of `list` (a list of VideoFormatRecord* or of
// AudioFormatRecord*, allocated by the callbacks), then empties it.
void ClearList(TBlockList& list);

// A wide-character text (UTF-32 on Linux) as the program's 8-bit text,
// UTF-8. Characters that are not Unicode become U+FFFD.
std::string WideToUtf8(const wchar_t* text);

} // namespace vantor
