// SPDX-License-Identifier: MIT
#include "cli/CheckCommands.h"

#include "archive/CItemData.h"
#include "archive/CVPK.h"
#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <memory>
#include <string_view>

namespace Larkspur
{

namespace
{

// Bytes read at a time: large enough that the calls cost nothing, small
// enough to stay in the processor's cache.
constexpr size_t READ_BYTES = 256u << 10;

const char *const TOO_LONG_REASON = "a path of 4,096 bytes or more";

// Hands the described bytes to OnBytes piece by piece; false when a file of
// the archive was cut short under them.
template <class FOnBytes>
bool ReadAll(const CItemData &Data, std::vector<uint8_t> &Buffer, FOnBytes &&OnBytes)
{
    Buffer.resize(static_cast<size_t>(std::min<uint64_t>(READ_BYTES, Data.GetSize())));
    for (uint64_t uiOffset = 0; uiOffset < Data.GetSize();)
    {
        size_t uiRead = 0;
        if (!Data.Read(uiOffset, Buffer.data(), Buffer.size(), uiRead) || uiRead == 0)
            return false;
        OnBytes(Buffer.data(), uiRead);
        uiOffset += uiRead;
    }
    return true;
}

std::string Hex32(uint32_t uiValue)
{
    char cText[9];
    std::snprintf(cText, sizeof cText, "%08" PRIx32, uiValue);
    return cText;
}

// How a recorded MD5 compares with its bytes.
const char *CheckRecordedMD5(const SRecordedMD5 &Sum)
{
    if (!Sum.lpSource->Contains(Sum.uiOffset, Sum.uiLength))
        return "beyond the end of its file";
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> Context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!Context || EVP_DigestInit_ex(Context.get(), EVP_md5(), nullptr) != 1)
        return "MD5 not available";
    std::vector<uint8_t> Buffer(static_cast<size_t>(std::min<uint64_t>(READ_BYTES, Sum.uiLength)));
    for (uint64_t uiDone = 0; uiDone < Sum.uiLength;)
    {
        const size_t uiStep = static_cast<size_t>(std::min<uint64_t>(Buffer.size(), Sum.uiLength - uiDone));
        if (!Sum.lpSource->ReadBytes(Sum.uiOffset + uiDone, Buffer.data(), uiStep))
            return DataWalkReason(EDataWalk::CutShort);
        EVP_DigestUpdate(Context.get(), Buffer.data(), uiStep);
        uiDone += uiStep;
    }
    std::array<uint8_t, EVP_MAX_MD_SIZE> Digest{};
    unsigned int uiDigestSize = 0;
    EVP_DigestFinal_ex(Context.get(), Digest.data(), &uiDigestSize);
    return uiDigestSize == Sum.MD5.size() && std::equal(Sum.MD5.begin(), Sum.MD5.end(), Digest.begin())
               ? nullptr
               : "MD5 mismatch";
}

// The location of an item as every command writes it ("root/maps"), built
// up from the item, as a line shows it.
std::string ShownLocation(const IArchive &Archive, uint32_t uiIndex)
{
    std::vector<std::string_view> Names;
    for (uint32_t uiStep = 0; uiStep < Archive.GetItemCount() && Archive.IsValidDirectoryIndex(uiIndex); ++uiStep)
    {
        Names.push_back(Archive.GetDirectoryItemName(uiIndex));
        uiIndex = Archive.GetDirectoryItemParent(uiIndex);
    }
    CBoundedPath Path;
    for (auto It = Names.rbegin(); It != Names.rend(); ++It)
        Path.Push(Path.Depth() == 0 ? '\0' : '/', *It);
    return Path.Shown();
}

// One verify command: the files in the folder tree's order, then what the
// set records of itself.
class CVerifyRun
{
public:
    CVerifyRun(const SCliContext &Context, const IArchive &Archive)
        : Context(Context), Archive(Archive), Claims(Archive.MakeClaims()), Seen(Archive.GetItemCount(), 0)
    {
    }

