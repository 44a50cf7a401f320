// SPDX-License-Identifier: MIT
// The engine's files: each one written through ExtractFile, from the runs of
// its data as one checked description gives them.

#include "extract/CExtraction.h"

#include "extract/CExtractionLevel.h"
#include "extract/COutputFile.h"

#include "archive/CGCF.h"
#include "archive/CItemData.h"
#include "extract/TempSpace.h"
#include "window/Utils.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace Larkspur
{

bool CExtraction::ExtractFileItem(SFolderLevel &Level, uint32_t uiDirectoryIndex, std::string_view sName)
{
    // A file counts towards the progress before it is written, also when it
    // then fails.
    if (Abort != nullptr)
        Abort->Update(++uiCount);
    if (!ClaimItem(Level, sName))
        return false;
    return ExtractFile(Level, uiDirectoryIndex, sName);
}

void CExtraction::MarkCutShort(std::string_view sPath)
{
    bArchiveCutShort = true;
    WriteRed(sPath, DataWalkReason(EDataWalk::CutShort));
}

bool CExtraction::ExtractFile(const std::string &sDirectory, uint32_t uiBlockEntryIndex)
{
    std::string sPath = sDirectory;
    while (!sPath.empty() && sPath.back() == '/')
        sPath.pop_back();
    SFolderLevel Level(nullptr, {});
    Level.iDescriptor = ::open(sPath.empty() ? "/" : sPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    Level.eState = SFolderLevel::EState::Made;
    Path = CBoundedPath(sPath);
    // Block entries are a GCF's: a VPK set has none to start from.
    const auto *lpGCF = dynamic_cast<const CGCF *>(&Archive);
    GCFBlockEntry Entry;
    bool bWritten = false;
    if (lpGCF == nullptr || !lpGCF->ReadBlockEntry(uiBlockEntryIndex, Entry))
    {
        if (lpGCF != nullptr && uiBlockEntryIndex < lpGCF->GetHeaders().BlockEntryHeader.uiEntryCount)
            MarkCutShort(ShownPath(Level));
        else
            WriteRed(ShownPath(Level), DataWalkReason(EDataWalk::BadEntry));
    }
    else if (lpGCF->GetFirstEntry(Entry.uiOwner) != uiBlockEntryIndex)
    {
        // The entry starts no item's data (or its owner is not in the
        // directory): there is no file to name.
        WriteRed(ShownPath(Level), DataWalkReason(EDataWalk::WrongOwner));
    }
    else
    {
        const bool bOwnScope = !bInCommand;
        if (bOwnScope)
            Scope = std::make_unique<CCommandScope>(Archive);
        const std::string_view sName = Archive.GetDirectoryItemName(Entry.uiOwner);
        bWritten = ClaimItem(Level, sName) && ExtractFile(Level, Entry.uiOwner, sName);
        if (bOwnScope)
            Scope.reset();
    }
    Path = CBoundedPath();
    return bWritten;
}

bool CExtraction::ExtractFile(SFolderLevel &Level, uint32_t uiDirectoryIndex, std::string_view sName)
{
    // Where every byte lies, worked out before the file is touched: bounded
    // by the recorded size, no block used twice in the command, the data the
    // item's own.
    CItemData Data;
    const EDataWalk eData = Scope->DescribeFile(uiDirectoryIndex, Data);
    if (eData == EDataWalk::NoData)
    {
        WriteRed(ShortenedPath(sName), "no physical data to write");
        return false;
    }
    const std::string sPath = ShownPath(Level, sName);
    if (eData == EDataWalk::CutShort)
    {
        MarkCutShort(sPath);
        return false;
    }
    if (!CCommandScope::IsWritten(eData))
    {
        WriteRed(sPath, DataWalkReason(eData));
        return false;
    }
    COutputFile File;
    const EOutput eOpened = OpenOutput(File, Level, sName, sPath);
    if (eOpened != EOutput::Done)
        return eOpened == EOutput::Exists;  // a kept file counts as extracted
    return WriteRuns(File, sPath, Data) &&
           ReportWritten(sPath, eData, Data.GetSize(), Archive.GetDirectoryItemSize(uiDirectoryIndex));
}

EOutput CExtraction::OpenOutput(COutputFile &File, const SFolderLevel &Level, std::string_view sName,
                                const std::string &sPath)
{
    const SOutputResult Opened = File.OpenAt(Level.iDescriptor, std::string(sName), Archive, !bKeepExisting);
    switch (Opened.eOutput)
    {
    case EOutput::Done:
        break;
    case EOutput::IsArchive:
        WriteRed(sPath, "the archive itself");
        break;
    case EOutput::Exists:
        Console.WriteLine("Kept " + sPath + " (it exists).", ELineColor::Gray);
        break;
    case EOutput::Failed:
    case EOutput::SourceUnreadable:  // (an open reads nothing of the archive)
        Console.WriteFailure("Could not open " + sPath + " for writing.", Opened.iSystemError);
        break;
    }
    return Opened.eOutput;
}

bool CExtraction::WriteRuns(COutputFile &File, const std::string &sPath, const CItemData &Data)
{
    SOutputResult Written;
    for (const SDataRun &Run : Data.GetRuns())
    {
        if (!(Written = File.Append(Run)))
            break;
    }
    // What was written before a failure stays on disk.
    const SOutputResult Closed = File.Close();
    if (Written && Closed)
        return true;
    // The first failure tells why. The kernel reports bytes of the mapping
    // that are gone as a bad address: the archive was cut short, not the disk.
    const SOutputResult &Failure = Written ? Closed : Written;
    if (Failure.eOutput == EOutput::SourceUnreadable || Archive.IsCutShort())
        MarkCutShort(sPath);
    else
        WriteRed(sPath, "fwrite() failure", Failure.iSystemError);
    return false;
}

bool CExtraction::ReportWritten(const std::string &sPath, EDataWalk eData, uint64_t uiWritten, uint64_t uiItemSize)
{
    if (eData != EDataWalk::Complete && eData != EDataWalk::TooLong)
    {
        WriteRed(sPath, DataWalkReason(eData));
        return false;
    }
    // More data than the recorded size: the file holds the recorded size.
    if (eData == EDataWalk::TooLong)
        WriteRed(sPath, DataWalkReason(eData));
    else if (uiWritten == uiItemSize)
        Console.WriteLine("Wrote " + sPath + " (" + LargeSizeText(uiItemSize).toStdString() + ").", ELineColor::Gray);
    else
        WriteRed(sPath, Utils::GroupedNumber(uiWritten).toStdString() + " B / " +
                            Utils::GroupedNumber(uiItemSize).toStdString() + " B written");
    return true;
}

}  // namespace Larkspur
