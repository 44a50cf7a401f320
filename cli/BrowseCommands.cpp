// SPDX-License-Identifier: MIT
#include "cli/BrowseCommands.h"

#include "archive/CGCF.h"
#include "archive/CVPK.h"
#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "dialogs/Search.h"
#include "window/ItemTexts.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <QJsonDocument>
#include <QJsonObject>

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

// One object on one line, as JSON Lines takes it. JSON escapes the C0
// controls itself; bShown masks the others too (ShownText), for a terminal.
std::string JsonLine(const QJsonObject &Object, bool bShown = false)
{
    const std::string sText = QJsonDocument(Object).toJson(QJsonDocument::Compact).toStdString();
    return (bShown ? ShownText(sText) : sText) + "\n";
}

// A location with each name decoded as the window decodes it (UTF-8, else
// Latin-1).
QString DecodedLocation(std::string_view sLocation)
{
    QString sDecoded;
    for (size_t uiStart = 0;;)
    {
        const size_t uiEnd = sLocation.find('/', uiStart);
        sDecoded += Utils::DecodeName(sLocation.substr(uiStart, uiEnd - uiStart));
        if (uiEnd == std::string_view::npos)
            return sDecoded;
        sDecoded += u'/';
        uiStart = uiEnd + 1;
    }
}

// One item's line of the listing in the form asked for; bTerminal when it
// goes to a terminal. Only a GCF has flags.
std::string ListLine(const IArchive &Archive, uint32_t uiIndex, std::string_view sLocation, EListForm eForm,
                     bool bTerminal)
{
    const bool bFolder = Archive.IsFolder(uiIndex);
    const EItemType eType = bFolder ? EItemType::Folder : EItemType::File;
    const uint64_t uiItemSize = Archive.GetDirectoryEntrySize(uiIndex);
    if (eForm == EListForm::Json)
    {
        QJsonObject Item{{"path", DecodedLocation(sLocation)},
                         {"type", bFolder ? "folder" : "file"},
                         {bFolder ? "items" : "size", static_cast<qint64>(uiItemSize)}};
        if (const auto *lpGCF = dynamic_cast<const CGCF *>(&Archive))
            Item.insert("flags", qint64{lpGCF->GetDirectoryEntry(uiIndex)->uiFlags});
        if (!bFolder)
            Item.insert("data", Archive.HasData(uiIndex));
        return JsonLine(Item, bTerminal);
    }
    std::string sLine(ShownText(sLocation));
    sLine += '\t';
    if (bFolder)
        sLine += ToOutput(ItemCountToString(static_cast<uint32_t>(uiItemSize)));
    else
        sLine += eForm == EListForm::Bytes ? Decimal(uiItemSize) : SizeText(uiItemSize, false);
    sLine += '\t';
    sLine += ShownText(ToOutput(ItemTypeText(eType, Utils::DecodeName(Archive.GetDirectoryItemName(uiIndex)))));
    sLine += '\n';
    return sLine;
}

int WriteGCFInfo(const SCliContext &Context, const CGCF &GCFFile, bool bJson)
{
    const GCFHeader &Header = GCFFile.GetHeaders().Header;
    const GCFDataBlockHeader &DataBlockHeader = GCFFile.GetHeaders().DataBlockHeader;
    if (bJson)
    {
        Context.Output.WriteOut(JsonLine(QJsonObject{
            {"version", qint64{Header.uiVersion}},
            {"size", qint64{Header.uiRecordedSize}},
            {"used_blocks", qint64{DataBlockHeader.uiUsedBlocks}},
            {"total_blocks", qint64{DataBlockHeader.uiTotalBlocks}},
            {"items", qint64{GCFFile.GetItemCount()}},
            {"folders", qint64{GCFFile.GetDirectoryItemFolderCount(0)}},
            {"files", qint64{GCFFile.GetDirectoryItemFileCount(0)}},
            {"data_size", static_cast<qint64>(GCFFile.GetDirectoryItemSize(0))},
            {"size_on_disk", static_cast<qint64>(GCFFile.GetDirectoryItemSizeOnDisk(0))},
        }));
        return CLI_EXIT_OK;
    }
    std::string sText;
    sText += "Version: " + Decimal(Header.uiVersion) + "\n";
    sText += "Size: " + SizeText(Header.uiRecordedSize, false) + "\n";
    sText += "Blocks: " + Decimal(DataBlockHeader.uiUsedBlocks) + "/" + Decimal(DataBlockHeader.uiTotalBlocks) + "\n";
    sText += "Items: " + Decimal(GCFFile.GetItemCount()) + "\n";
    sText += "Folders: " + Decimal(GCFFile.GetDirectoryItemFolderCount(0)) + "\n";
    sText += "Files: " + Decimal(GCFFile.GetDirectoryItemFileCount(0)) + "\n";
    sText += "Data size: " + SizeText(GCFFile.GetDirectoryItemSize(0), true) + "\n";
    sText += "Size on disk: " + SizeText(GCFFile.GetDirectoryItemSizeOnDisk(0), true) + "\n";
    Context.Output.WriteOut(sText);
    return CLI_EXIT_OK;
}

