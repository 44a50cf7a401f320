#include "cli/BrowseCommands.h"

#include "archive/CGCF.h"
#include "cli/CliArchive.h"
#include "dialogs/Search.h"
#include "window/ItemTexts.h"
#include "window/Utils.h"

#include <cstdio>
#include <vector>

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
    const GCFHeader &Header = *GCFFile.GetPositions().lpHeader;
    const GCFDataBlockHeader &DataBlockHeader = *GCFFile.GetPositions().lpDataBlockHeader;
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
        Context.Output.WriteError("No such item: " + *sItem + "\n");
        return CLI_EXIT_USAGE;
    }

    std::vector<SDirectoryWalkItem> Items;
    const bool bComplete = GCFFile.WalkDirectory(uiStart, Items);
    std::string sLine;
    for (const SDirectoryWalkItem &Item : Items)
    {
        const uint32_t uiIndex = Item.uiDirectoryIndex;
        const SItemRow Row = ReadItemRow(GCFFile, uiIndex);
        sLine = ItemLocation(GCFFile, uiIndex);
        sLine += '\t';
        sLine += ToOutput(ItemSizeText(Row.eType, Row.uiItemSize));
        sLine += '\t';
        sLine += ToOutput(ItemTypeText(Row.eType, Row.sName));
        sLine += '\n';
        Context.Output.WriteOut(sLine);
    }
    if (!bComplete)
    {
        Context.Output.WriteError(
            "Error:\nThe archive's directory is damaged; the listing stops where it could not be followed.\n");
        return CLI_EXIT_FAILED;
    }
    return CLI_EXIT_OK;
}

int RunDumpCommand(const SCliContext &Context, const std::string &sArchive)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    // The dump itself reports nothing; a folder that cannot take the file is
    // found out here, so that a dump never written is not reported as done.
    std::FILE *lpProbe = std::fopen(GCFFile.GetDumpPath().c_str(), "ab");
    if (!lpProbe)
    {
        Context.Output.WriteError("Error:\nCould not write dump.txt in the current folder.\n");
        return CLI_EXIT_FAILED;
    }
    std::fclose(lpProbe);
    GCFFile.Dump();
    return CLI_EXIT_OK;
}

int RunFindCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sText)
{
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    bool bComplete = true;
    const std::vector<uint32_t> Matches = FindMatchingItems(GCFFile, Utils::DecodeName(sText), &bComplete);
    std::string sOutput;
    for (const uint32_t uiIndex : Matches)
    {
        sOutput += ItemLocation(GCFFile, uiIndex);
        sOutput += '\n';
    }
    Context.Output.WriteOut(sOutput);
    if (!bComplete)
    {
        Context.Output.WriteError(
            "Error:\nThe archive's directory is damaged; the search stops where it could not be followed.\n");
        return CLI_EXIT_FAILED;
    }
    Context.Output.WriteOut(SearchResultLine(sText, Matches.size()) + "\n");
    return CLI_EXIT_OK;
}

}  // namespace Larkspur
