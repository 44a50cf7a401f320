// SPDX-License-Identifier: MIT
#include "cli/DataCommands.h"

#include "archive/CItemData.h"
#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "cli/CMountTree.h"
#include "extract/CCommandScope.h"
#include "dialogs/ItemChecksums.h"
#include "extract/CExtraction.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <memory>
#include <string_view>
#include <unordered_set>

namespace Larkspur
{

namespace
{

const char *const CUT_SHORT_ERROR =
    "Error:\nThe archive was cut short while it was open; the items not reached were not hashed.\n";

// A folder of the walk whose items are being hashed: its depth in the path
// and the names its items have taken, so that a second item of one name is
// refused as extract refuses it. A refused folder's items are passed over.
struct SHashFolder
{
    uint32_t uiSlot;
    size_t uiDepth;
    bool bRefused;
    std::unordered_set<std::string_view> Names;
};

// Lists exactly the files that "extract -o DIR" with the same items writes
// whole and that sha256sum -c can open below DIR: the walk, the names taken,
// the items reached twice and the data blocks used follow the extraction's
// rules (CCommandScope) in the extraction's order.
class CHashRun
{
public:
    CHashRun(const SCliContext &Context, const IArchive &Archive, bool bCrc32)
        : Context(Context), Archive(Archive), Scope(Archive), Report(Context.Output),
          eSum(bCrc32 ? EChecksums::Crc32 : EChecksums::Sha256), bTerminal(Context.Output.OutIsTerminal())
    {
    }

    // Hashes every file below uiStart; false when the archive was found cut
    // short (nothing more can be read then) or a stop was asked for.
    bool HashBelow(uint32_t uiStart)
    {
        Scope.BeginItem();
        std::vector<SDirectoryWalkItem> Walk;
        const bool bComplete = Archive.WalkDirectory(uiStart, Walk);
        std::vector<SHashFolder> Open;
        CBoundedPath Path;
        for (uint32_t uiSlot = 0; uiSlot < Walk.size(); ++uiSlot)
        {
            if (InterruptSignal() != 0)
                return false;
            const uint32_t uiIndex = Walk[uiSlot].uiDirectoryIndex;
            while (!Open.empty() && Open.back().uiSlot != Walk[uiSlot].uiParentSlot)
                Open.pop_back();
            const bool bFolder = Archive.IsFolder(uiIndex);
            SHashFolder *lpFolder = Open.empty() ? nullptr : &Open.back();
            // Items that an earlier item of the command reached are done;
            // so are those of a refused folder.
            if ((lpFolder && lpFolder->bRefused) || Scope.Reach(uiIndex) == EReach::Again)
            {
                if (bFolder)
                    Open.push_back({uiSlot, 0, true, {}});
                continue;
            }

            const std::string_view sName = Archive.GetDirectoryItemName(uiIndex);
            Path.Truncate(lpFolder ? lpFolder->uiDepth : 0);
            Path.Push(lpFolder ? '/' : '\0', sName);
            const char *szRefusal = nullptr;
            if (!CExtraction::IsSafeItemName(sName))
                szRefusal = "unsafe name";
            else if (sName.size() > MAX_FILE_NAME_BYTES)  // no file system takes it
                szRefusal = MountLeftOutReason(EMountLeftOut::NameTooLong);
            else if (!(lpFolder ? lpFolder->Names.insert(sName).second : Scope.TakeTopName(sName)))
                szRefusal = "a second item of this name in the folder";
            if (szRefusal)
                Fail(Path, szRefusal);
            if (bFolder)
                Open.push_back({uiSlot, Path.Depth(), szRefusal != nullptr, {}});
            else if (!szRefusal && !HashFile(uiIndex, Path))
                return false;
        }
        if (!bComplete)
        {
            Context.Output.WriteError("Error:\nThe archive's directory is damaged; the hashing stops where it could "
                                      "not be followed.\n");
            bFailed = true;
        }
        return true;
    }

