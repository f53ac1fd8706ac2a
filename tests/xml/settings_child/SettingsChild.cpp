// settings-child write FILE NAME=TYPE:TEXT...
//     loads FILE, sets each value (TYPE i integer, s string) and saves FILE.
// settings-child loop FILE COUNT PADDING_KB
//     saves version 1, 2, 3, ... of FILE until killed; version v holds
//     "Version" = v, COUNT values "Value<k>" = v * 1000 + k and a "Padding"
//     text of PADDING_KB kilobytes, so that writing a version takes long
//     enough to be killed in the middle.

#include "xml/XMLSettings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0) {
        TXMLSettings settings(false);
        settings.ReadXMLSettingsFile(argv[2]);
        for (int i = 3; i < argc; ++i) {
            const std::string argument = argv[i];
            const size_t equals = argument.find('=');
            if (equals == std::string::npos || argument.find(':', equals) != equals + 2) {
                std::fprintf(stderr, "bad assignment %s\n", argv[i]);
                return 2;
            }
            const std::string name = argument.substr(0, equals);
            const std::string text = argument.substr(equals + 3);
            if (argument[equals + 1] == 'i')
                settings.SetInteger(name, std::atoi(text.c_str()));
            else
                settings.SetString(name, text);
        }
        return settings.SaveFile(argv[2]) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "loop") == 0) {
        int count = std::atoi(argv[3]);
        TXMLSettings settings(false);
        settings.SetString("Padding", std::string(std::atoi(argv[4]) * size_t(1024), 'p'));
        for (int version = 1;; ++version) {
            settings.SetInteger("Version", version);
            for (int k = 0; k < count; ++k)
                settings.SetInteger("Value" + std::to_string(k), version * 1000 + k);
            if (!settings.SaveFile(argv[2]))
                return 1;
        }
    }
    std::fprintf(stderr, "usage: settings-child write FILE NAME=TYPE:TEXT... | loop FILE COUNT PADDING_KB\n");
    return 2;
}
