// SPDX-License-Identifier: MIT
// One Extract command bounded by the archive, whatever its items share:
// each data block written once, each item once, one path one item, and
// lines that stay short however deep the folders go.
#include "tests/support/ExtractionSupport.h"

#include "extract/CExtractCommand.h"

#include <sys/stat.h>

#include <algorithm>

using namespace Larkspur;
using namespace ExtractionTest;
using GcfBuilder::SArchive;
using GcfBuilder::SItem;

namespace
{

class CCountingHook : public IExtractionHook
{
public:
    void ProcessPendingEvents() override {}
    void Update(uint32_t uiCount) override { uiLast = uiCount; }
    uint32_t uiLast = 0;
};

// The archive the builder made for a hostile shape, written and opened.
CArchiveCase *MakeCase(SArchive Shape)
{
    return new CArchiveCase(SItem::Folder("root"), {}, [&](SArchive &A) { A = std::move(Shape); });
}

uint64_t BytesOnDisk(const std::string &sFolder)
{
    uint64_t uiBytes = 0;
    for (const std::string &sPath : ListTree(sFolder))
    {
        struct stat Stat;
        if (::stat((sFolder + "/" + sPath).c_str(), &Stat) == 0 && S_ISREG(Stat.st_mode))
            uiBytes += uint64_t(Stat.st_size);
    }
    return uiBytes;
}

}  // namespace

// 40 files whose entries read one chain: the chain is written once, each
// other file is a red line and no file.
TEST(ExtractionBounds, FilesSharingOneChainWriteItOnce)
{
    const std::unique_ptr<CArchiveCase> Case(MakeCase(GcfBuilder::SharedChain(40, 64 << 10, 8192)));
    CCountingHook Hook;
    CExtractCommand(Case->Engine, {0}).Run(Case->sOut, Hook);
    EXPECT_EQ(Case->Wrote(), 1u);
    const SStrings Red = Case->Red();
    ASSERT_EQ(Red.size(), 39u);
    EXPECT_EQ(Red[0], "Error writing " + Case->sOut + "/root/file0001 (data shared with another item).");
    EXPECT_EQ(BytesOnDisk(Case->sOut), 64u << 10);
    EXPECT_EQ(ListTree(Case->sOut).size(), 2u);  // root and the one file
    EXPECT_EQ(Hook.uiLast, 40u);
}

// b.txt's data starts with a.txt's block entry: a.txt is written once,
// with its own data; b.txt is refused under its own name, in a command and
// alone (as Shell Execute extracts it).
TEST(ExtractionBounds, DataStartingWithAnotherItemsEntryIsRefused)
{
    const std::unique_ptr<CArchiveCase> Case(MakeCase(GcfBuilder::BorrowedEntry()));
    CCountingHook Hook;
    CExtractCommand(Case->Engine, {0}).Run(Case->sOut, Hook);
    EXPECT_EQ(Case->Wrote(), 1u);
    EXPECT_EQ(Case->Red(), SStrings{"Error writing " + Case->sOut + "/root/b.txt (the data belongs to another item)."});
    EXPECT_EQ(ListTree(Case->sOut), (SStrings{"root", "root/a.txt"}));
    EXPECT_EQ(ReadFile(Case->sOut + "/root/a.txt"), "the data of a.txt\n");
    EXPECT_FALSE(Case->Engine.ExtractItem(Case->Temp / "alone", 2));
    EXPECT_FALSE(FileExists(Case->Temp / "alone/b.txt"));
}

// Items named together: one reached twice is written once without a word;
// two different items bound for one name, the first.
TEST(ExtractionBounds, EachItemOnceAndEachPathOnce)
{
    const SItem Tree = SItem::Folder("root", {SItem::Folder("a", {SItem::File("x.txt", "a's x")}),
                                              SItem::Folder("b", {SItem::File("x.txt", "b's x")})});
    const struct
    {
        std::vector<std::string> Items;
        SStrings Red, OnDisk;
    } Cases[] = {
        {{"\\root\\a", "\\root\\a\\x.txt", "\\root\\a"}, {}, {"a", "a/x.txt"}},
        {{"\\root\\a\\x.txt", "\\root\\b\\x.txt", "\\root\\a\\x.txt"},
         {"Error writing OUT/x.txt (a second item of this name in the folder)."},
         {"x.txt"}},
        {{"\\root\\a", "\\root\\b\\x.txt", "\\root\\b"}, {}, {"a", "a/x.txt", "x.txt"}},
    };
    for (const auto &Run : Cases)
    {
        CArchiveCase Case(Tree);
        std::vector<uint32_t> Items;
        for (const std::string &sItem : Run.Items)
            Items.push_back(Case.Index(sItem));
        CCountingHook Hook;
        CExtractCommand(Case.Engine, Items).Run(Case.sOut, Hook);
        SStrings Red = Run.Red;
        for (std::string &sLine : Red)
            sLine.replace(sLine.find("OUT"), 3, Case.sOut);
        EXPECT_EQ(Case.Red(), Red) << Run.Items[1];
        EXPECT_EQ(ListTree(Case.sOut), Run.OnDisk) << Run.Items[1];
        EXPECT_EQ(Case.Wrote(), size_t(std::count_if(Run.OnDisk.begin(), Run.OnDisk.end(),
                                                       [](const std::string &s) { return s.ends_with(".txt"); })));
    }
    // The first x.txt written is a's.
    CArchiveCase Case(Tree);
    CCountingHook Hook;
    CExtractCommand(Case.Engine, {Case.Index("\\root\\a\\x.txt"), Case.Index("\\root\\b\\x.txt")}).Run(Case.sOut, Hook);
    EXPECT_EQ(ReadFile(Case.sOut + "/x.txt"), "a's x");
}

// 1,000 nested folders of 255-byte names: written whole, every line at most
// 4,096 bytes of path, cut in the middle.
TEST(ExtractionBounds, DeepFoldersAreWrittenWithShortLines)
{
    const std::unique_ptr<CArchiveCase> Case(MakeCase(GcfBuilder::NestedFolders(1000, 255, false)));
    CCountingHook Hook;
    CExtractCommand(Case->Engine, {0}).Run(Case->sOut, Hook);
    EXPECT_EQ(Case->Red(), SStrings{});
    EXPECT_EQ(Case->Wrote(), 1u);
    size_t uiLongest = 0;
    for (const SLine &Line : Case->Console.Lines)
        uiLongest = std::max(uiLongest, Line.sText.size());
    EXPECT_LE(uiLongest, MAX_SHOWN_PATH_BYTES + std::string("Wrote  (1 B).").size());
    const std::string &sWrote = Case->Console.Lines[Case->Console.Lines.size() - 2].sText;
    EXPECT_TRUE(sWrote.starts_with("Wrote " + Case->sOut + "/root/aaa")) << sWrote.substr(0, 100);
    EXPECT_TRUE(sWrote.ends_with(std::string(200, 'a') + "/bottom (1 B).")) << sWrote.substr(sWrote.size() - 100);
    EXPECT_NE(sWrote.find("..."), std::string::npos);
}
