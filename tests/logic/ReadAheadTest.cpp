// SPDX-License-Identifier: MIT
// An archive that is not in the page cache is read ahead folder by folder
// while it is extracted; the files and every console line stay those of an
// archive in the cache, damaged chains and long copied runs included.

#include "tests/support/ExtractionSupport.h"

#include "extract/CExtractCommand.h"
#include "extract/CReadAhead.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <filesystem>
#include <unistd.h>

namespace ExtractionTest
{
namespace
{

using GcfBuilder::SArchive;
using GcfBuilder::SItem;

class CQuietHook : public IExtractionHook
{
public:
    void ProcessPendingEvents() override {}
    void Update(uint32_t) override {}
};

// Drops the archive's pages from the page cache (they are written out
// first: dirty pages stay). False where the file system keeps them anyway.
bool DropFromCache(const std::string &sPath)
{
    const int iFile = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (iFile < 0)
        return false;
    const bool bDropped = ::fdatasync(iFile) == 0 && ::posix_fadvise(iFile, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(iFile);
    return bDropped;
}

// The lines of a run with its target folder written as "OUT".
SStrings LinesOf(const CMemoryConsole &Console, const std::string &sOut)
{
    SStrings Texts;
    for (const SLine &Line : Console.Lines)
    {
        std::string sText = Line.sText;
        for (size_t uiAt = sText.find(sOut); uiAt != std::string::npos; uiAt = sText.find(sOut))
            sText.replace(uiAt, sOut.size(), "OUT");
        Texts.push_back(sText);
    }
    return Texts;
}

TEST(ReadAhead, AColdArchiveIsWrittenAsAWarmOne)
{
    struct SCase
    {
        const char *szName;
        bool bScatter;
        std::function<void(SArchive &)> Damage;
    };
    const std::vector<SCase> Cases = {
        {"in order", false, {}},
        {"scattered", true, {}},
        {"a block chain that loops",
         false,
         [](SArchive &A) {
             SetBlockEntryField(A, A.Layout.FirstEntry[2], GcfBuilder::EEntryField::DataLength, 0x7FFFFFFF);
             SetNextBlock(A, A.Layout.Blocks[2][0], A.Layout.Blocks[2][0]);
         }},
        {"a block entry out of range",
         true,
         [](SArchive &A) {
             SetBlockEntryField(A, A.Layout.FirstEntry[3], GcfBuilder::EEntryField::FirstBlock, 0xFFFFFF);
         }},
    };
    // Long runs (copied by the kernel), short ones and a nested folder.
    const SItem Tree = SItem::Folder(
        "root", {SItem::File("long.bin", GcfBuilder::PatternData(300000, 1)),
                 SItem::File("short.txt", GcfBuilder::PatternData(5000, 2)),
                 SItem::File("third.dat", GcfBuilder::PatternData(70000, 3)),
                 SItem::Folder("sub", {SItem::File("a", GcfBuilder::PatternData(200000, 4)), SItem::File("b", "b")})});
    for (const SCase &Case : Cases)
    {
        SCOPED_TRACE(Case.szName);
        GcfBuilder::SOptions Options;
        Options.bScatter = Case.bScatter;
        CArchiveCase Archive(Tree, Options, Case.Damage);
        ASSERT_TRUE(Archive.GCFFile.Opened());
        ASSERT_TRUE(DropFromCache(Archive.Temp / "archive.gcf"));
        CReadAhead Probe(Archive.GCFFile);
        Probe.Start();
        if (!Probe.Active())
            GTEST_SKIP() << "the file system keeps the archive's pages in memory";

        CQuietHook Hook;
        const std::string sCold = Archive.Temp / "cold", sWarm = Archive.Temp / "warm";
        CExtractCommand(Archive.Engine, {0}).Run(sCold, Hook);
        const SStrings Cold = LinesOf(Archive.Console, sCold);
        Archive.Console.Lines.clear();
        CExtractCommand(Archive.Engine, {0}).Run(sWarm, Hook);
        EXPECT_EQ(Cold, LinesOf(Archive.Console, sWarm));
        EXPECT_EQ(ListTree(sCold), ListTree(sWarm));
        for (const std::string &sFile : ListTree(sWarm))
        {
            if (!std::filesystem::is_regular_file(sWarm + "/" + sFile))
                continue;
            EXPECT_EQ(ReadFile(sCold + "/" + sFile), ReadFile(sWarm + "/" + sFile)) << sFile;
        }
        if (!Case.Damage)
        {
            EXPECT_EQ(ReadFile(sCold + "/root/sub/a"), GcfBuilder::PatternData(200000, 4));
        }
    }
}

bool AnyPageResident(const CGCF &GCF, uint64_t uiOffset, uint64_t uiLength)
{
    std::vector<unsigned char> Pages;
    uint64_t uiPage = 0;
    if (!GCF.GetSource().FindResidentPages(Pages, uiPage))
        return true;
    for (uint64_t uiAt = uiOffset / uiPage; uiAt * uiPage < uiOffset + uiLength && uiAt < Pages.size(); ++uiAt)
        if (Pages[uiAt] & 1)
            return true;
    return false;
}

// Records the stretches it would announce to the kernel.
class CRecordingReadAhead : public CReadAhead
{
public:
    using CReadAhead::CReadAhead;
    std::vector<std::pair<uint64_t, uint64_t>> Advised;  // offset, length

protected:
    void Advise(const CDataSource &, uint64_t uiOffset, uint64_t uiLength) override { Advised.push_back({uiOffset, uiLength}); }
};

// What is announced: the files' runs out of the cache, close runs as one
// stretch (here across a file not asked for), up to the byte budget; nothing
// for a warm archive, nor for small stretches.
TEST(ReadAhead, AnnouncesTheColdDataOfFilesWithinItsBudget)
{
    const uint64_t uiBig = 17u << 20;
    CArchiveCase Archive(SItem::Folder(
        "root", {SItem::File("d", GcfBuilder::PatternData(uiBig, 5)), SItem::File("e", GcfBuilder::PatternData(uiBig, 6)),
                 SItem::File("a", GcfBuilder::PatternData(300000, 1)), SItem::File("b", GcfBuilder::PatternData(100000, 2)),
                 SItem::File("c", GcfBuilder::PatternData(300000, 3)), SItem::File("x", "x"),
                 SItem::File("y", GcfBuilder::PatternData(5000, 4))}));
    ASSERT_TRUE(Archive.GCFFile.Opened());
    const auto Files = [&](std::initializer_list<const char *> Names) {
        std::vector<uint32_t> Items;
        for (const char *szName : Names)
            Items.push_back(Archive.Index(std::string("\\root\\") + szName));
        return Items;
    };
    const auto Runs = [&](const char *szName) {
        CItemData Data;
        EXPECT_EQ(Data.DescribeItem(Archive.GCFFile, Files({szName})[0]), EDataWalk::Complete);
        return Data.GetRuns();
    };
    const std::vector<SDataRun> A = Runs("a"), B = Runs("b"), C = Runs("c"), D = Runs("d");
    ASSERT_LT(A.back().uiFileOffset, B.front().uiFileOffset);
    ASSERT_LT(B.back().uiFileOffset, C.front().uiFileOffset);
    using SStretches = std::vector<std::pair<uint64_t, uint64_t>>;

    CRecordingReadAhead Warm(Archive.GCFFile);
    Warm.Start();
    EXPECT_FALSE(Warm.Active());  // just written: every page is in the cache
    Warm.AdviseFiles(Files({"a", "c"}));
    EXPECT_TRUE(Warm.Advised.empty());

    ASSERT_TRUE(DropFromCache(Archive.Temp / "archive.gcf"));
    // The block entries are read back (the kernel reads ahead around them,
    // 8 MiB on some disks); the big files keep the others beyond that.
    Runs("a");
    Runs("c");
    const uint64_t uiEnd = C.back().uiFileOffset + C.back().uiLength;
    CRecordingReadAhead Cold(Archive.GCFFile);
    Cold.Start();
    if (!Cold.Active() || AnyPageResident(Archive.GCFFile, A.front().uiFileOffset, uiEnd - A.front().uiFileOffset))
        GTEST_SKIP() << "the file system or its read-ahead keeps the files' pages in memory";
    Cold.AdviseFiles(Files({"a", "c"}));
    EXPECT_EQ(Cold.Advised, (SStretches{{A.front().uiFileOffset, uiEnd - A.front().uiFileOffset}}));

    Cold.Advised.clear();
    Cold.AdviseFiles(Files({"x", "y"}));
    EXPECT_TRUE(Cold.Advised.empty());
    Cold.AdviseFiles(Files({"d", "e"}));
    EXPECT_EQ(Cold.Advised, (SStretches{{D.front().uiFileOffset, CReadAhead::READ_AHEAD_BYTES}}));
}

}  // namespace
}  // namespace ExtractionTest
