// SPDX-License-Identifier: MIT
#include "extract/CExtractCommand.h"

#include <algorithm>
#include <utility>

namespace Larkspur
{

CExtractCommand::CExtractCommand(CExtraction &Extraction, std::vector<uint32_t> Items)
    : Extraction(Extraction), Items(std::move(Items))
{
    uint64_t uiFiles = 0;
    for (const uint32_t uiItem : this->Items)
        uiFiles += Extraction.GetArchive().GetDirectoryItemFileCount(uiItem);
    uiTotal = static_cast<uint32_t>(std::min<uint64_t>(uiFiles, UINT32_MAX));
}

void CExtractCommand::Run(const std::string &sFolder, IExtractionHook &Hook)
{
    IConsole &Console = Extraction.GetConsole();
    Extraction.BeginCommand(Hook);
    Console.WriteLine("Extracting to " + sFolder + ".", ELineColor::Green);
    for (const uint32_t uiItem : Items)
        Extraction.ExtractItem(sFolder, uiItem);
    Console.WriteLine("Done.", ELineColor::Green);
    Extraction.EndCommand();
}

}  // namespace Larkspur
