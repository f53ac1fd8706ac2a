// LogSysServer [-z]                  serve the trace buffer (-z: started by a client)
// LogSysServer --follow [PROGRAM]    print the log lines as they arrive
#include "LogSysServer.h"

#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    std::string suffix;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--follow") == 0)
            return logsys::Follow(i + 1 < argc ? argv[i + 1] : "");
        if (std::strcmp(argv[i], "--suffix") == 0 && i + 1 < argc)
            suffix = argv[++i]; // separate shared objects, for tests
        else if (std::strcmp(argv[i], "-z") != 0) {
            std::cerr << "Usage: LogSysServer [-z] | LogSysServer --follow [PROGRAM]\n";
            return 2;
        }
    }
    return logsys::LogSysServer(suffix).Run();
}
