// SPDX-License-Identifier: MIT
#include "cli/CProcessOutput.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Larkspur
{

bool ColourWanted(bool bTerminal, const char *szNoColor, const char *szTerm)
{
    const bool bNoColor = szNoColor != nullptr && szNoColor[0] != '\0';
    const bool bDumb = szTerm != nullptr && std::strcmp(szTerm, "dumb") == 0;
    return bTerminal && !bNoColor && !bDumb;
}

CProcessOutput::CProcessOutput()
    : bOutTerminal(::isatty(STDOUT_FILENO) == 1), bErrorTerminal(::isatty(STDERR_FILENO) == 1),
      bOutColour(ColourWanted(bOutTerminal, std::getenv("NO_COLOR"), std::getenv("TERM")))
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