// A VPK set: its version, the data files its entries name, its files and
// folders, the size of their data and, in version 2, whether it is signed.
int WriteVPKInfo(const SCliContext &Context, const CVPK &VPK, bool bJson)
{
    const SVPKSummary &Summary = VPK.GetSummary();
    const bool bVersion2 = Summary.uiVersion == 2;
    if (bJson)
    {
        QJsonObject Fields{
            {"format", "vpk"},
            {"version", qint64{Summary.uiVersion}},
            {"data_files", qint64{Summary.uiDataFileCount}},
            {"files", qint64{Summary.uiFileCount}},
            {"folders", qint64{Summary.uiFolderCount}},
            {"data_size", static_cast<qint64>(Summary.uiDataSize)},
        };
        if (bVersion2)
            Fields.insert("signature", Summary.bSignature);
        Context.Output.WriteOut(JsonLine(Fields));
        return CLI_EXIT_OK;
    }
    std::string sText;
    sText += "Format: VPK\n";
    sText += "Version: " + Decimal(Summary.uiVersion) + "\n";
    sText += "Data files: " + Decimal(Summary.uiDataFileCount) + "\n";
    sText += "Files: " + Decimal(Summary.uiFileCount) + "\n";
    sText += "Folders: " + Decimal(Summary.uiFolderCount) + "\n";
    sText += "Data size: " + SizeText(Summary.uiDataSize, true) + "\n";
    if (bVersion2)
        sText += std::string("Signature: ") + (Summary.bSignature ? "present" : "absent") + "\n";
    Context.Output.WriteOut(sText);
    return CLI_EXIT_OK;
}

}  // namespace

int RunInfoCommand(const SCliContext &Context, const std::string &sArchive, bool bJson)
{
    const std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sArchive);
    if (!Archive)
        return CLI_EXIT_USAGE;
    if (const auto *lpVPK = dynamic_cast<const CVPK *>(Archive.get()))
        return WriteVPKInfo(Context, *lpVPK, bJson);
    return WriteGCFInfo(Context, dynamic_cast<const CGCF &>(*Archive), bJson);
}

int RunListCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                   EListForm eForm)
{
    std::vector<uint32_t> Starts;
    const std::unique_ptr<IArchive> Archive = OpenArchiveItems(Context, sArchive, Items, Starts);
    if (!Archive)
        return CLI_EXIT_USAGE;

    // One line per item as it is reached: the output is never held whole.
    // No name may drive a terminal; in a file or a pipe JSON keeps the
    // names' characters.
    const bool bTerminal = Context.Output.OutIsTerminal();
    CLeftOutReport Report(Context.Output);
    bool bDamaged = false;
    for (const uint32_t uiStart : Starts)
    {
        const bool bComplete = WalkLocations(*Archive, uiStart, [&](uint32_t uiIndex, const CBoundedPath &Location) {
            if (InterruptSignal() != 0)
                return false;
            if (Location.Size() >= MAX_WHOLE_PATH_BYTES)
            {
                Report.Add("Error listing ", Location.Shown(), "a path of 4,096 bytes or more");
                return true;
            }
            Context.Output.WriteOut(ListLine(*Archive, uiIndex, Location.Text(), eForm, bTerminal));
            return true;
        });
        if (InterruptSignal() != 0)
            break;
        if (!bComplete)
        {
            Context.Output.WriteError(
                "Error:\nThe archive's directory is damaged; the listing stops where it could not be followed.\n");
            bDamaged = true;
        }
    }
    Report.Finish();
    return bDamaged || Report.GetCount() > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

int RunDumpCommand(const SCliContext &Context, const std::string &sArchive)
{
    const std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sArchive, true);
    if (!Archive)
        return CLI_EXIT_USAGE;
    // The dump shows a GCF's headers; a VPK set has nothing of the kind.
    const auto *lpGCF = dynamic_cast<const CGCF *>(Archive.get());
    if (lpGCF == nullptr)
    {
        Context.Output.WriteError("dump reads GCF archives only.\n");
        return CLI_EXIT_USAGE;
    }

    // The dump itself says nothing; a folder that cannot take the file, or a
    // dump.txt that is a link or no regular file, is found out here, so that
    // a dump never written is not reported as done.
    if (!lpGCF->Dump())
    {
        Context.Output.WriteError("Error:\nCould not write dump.txt in the current folder.\n");
        return CLI_EXIT_FAILED;
    }
    return CLI_EXIT_OK;
}

int RunFindCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sText)
{
    const std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sArchive);
    if (!Archive)
        return CLI_EXIT_USAGE;

    // Each match is written as it is found, its location built as the walk
    // goes: a deep archive costs time, not memory.
    const CSearchMatch Match(Utils::DecodeName(sText));
    uint64_t uiMatches = 0;
    std::string sLine;
    CLeftOutReport Report(Context.Output);
    const bool bComplete = WalkLocations(*Archive, 0, [&](uint32_t uiIndex, const CBoundedPath &Location) {
        if (InterruptSignal() != 0)
            return false;
        if (!Match.Matches(Archive->GetDirectoryItemName(uiIndex)))
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
    // Only the locations go to stdout, for the next command to read; the
    // count is for people.
    Context.Output.WriteError(ShownText(SearchResultLine(sText, uiMatches)) + "\n");
    return uiMatches == 0 || Report.GetCount() > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

}  // namespace Larkspur
