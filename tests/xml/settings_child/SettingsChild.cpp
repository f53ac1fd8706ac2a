// settings-child write FILE NAME=TYPE:TEXT...
//     loads FILE, sets each value (TYPE i integer, s string, b bool, f float)
//     and saves FILE.
// settings-child swap FILE NAME=TYPE:TEXT...
//     the same, but saves beside FILE, creates FILE.ready, and puts the new
//     version in place when another process opens FILE, so that it arrives
//     during that process's load.
// settings-child loop FILE COUNT PADDING_KB
//     saves version 1, 2, 3, ... of FILE until killed; version v holds
//     "Version" = v, COUNT values "Value<k>" = v * 1000 + k and a "Padding"
//     text of PADDING_KB kilobytes, so that writing a version takes long
//     enough to be killed in the middle.
// settings-child serve FILE
//     for each line "N" read from standard input sets "Counter" = N, saves
//     FILE and answers with the CLOCK_MONOTONIC time in ns when the save was
//     complete.

#include "xml/XMLSettings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

bool SetFromArgument(TXMLSettings& settings, const std::string& argument)
{
    size_t equals = argument.find('=');
    size_t colon = argument.find(':', equals);
    if (equals == std::string::npos || colon != equals + 2)
        return false;
    std::string name = argument.substr(0, equals);
    std::string text = argument.substr(colon + 1);
    switch (argument[equals + 1]) {
    case 'i':
        return settings.SetInteger(name, std::atoi(text.c_str()));
    case 's':
        return settings.SetString(name, text);
    case 'b':
        return settings.SetBool(name, text == "true");
    case 'f':
        return settings.SetFloat(name, std::atof(text.c_str()));
    default:
        return false;
    }
}

int64_t MonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

int main(int argc, char** argv)
{
    bool swap = argc >= 3 && std::strcmp(argv[1], "swap") == 0;
    if (swap || (argc >= 3 && std::strcmp(argv[1], "write") == 0)) {
        const std::string file = argv[2];
        TXMLSettings settings(false);
        settings.ReadXMLSettingsFile(file);
        for (int i = 3; i < argc; ++i) {
            if (!SetFromArgument(settings, argv[i])) {
                std::fprintf(stderr, "bad assignment %s\n", argv[i]);
                return 2;
            }
        }
        if (!swap)
            return settings.SaveFile(file) ? 0 : 1;
        int inotify = inotify_init1(IN_CLOEXEC);
        if (!settings.SaveFile(file + ".next") || inotify_add_watch(inotify, file.c_str(), IN_OPEN) < 0)
            return 2;
        std::fclose(std::fopen((file + ".ready").c_str(), "w"));
        inotify_event event; // a watch on the file itself: no name follows
        if (::read(inotify, &event, sizeof event) != sizeof event)
            return 2;
        return std::rename((file + ".next").c_str(), file.c_str()) == 0 ? 0 : 1;
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
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) {
        TXMLSettings settings(false);
        settings.ReadXMLSettingsFile(argv[2]);
        std::string line;
        while (std::getline(std::cin, line)) {
            settings.SetInteger("Counter", std::atoi(line.c_str()));
            if (!settings.SaveFile(argv[2]))
                return 1;
            std::cout << MonotonicNs() << std::endl;
        }
        return 0;
    }
    std::fprintf(stderr,
        "usage: settings-child write|swap FILE NAME=TYPE:TEXT... | loop FILE COUNT PADDING_KB | serve "
        "FILE\n");
    return 2;
}
