// SPDX-License-Identifier: MIT
// larkspur-cli: the archive browser's engine on the command line. The
// commands live in the cli library; this only binds them to the process's
// own output and turns output that never arrived into a failure.

#include "cli/CProcessOutput.h"
#include "cli/CliCommandLine.h"

#include <string>
#include <vector>

int main(int argc, char **argv)
{
    Larkspur::CProcessOutput Output;
    const Larkspur::SCliContext Context{Output, std::string()};
    const int iStatus = Larkspur::RunCommandLine(Context, std::vector<std::string>(argv + 1, argv + argc));

    // Output that never arrived (a full disk, a closed pipe) is no success.
    if (!Output.AllOutputWritten())
    {
        Output.WriteError("Error:\nCould not write the output.\n");
        return Larkspur::CLI_EXIT_FAILED;
    }
    return iStatus;
}
