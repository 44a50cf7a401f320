// SPDX-License-Identifier: MIT
#include "cli/BrowseCommands.h"

#include "archive/CGCF.h"
#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "dialogs/Search.h"
#include "window/ItemTexts.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <string>

namespace Larkspur
{

namespace
{

std::string ToOutput(const QString &sText)
{
    const QByteArray Utf8 = sText.toUtf8();
    return std::string(Utf8.constData(), static_cast<size_t>(Utf8.size()));
}

std::string Decimal(uint64_t uiNumber)
{
    return std::to_string(uiNumber);
}

}  // namespace

int RunInfoCommand(const SCliContext &Context, const std::string &sArchive)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    std::string sText;
    const GCFHeader &Header = GCFFile.GetHeaders().Header;
    const GCFDataBlockHeader &DataBlockHeader = GCFFile.GetHeaders().DataBlockHeader;
    sText += "Version: " + Decimal(Header.uiVersion) + "\n";
    sText += "Size: " + ToOutput(Utils::FileSizeToString(Header.uiRecordedSize)) + "\n";
    sText += "Blocks: " + Decimal(DataBlockHeader.uiUsedBlocks) + "/" + Decimal(DataBlockHeader.uiTotalBlocks) + "\n";
    sText += "Items: " + Decimal(GCFFile.GetItemCount()) + "\n";
    sText += "Folders: " + Decimal(GCFFile.GetDirectoryItemFolderCount(0)) + "\n";
    sText += "Files: " + Decimal(GCFFile.GetDirectoryItemFileCount(0)) + "\n";
    sText += "Data size: " + ToOutput(Utils::FileSizeToString(GCFFile.GetDirectoryItemSize(0), true)) + "\n";
    sText += "Size on disk: " + ToOutput(Utils::FileSizeToString(GCFFile.GetDirectoryItemSizeOnDisk(0), true)) + "\n";
    Context.Output.WriteOut(sText);
    return CLI_EXIT_OK;
}

int RunListCommand(const SCliContext &Context, const std::string &sArchive, const std::optional<std::string> &sItem)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    uint32_t uiStart = 0;
    if (sItem && !ResolveItem(GCFFile, *sItem, uiStart))
    {
        Context.Output.WriteError("No such item: " + ShownText(*sItem) + "\n");
        return CLI_EXIT_USAGE;
    }

    // One line per item as it is reached: the output is never held whole.
    std::string sLine;
    CLeftOutReport Report(Context.Output);
    const bool bComplete = WalkLocations(GCFFile, uiStart, [&](uint32_t uiIndex, const CBoundedPath &Location) {
        if (InterruptSignal() != 0)
            return false;
        if (Location.Size() >= MAX_WHOLE_PATH_BYTES)
        {
            Report.Add("Error listing ", Location.Shown(), "a path of 4,096 bytes or more");
            return true;
        }
        const SItemRow Row = ReadItemRow(GCFFile, uiIndex);
        sLine = ShownText(Location.Text());
        sLine += '\t';
        sLine += ToOutput(ItemSizeText(Row.eType, Row.uiItemSize));
        sLine += '\t';
        sLine += ShownText(ToOutput(ItemTypeText(Row.eType, Row.sName)));
        sLine += '\n';
        Context.Output.WriteOut(sLine);
        return true;
    });
    Report.Finish();
    if (!bComplete)
    {
        Context.Output.WriteError(
            "Error:\nThe archive's directory is damaged; the listing stops where it could not be followed.\n");
        return CLI_EXIT_FAILED;
    }
    return Report.GetCount() > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

int RunDumpCommand(const SCliContext &Context, const std::string &sArchive)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive, true))
        return CLI_EXIT_USAGE;

    // The dump itself says nothing; a folder that cannot take the file, or a
    // dump.txt that is a link or no regular file, is found out here, so that
    // a dump never written is not reported as done.
    if (!GCFFile.Dump())
    {
        Context.Output.WriteError("Error:\nCould not write dump.txt in the current folder.\n");
        return CLI_EXIT_FAILED;
    }
    return CLI_EXIT_OK;
}

int RunFindCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sText)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    // Each match is written as it is found, its location built as the walk
    // goes: a deep archive costs time, not memory.
    const CSearchMatch Match(Utils::DecodeName(sText));
    uint64_t uiMatches = 0;
    std::string sLine;
    CLeftOutReport Report(Context.Output);
    const bool bComplete = WalkLocations(GCFFile, 0, [&](uint32_t uiIndex, const CBoundedPath &Location) {
        if (InterruptSignal() != 0)
            return false;
        if (!Match.Matches(GCFFile.GetDirectoryItemName(uiIndex)))
            return true;
        ++uiMatches;
        if (Location.Size() >= MAX_WHOLE_PATH_BYTES)
        {
            Report.Add("Error listing ", Location.Shown(), "a path of 4,096 bytes or more");
            return true;
        }
        sLine = ShownText(Location.Text());
        sLine += '\n';
        Context.Output.WriteOut(sLine);
        return true;
    });
    Report.Finish();
    if (!bComplete)
    {
        Context.Output.WriteError(
            "Error:\nThe archive's directory is damaged; the search stops where it could not be followed.\n");
        return CLI_EXIT_FAILED;
    }
    if (InterruptSignal() != 0)
        return CLI_EXIT_FAILED;
    Context.Output.WriteOut(ShownText(SearchResultLine(sText, uiMatches)) + "\n");
    return Report.GetCount() > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

}  // namespace Larkspur
