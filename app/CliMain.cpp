// vantor-batch-export-cli: the batch export run from a terminal.

#include "app/CliFrontEnd.h"

int main(int argc, char** argv)
{
    return vantor::RunCli(argc, argv);
}
