// vantor-batch-export-cli: the batch export run from a terminal.

#include "app/CliFrontEnd.h"
#include "support/LogSysClient.h"

namespace {

// Connects to the log server before the program's own code runs; released
// at exit.
const vantor::trace::LogSysProgramClient g_logSys;

} // namespace

int main(int argc, char** argv)
{
    return vantor::RunCli(argc, argv);
}
