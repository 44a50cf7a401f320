// SPDX-License-Identifier: MIT
#include "cli/CProcessOutput.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Larkspur
{

bool EscapesWanted(bool bTerminal, const char *szTerm)
{
    return bTerminal && !(szTerm != nullptr && std::strcmp(szTerm, "dumb") == 0);
}

bool ColourWanted(bool bTerminal, const char *szNoColor, const char *szTerm)
{
    const bool bNoColor = szNoColor != nullptr && szNoColor[0] != '\0';
    return EscapesWanted(bTerminal, szTerm) && !bNoColor;
}

CProcessOutput::CProcessOutput()
    : bOutTerminal(::isatty(STDOUT_FILENO) == 1),
      bErrorProgress(EscapesWanted(::isatty(STDERR_FILENO) == 1, std::getenv("TERM"))),
      bOutColour(ColourWanted(bOutTerminal, std::getenv("NO_COLOR"), std::getenv("TERM"))),
      bErrorColour(ColourWanted(::isatty(STDERR_FILENO) == 1, std::getenv("NO_COLOR"), std::getenv("TERM")))
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
