#pragma once
// The tool's output on the process's own stdout and stderr.

#include "cli/CliContext.h"

namespace Larkspur
{

class CProcessOutput final : public ICliOutput
{
public:
    CProcessOutput();

    void WriteOut(std::string_view sText) override;
    void WriteError(std::string_view sText) override;
    void FlushOut() override;
    bool OutIsTerminal() const override { return bOutTerminal; }
    bool ErrorIsTerminal() const override { return bErrorTerminal; }

    // False when some output to stdout never arrived (a full disk, a closed
    // pipe): flushes what is left first.
    bool AllOutputWritten();

private:
    const bool bOutTerminal;
    const bool bErrorTerminal;
};

}  // namespace Larkspur
