#pragma once

// The encoder options the user set for one compressor in the codec
// chooser's Configure box, kept per FOURCC in the compressor options file.

#include "platform/CompressorManager.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <string>

namespace vtapi {

// The non-empty options stored for `fourcc` in `file` ("b", "g", "profile",
// "preset"), added to `options`; a missing or damaged file adds nothing.
void ReadEncoderOptions(const std::string& file, platform::FOURCC fourcc, AVDictionary** options);

} // namespace vtapi
