#include "cli/CProcessOutput.h"

#include <unistd.h>

#include <cstdio>

namespace Larkspur
{

CProcessOutput::CProcessOutput()
    : bOutTerminal(::isatty(STDOUT_FILENO) == 1), bErrorTerminal(::isatty(STDERR_FILENO) == 1)
{
}

void CProcessOutput::WriteOut(std::string_view sText)
{
    std::fwrite(sText.data(), 1, sText.size(), stdout);
}

void CProcessOutput::WriteError(std::string_view sText)
{
    std::fflush(stdout);
    std::fwrite(sText.data(), 1, sText.size(), stderr);
    std::fflush(stderr);
}

void CProcessOutput::FlushOut()
{
    std::fflush(stdout);
}

bool CProcessOutput::AllOutputWritten()
{
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

}  // namespace Larkspur
