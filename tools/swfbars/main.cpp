// swf-controlbars: makes our preinstalled control bars at build time.
//
//     swf-controlbars BARS_FOLDER PREVIEW_SOURCE
//
// writes each bar and its "Single.swf" variant into BARS_FOLDER, and
// PREVIEW_SOURCE, a C++ file holding each bar's preview picture as JPEG data
// under its resource name.

#include "ControlBar.h"

#include "flash/swf/ControlBarPreviews.h"
#include "flash/swf/JpegImage.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

bool Save(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::cerr << "swf-controlbars: cannot write " << path << "\n";
        return false;
    }
    return true;
}

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return { bytes.begin(), bytes.end() };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: swf-controlbars BARS_FOLDER PREVIEW_SOURCE\n";
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ostringstream source;
    source << "// Made by swf-controlbars: the control-bar preview pictures.\n"
              "#include \"flash/swf/ControlBarPreviews.h\"\n\n"
              "namespace {\n";
    std::ostringstream lookup;
    int index = 0;
    for (const ControlBarLook& look : ControlBarLooks()) {
        std::string stem = look.fileName.substr(0, look.fileName.rfind('.'));
        ControlBar bar = BuildControlBar(look, false);
        ControlBar single = BuildControlBar(look, true);
        if (!Save(folder / look.fileName, AsString(bar.swf))
            || !Save(folder / (stem + "Single.swf"), AsString(single.swf)))
            return 1;
        std::vector<std::uint8_t> jpeg = EncodeJpeg(bar.preview, 90);
        source << "const std::uint8_t kPreview" << index << "[] = {";
        for (std::size_t i = 0; i < jpeg.size(); ++i)
            source << (i % 24 == 0 ? "\n    " : " ") << static_cast<int>(jpeg[i]) << ",";
        source << "\n};\n";
        lookup << "    if (SameResourceName(name, \"" << ControlBarPreviewResourceName(look.fileName)
               << "\"))\n"
               << "        return kPreview" << index << ";\n";
        ++index;
    }
    source << "} // namespace\n\n"
              "std::span<const std::uint8_t> FindJpegDataResource(std::string_view name)\n{\n"
           << lookup.str() << "    return {};\n}\n";
    return Save(argv[2], source.str()) ? 0 : 1;
}