    bool AnyFailed() const { return bFailed; }
    void Finish() { Report.Finish(); }

private:
    bool HashFile(uint32_t uiIndex, const CBoundedPath &Path)
    {
        // The data as the extraction takes it: with the command's blocks.
        CItemData Data;
        const EDataWalk eWalk = Scope.DescribeFile(uiIndex, Data);
        if (eWalk == EDataWalk::CutShort)
        {
            Fail(Path, DataWalkReason(eWalk));
            return false;
        }
        if (eWalk == EDataWalk::NoData)
        {
            Fail(Path, "no physical data to write");
            return true;
        }
        if (eWalk != EDataWalk::Complete)
        {
            Fail(Path, DataWalkReason(eWalk));
            return true;
        }
        // sha256sum -c could not open a longer path.
        if (Path.Size() >= MAX_WHOLE_PATH_BYTES)
        {
            Fail(Path, "a path of 4,096 bytes or more");
            return true;
        }
        CItemChecksums Sums(Archive, uiIndex, eSum);
        switch (Sums.Run())
        {
        case EChecksumState::Done:
            break;
        case EChecksumState::CutShort:
            Fail(Path, Sums.Problem());
            return false;
        default:
            Fail(Path, Sums.Problem());
            return true;
        }
        bool bEscaped = false;
        const std::string sShownPath = ChecksumPath(Path.Text(), bEscaped);
        sLine.clear();
        if (bEscaped)
            sLine += '\\';
        sLine += eSum == EChecksums::Crc32 ? Sums.Crc32Text() : Sums.Sha256Text();
        sLine += "  ";
        // On a terminal no name may drive it; in a file or a pipe the path
        // stays the bytes that sha256sum -c looks for.
        sLine += bTerminal ? ShownText(sShownPath) : sShownPath;
        sLine += '\n';
        Context.Output.WriteOut(sLine);
        return true;
    }

    void Fail(const CBoundedPath &Path, std::string_view sReason)
    {
        bFailed = true;
        Report.Add("Error hashing ", Path.Shown(), sReason);
    }

    const SCliContext &Context;
    const IArchive &Archive;
    CCommandScope Scope;
    CLeftOutReport Report;
    const EChecksums eSum;
    const bool bTerminal;
    bool bFailed = false;
    std::string sLine;
};

}  // namespace

std::string ChecksumPath(std::string_view sPath, bool &bEscaped)
{
    bEscaped = false;
    std::string sEscaped;
    sEscaped.reserve(sPath.size());
    for (const char cChar : sPath)
    {
        switch (cChar)
        {
        case '\\': sEscaped += "\\\\"; bEscaped = true; break;
        case '\n': sEscaped += "\\n"; bEscaped = true; break;
        case '\r': sEscaped += "\\r"; bEscaped = true; break;
        default: sEscaped += cChar; break;
        }
    }
    return sEscaped;
}

int RunHashCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                   bool bCrc32)
{
    std::vector<uint32_t> Indexes;
    const std::unique_ptr<IArchive> Archive = OpenArchiveItems(Context, sArchive, Items, Indexes);
    if (!Archive)
        return CLI_EXIT_USAGE;

    CHashRun Run(Context, *Archive, bCrc32);
    for (const uint32_t uiIndex : Indexes)
    {
        if (!Run.HashBelow(uiIndex))
        {
            Run.Finish();
            if (InterruptSignal() == 0)
                Context.Output.WriteError(CUT_SHORT_ERROR);
            return CLI_EXIT_FAILED;
        }
    }
    Run.Finish();
    return Run.AnyFailed() ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

int RunCatCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sItem)
{
    const std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sArchive);
    if (!Archive)
        return CLI_EXIT_USAGE;
    // One file's bytes: a pattern must name one item.
    const std::vector<uint32_t> Matched = MatchItems(*Archive, sItem);
    if (Matched.size() != 1)
    {
        Context.Output.WriteError((Matched.empty() ? "No such item: " : "More than one item matches: ") +
                                  ShownText(sItem) + "\n");
        return CLI_EXIT_USAGE;
    }
    const uint32_t uiIndex = Matched.front();
    if (Archive->IsFolder(uiIndex))
    {
        Context.Output.WriteError("Not a file: " + ShownText(sItem) + "\n");
        return CLI_EXIT_USAGE;
    }

    const uint64_t uiItemSize = Archive->GetDirectoryItemSize(uiIndex);
    CItemData Data;
    const EDataWalk eWalk = Data.DescribeItem(*Archive, uiIndex);
    // What lies before damage is written, as cat writes a file up to a read
    // error.
    constexpr size_t CHUNK_BYTES = 256u << 10;
    const auto Buffer = std::make_unique<char[]>(CHUNK_BYTES);
    bool bCutShort = eWalk == EDataWalk::CutShort;
    for (uint64_t uiOffset = 0; uiOffset < Data.GetSize() && !bCutShort && InterruptSignal() == 0;)
    {
        size_t uiRead = 0;
        bCutShort = !Data.Read(uiOffset, Buffer.get(), CHUNK_BYTES, uiRead);
        Context.Output.WriteOut(std::string_view(Buffer.get(), uiRead));
        if (uiRead == 0)
            break;
        uiOffset += uiRead;
    }

    const std::string sReason = bCutShort ? DataWalkReason(EDataWalk::CutShort) : DataProblem(uiItemSize, eWalk, Data);
    if (sReason.empty())
        return CLI_EXIT_OK;
    Context.Output.WriteError("Error reading " + ShownText(sItem) + " (" + sReason + ").\n");
    return CLI_EXIT_FAILED;
}

}  // namespace Larkspur
