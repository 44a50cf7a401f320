// SPDX-License-Identifier: MIT
#pragma once
// The tool's output on the process's own stdout and stderr.

#include "cli/CliContext.h"

namespace Larkspur
{

// Colour only on a terminal, never when the user set NO_COLOR (to anything
// but the empty text) and never on a terminal that declares itself "dumb".
// The two texts are those environment variables, null when unset.
bool ColourWanted(bool bTerminal, const char *szNoColor, const char *szTerm);

class CProcessOutput final : public ICliOutput
{
public:
    CProcessOutput();

    void WriteOut(std::string_view sText) override;
    void WriteError(std::string_view sText) override;
    void FlushOut() override;
    bool OutIsTerminal() const override { return bOutTerminal; }
    bool ErrorIsTerminal() const override { return bErrorTerminal; }
    bool OutTakesColour() const override { return bOutColour; }

    // False when some output to stdout never arrived (a full disk, a closed
    // pipe): flushes what is left first.
    bool AllOutputWritten();

private:
    const bool bOutTerminal;
    const bool bErrorTerminal;
    const bool bOutColour;
};

}  // namespace Larkspur