    // False when a stop was asked for.
    bool VerifyBelow(uint32_t uiStart)
    {
        const bool bComplete = WalkLocations(Archive, uiStart, [this](uint32_t uiIndex, const CBoundedPath &Location) {
            if (InterruptSignal() != 0)
                return false;
            if (!Archive.IsFolder(uiIndex) && Seen[uiIndex] == 0)
            {
                Seen[uiIndex] = 1;
                VerifyFile(uiIndex, Location.Shown());
            }
            return true;
        });
        if (!bComplete && InterruptSignal() == 0)
        {
            Context.Output.WriteError("Error:\nThe archive's directory is damaged; the verifying stops where it "
                                      "could not be followed.\n");
            bFailed = true;
        }
        return InterruptSignal() == 0;
    }

    // Entries a VPK set's tree holds that are not in its tree (a second
    // entry of one name, a name too long to write).
    void ReportLeftOut()
    {
        const auto *lpVPK = dynamic_cast<const CVPK *>(&Archive);
        if (lpVPK == nullptr)
            return;
        for (const SVPKLeftOut &Item : lpVPK->GetLeftOutItems())
        {
            uiFiles += Item.uiFiles;
            uiFailedFiles += Item.uiFiles;
            Fail(ShownLocation(Archive, Item.uiFolder) + "/" + ShownText(Item.sName) + ": " +
                 VPKDamageReason(Item.eReason));
        }
    }

    // The data files that hold the files verified, or with bChunks any
    // chunk, and are not there: one line each.
    void ReportMissing(bool bChunks)
    {
        if (bChunks)
            for (const SRecordedMD5 &Sum : Archive.GetRecordedMD5s())
                if (Sum.lpSource == nullptr)
                    MissingFiles.try_emplace(Sum.sFile, 0);
        for (const auto &[sFile, uiCount] : MissingFiles)
            Fail("missing data file " + ShownText(sFile) + " (" + std::to_string(uiCount) +
                 (uiCount == 1 ? " file)" : " files)"));
    }

    // The tree's and the archive MD5 section's sums, and with bChunks each
    // chunk's; those of a missing data file are told by its line.
    void VerifyRecordedMD5s(bool bChunks)
    {
        for (const SRecordedMD5 &Sum : Archive.GetRecordedMD5s())
        {
            if (InterruptSignal() != 0)
                return;
            if (Sum.lpSource == nullptr || (!bChunks && Sum.sWhat.starts_with("chunk ")))
                continue;
            if (const char *szProblem = CheckRecordedMD5(Sum))
                Fail(ShownText(Sum.sWhat) + ": " + szProblem);
        }
    }

    void WriteSummary()
    {
        Context.Output.WriteOut("Verified " + std::to_string(uiFiles) + " files: " + std::to_string(uiFailedFiles) +
                                " failed.\n");
    }
    bool AnyFailed() const { return bFailed; }

private:
    void VerifyFile(uint32_t uiIndex, const std::string &sShownPath)
    {
        ++uiFiles;
        const EDataWalk eData = Data.DescribeItem(Archive, uiIndex, Claims.get());
        const std::string sDataFile = Archive.GetDataFileName(uiIndex);
        if (eData == EDataWalk::MissingDataFile && !sDataFile.empty())
        {
            ++uiFailedFiles;
            ++MissingFiles[sDataFile];
            return;
        }
        std::string sProblem = DataProblem(Archive.GetDirectoryItemSize(uiIndex), eData, Data);
        const std::optional<uint32_t> Stored = Archive.GetStoredCrc32(uiIndex);
        if (sProblem.empty() && Stored)
        {
            uint32_t uiCrc = static_cast<uint32_t>(crc32_z(0, nullptr, 0));
            if (!ReadAll(Data, Buffer, [&uiCrc](const uint8_t *lpBytes, size_t uiBytes)
                         { uiCrc = static_cast<uint32_t>(crc32_z(uiCrc, lpBytes, uiBytes)); }))
                sProblem = DataWalkReason(EDataWalk::CutShort);
            else if (uiCrc != *Stored)
                sProblem = "CRC mismatch (stored " + Hex32(*Stored) + ", computed " + Hex32(uiCrc) + ")";
        }
        if (sProblem.empty())
            return;
        ++uiFailedFiles;
        Fail(ShownText(sShownPath) + ": " + sProblem);
    }

