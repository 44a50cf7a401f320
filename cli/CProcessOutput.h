// SPDX-License-Identifier: MIT
#pragma once
// The tool's output on the process's own stdout and stderr.

#include "cli/CliContext.h"

namespace Larkspur
{

// Escape sequences (a progress bar, colour) only on a terminal, never on one
// that declares itself "dumb"; colour never when the user set NO_COLOR (to
// anything but the empty text) either. The texts are those environment
// variables, null when unset.
bool EscapesWanted(bool bTerminal, const char *szTerm);
bool ColourWanted(bool bTerminal, const char *szNoColor, const char *szTerm);

class CProcessOutput final : public ICliOutput
{
public:
    CProcessOutput();

    void WriteOut(std::string_view sText) override;
    void WriteError(std::string_view sText) override;
    void FlushOut() override;
    bool OutIsTerminal() const override { return bOutTerminal; }
    bool ErrorTakesProgress() const override { return bErrorProgress; }
    bool OutTakesColour() const override { return bOutColour; }
    bool ErrorTakesColour() const override { return bErrorColour; }

    // False when some output to stdout never arrived (a full disk, a closed
    // pipe): flushes what is left first.
    bool AllOutputWritten();

private:
    const bool bOutTerminal;
    const bool bErrorProgress;
    const bool bOutColour;
    const bool bErrorColour;
};

}  // namespace Larkspur
