// SPDX-License-Identifier: MIT
#pragma once
// One Extract command, the same in the window and in the command-line tool:
// it counts the files the chosen items hold, hands the engine the front
// end's hook for progress and abort, writes "Extracting to" and "Done." on
// the engine's console, extracts the items in order, and ends the engine's
// run again. A front end only picks the folder and the items and supplies
// its hook (the abort dialog, or the tool's progress bar and Ctrl+C).

#include "extract/CExtraction.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Larkspur
{

class CExtractCommand
{
public:
    // Counts the files below every item now. An item named twice (a search
    // can list a folder and the items inside it) counts twice; the total
    // stops at the largest 32-bit count.
    CExtractCommand(CExtraction &Extraction, std::vector<uint32_t> Items);

    // The number of files the command will reach: the progress bar's end.
    uint32_t GetTotal() const { return uiTotal; }

    // Extracts every item into sFolder, with Hook deciding progress, event
    // processing and abort for the whole run. After an abort the remaining
    // items return at their first check; "Done." is written either way. The
    // items share one scope (CCommandScope): an item reached twice is
    // written once, one name in sFolder is taken by the first item bound
    // for it, and no data block is written twice.
    void Run(const std::string &sFolder, IExtractionHook &Hook);

private:
    CExtraction &Extraction;
    const std::vector<uint32_t> Items;
    uint32_t uiTotal = 0;
};

}  // namespace Larkspur