    void Fail(const std::string &sLine)
    {
        bFailed = true;
        Context.Output.WriteOut(sLine + "\n");
    }

    const SCliContext &Context;
    const IArchive &Archive;
    const std::unique_ptr<IDataClaims> Claims;
    std::vector<uint8_t> Seen;  // per directory index: verified already (named by two items)
    std::map<std::string, uint32_t> MissingFiles;  // by name: files of the items stored there
    CItemData Data;
    std::vector<uint8_t> Buffer;
    uint64_t uiFiles = 0, uiFailedFiles = 0;
    bool bFailed = false;
};

// One side of a diff: the archive and its files by path, sorted by the
// path's bytes. A path that two files share (a GCF folder may hold two items
// of one name) is the first's, as extract writes the first.
struct SDiffSide
{
    std::unique_ptr<IArchive> Archive;
    std::unique_ptr<IDataClaims> Claims;
    std::vector<std::pair<std::string, uint32_t>> Files;
};

// False when the directory is damaged (the files before the damage are
// listed) or a stop was asked for.
bool ListFiles(const SCliContext &Context, SDiffSide &Side, CLeftOutReport &Report)
{
    const bool bComplete = WalkLocations(*Side.Archive, 0, [&](uint32_t uiIndex, const CBoundedPath &Location) {
        if (InterruptSignal() != 0)
            return false;
        if (Side.Archive->IsFolder(uiIndex))
            return true;
        if (Location.Size() >= MAX_WHOLE_PATH_BYTES)
            Report.Add("Error comparing ", Location.Shown(), TOO_LONG_REASON);
        else
            Side.Files.emplace_back(Location.Text(), uiIndex);
        return true;
    });
    std::stable_sort(Side.Files.begin(), Side.Files.end(),
                     [](const auto &A, const auto &B) { return A.first < B.first; });
    Side.Files.erase(std::unique(Side.Files.begin(), Side.Files.end(),
                                 [](const auto &A, const auto &B) { return A.first == B.first; }),
                     Side.Files.end());
    if (!bComplete && InterruptSignal() == 0)
        Context.Output.WriteError("Error:\nThe archive's directory is damaged; the comparison stops where it could "
                                  "not be followed:\n" + ShownText(Side.Archive->GetFileName()) + "\n");
    return bComplete;
}

enum class EContents
{
    Same,
    Different,
    Unreadable,  // the reason is in sProblem
};

// The contents of two files of equal size: by their stored CRC32s where
// both record one, else by their bytes.
EContents CompareContents(SDiffSide &A, uint32_t uiA, SDiffSide &B, uint32_t uiB, std::string &sProblem)
{
    const std::optional<uint32_t> CrcA = A.Archive->GetStoredCrc32(uiA), CrcB = B.Archive->GetStoredCrc32(uiB);
    if (CrcA && CrcB)
        return *CrcA == *CrcB ? EContents::Same : EContents::Different;
    CItemData DataA, DataB;
    const EDataWalk eA = DataA.DescribeItem(*A.Archive, uiA, A.Claims.get());
    const EDataWalk eB = DataB.DescribeItem(*B.Archive, uiB, B.Claims.get());
    // The sizes are the same: so is each side's data when it is all there.
    sProblem = DataProblem(A.Archive->GetDirectoryItemSize(uiA), eA, DataA);
    if (sProblem.empty())
        sProblem = DataProblem(B.Archive->GetDirectoryItemSize(uiB), eB, DataB);
    if (!sProblem.empty())
        return EContents::Unreadable;
    std::vector<uint8_t> BufferB(static_cast<size_t>(std::min<uint64_t>(READ_BYTES, DataB.GetSize())));
    std::vector<uint8_t> BufferA;
    uint64_t uiOffset = 0;
    bool bSame = true;
    const bool bRead = ReadAll(DataA, BufferA, [&](const uint8_t *lpBytes, size_t uiBytes) {
        size_t uiRead = 0;
        if (bSame && (!DataB.Read(uiOffset, BufferB.data(), uiBytes, uiRead) || uiRead != uiBytes ||
                      !std::equal(lpBytes, lpBytes + uiBytes, BufferB.begin())))
            bSame = false;
        uiOffset += uiBytes;
    });
    if (!bRead || (!bSame && (A.Archive->IsCutShort() || B.Archive->IsCutShort())))
    {
        sProblem = DataWalkReason(EDataWalk::CutShort);
        return EContents::Unreadable;
    }
    return bSame ? EContents::Same : EContents::Different;
}

}  // namespace

int RunVerifyCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items)
{
    std::vector<uint32_t> Starts;
    const std::unique_ptr<IArchive> Archive = OpenArchiveItems(Context, sArchive, Items, Starts);
    if (!Archive)
        return CLI_EXIT_USAGE;

    CVerifyRun Run(Context, *Archive);
    for (const uint32_t uiStart : Starts)
        if (!Run.VerifyBelow(uiStart))
            return CLI_EXIT_FAILED;
    // The whole set: its entries left out of the tree, and its chunks.
    const bool bWhole = Items.empty();
    if (bWhole)
        Run.ReportLeftOut();
    Run.ReportMissing(bWhole);
    Run.VerifyRecordedMD5s(bWhole);
    if (InterruptSignal() != 0)
        return CLI_EXIT_FAILED;
    Run.WriteSummary();
    return Run.AnyFailed() ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

int RunDiffCommand(const SCliContext &Context, const std::string &sFirst, const std::string &sSecond, bool bStat)
{
    SDiffSide A, B;
    A.Archive = OpenArchiveForCli(Context, sFirst);
    B.Archive = A.Archive ? OpenArchiveForCli(Context, sSecond) : nullptr;
    if (!A.Archive || !B.Archive)
        return CLI_EXIT_USAGE;
    A.Claims = A.Archive->MakeClaims();
    B.Claims = B.Archive->MakeClaims();
    CLeftOutReport Report(Context.Output);
    bool bFailed = !ListFiles(Context, A, Report);
    bFailed = !ListFiles(Context, B, Report) || bFailed;
    if (InterruptSignal() != 0)
        return CLI_EXIT_FAILED;

    // Both lists are sorted: one pass pairs the paths.
    uint64_t uiOnlyA = 0, uiOnlyB = 0, uiChanged = 0;
    const auto Line = [&](char cMark, const std::string &sPath)
    {
        if (!bStat)
            Context.Output.WriteOut(std::string(1, cMark) + " " + ShownText(sPath) + "\n");
    };
    for (size_t a = 0, b = 0; (a < A.Files.size() || b < B.Files.size()) && InterruptSignal() == 0;)
    {
        const int iOrder = a == A.Files.size()   ? 1
                           : b == B.Files.size() ? -1
                                                 : A.Files[a].first.compare(B.Files[b].first);
        if (iOrder != 0)
        {
            ++(iOrder < 0 ? uiOnlyA : uiOnlyB);
            Line(iOrder < 0 ? '-' : '+', iOrder < 0 ? A.Files[a++].first : B.Files[b++].first);
            continue;
        }
        const auto &[sPath, uiA] = A.Files[a++];
        const uint32_t uiB = B.Files[b++].second;
        std::string sProblem;
        const EContents eContents = A.Archive->GetDirectoryItemSize(uiA) != B.Archive->GetDirectoryItemSize(uiB)
                                        ? EContents::Different
                                        : CompareContents(A, uiA, B, uiB, sProblem);
        if (eContents == EContents::Unreadable)
            Report.Add("Error comparing ", ShortenedPath(sPath), sProblem);
        if (eContents == EContents::Different)
        {
            ++uiChanged;
            Line('M', sPath);
        }
    }
    if (InterruptSignal() != 0)
        return CLI_EXIT_FAILED;
    if (bStat)
        Context.Output.WriteOut(std::to_string(uiOnlyA) + " only in A, " + std::to_string(uiOnlyB) + " only in B, " +
                                std::to_string(uiChanged) + " changed\n");
    Report.Finish();
    if (bFailed || Report.GetCount() > 0)
        return CLI_EXIT_FAILED;
    return uiOnlyA + uiOnlyB + uiChanged > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

}  // namespace Larkspur
