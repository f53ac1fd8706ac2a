#include "EncoderOptions.h"

#include "xml/XMLSettings.h"

namespace vtapi {

void ReadEncoderOptions(const std::string& file, platform::FOURCC fourcc, AVDictionary** options)
{
    TXMLSettings store(false);
    store.ReadXMLSettingsFile(file);
    const std::string section = platform::FourCCToString(fourcc) + "\\";
    for (const char* name : { "b", "g", "profile", "preset" }) {
        const std::string value = store.GetString(section + name, "");
        if (!value.empty())
            av_dict_set(options, name, value.c_str(), 0);
    }
}

} // namespace vtapi
