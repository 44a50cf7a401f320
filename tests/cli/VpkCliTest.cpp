// SPDX-License-Identifier: MIT
// larkspur-cli on VPK sets made by the builder: every command gives the
// builder's bytes, verify finds what was changed or lost, diff compares a
// set with a GCF of the same files, and hostile sets are refused or
// reported, never followed out of their files.

#include "GcfBuilder.h"
#include "VpkBuilder.h"
#include "tests/cli/CliSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cinttypes>
#include <functional>
#include <map>
#include <set>
#include <sstream>

using namespace Larkspur;
using namespace TestSupport;
using VpkBuilder::SFile;

namespace
{

class VpkCli : public CArchiveFolderTest
{
protected:
    // The sample set (or Files) as pak01_dir.vpk and its data files.
    std::string WriteSet(const VpkBuilder::SSet &Set)
    {
        EXPECT_TRUE(VpkBuilder::WriteSet(Set, Temp.sPath, "pak01"));
        return Temp / "pak01_dir.vpk";
    }
    std::string WriteSample(uint32_t uiVersion = 2, std::vector<SFile> Files = VpkBuilder::SampleFiles())
    {
        VpkBuilder::SOptions Options;
        Options.uiVersion = uiVersion;
        Options.uiChunkSize = 4096;
        return WriteSet(VpkBuilder::Build(Files, Options));
    }
    SCliRun Run(const std::vector<std::string> &Arguments) { return RunCli(Arguments, Temp.sPath); }

    // Every file of the sample by the path the tool writes ("root/maps/a.bsp").
    static std::map<std::string, std::string> SampleData()
    {
        std::map<std::string, std::string> Data;
        for (const SFile &File : VpkBuilder::SampleFiles())
            Data["root/" + File.FullPath()] = File.sData;
        return Data;
    }
};

TEST_F(VpkCli, EveryCommandGivesTheBuildersBytesInBothVersions)
{
    const std::map<std::string, std::string> Expected = SampleData();
    for (const uint32_t uiVersion : {1u, 2u})
    {
        SCOPED_TRACE(uiVersion);
        const std::string sSet = WriteSample(uiVersion);
        const SCliRun List = Run({"list", "--bytes", sSet});
        ASSERT_EQ(List.iExitCode, 0) << List.sErr;
        std::map<std::string, std::string> Sizes;
        std::set<std::string> Folders;
        std::istringstream Lines(List.sOut);
        for (std::string sPath, sSize, sType; std::getline(Lines, sPath, '\t') && std::getline(Lines, sSize, '\t') &&
                                              std::getline(Lines, sType);)
            (sType == "Folder" ? Folders.insert(sPath), void() : void(Sizes[sPath] = sSize));
        EXPECT_EQ(Folders, (std::set<std::string>{"root", "root/bin", "root/maps", "root/maps/sub", "root/sound",
                                                  "root/sound/deep", "root/sound/deep/er"}));
        ASSERT_EQ(Sizes.size(), Expected.size());
        for (const auto &[sPath, sData] : Expected)
        {
            EXPECT_EQ(Sizes[sPath], std::to_string(sData.size())) << sPath;
            const SCliRun Cat = Run({"cat", sSet, sPath});
            EXPECT_EQ(Cat.iExitCode, 0) << Cat.sErr;
            EXPECT_TRUE(Cat.sOut == sData) << sPath;
        }
        EXPECT_EQ(Run({"find", sSet, ".WAV"}).sOut, "root/sound/preload.wav\nroot/sound/deep/er/still.wav\n");
        EXPECT_EQ(Run({"info", sSet}).sOut, "Format: VPK\nVersion: " + std::to_string(uiVersion) +
                                                "\nData files: 2\nFiles: 9\nFolders: 6\n"
                                                "Data size: 18.79 KB (19,240 B)\n" +
                                                (uiVersion == 2 ? "Signature: absent\n" : ""));
        EXPECT_EQ(Run({"verify", sSet}), (SCliRun{0, "Verified 9 files: 0 failed.\n", ""}));
        EXPECT_EQ(Run({"dump", sSet}), (SCliRun{2, "", "dump reads GCF archives only.\n"}));

        std::string sSums;
        for (const auto &[sPath, sData] : Expected)
        {
            char cCrc[16];
            std::snprintf(cCrc, sizeof cCrc, "%08" PRIx32, VpkBuilder::Crc32(sData));
            sSums += std::string(cCrc) + "  " + sPath + "\n";
        }
        SCliRun Hash = Run({"hash", "--crc32", sSet});
        std::istringstream HashLines(Hash.sOut);
        std::vector<std::string> Sorted;
        for (std::string sLine; std::getline(HashLines, sLine);)
            Sorted.push_back(sLine.substr(10) + "\t" + sLine);
        std::sort(Sorted.begin(), Sorted.end());
        Hash.sOut.clear();
        for (const std::string &sLine : Sorted)
            Hash.sOut += sLine.substr(sLine.find('\t') + 1) + "\n";
        EXPECT_EQ(Hash, (SCliRun{0, sSums, ""}));

        const std::string sOut = Temp / ("out" + std::to_string(uiVersion));
        const SCliRun Extract = Run({"extract", "-q", sSet, "-o", sOut});
        EXPECT_EQ(Extract, (SCliRun{0, "Extracting to " + sOut + ".\nDone.\n", ""}));
        for (const auto &[sPath, sData] : Expected)
            EXPECT_TRUE(ReadFile(sOut + "/" + sPath) == sData) << sPath;
    }
}

// What the set's files became (szRemoved: a file of the set not written),
// and the lines verify prints.
struct SDamage
{
    const char *szName;
    std::function<void(VpkBuilder::SSet &)> Damage;
    const char *szRemoved;
    std::string sExpected;
};

TEST_F(VpkCli, VerifyFindsAChangedByteAChangedTreeAndAMissingDataFile)
{
    std::string sChanged = GcfBuilder::PatternData(3000, 2);
    sChanged[10] ^= 1;  // b.bsp comes first in its data file
    char cCrcs[64];
    std::snprintf(cCrcs, sizeof cCrcs, "(stored %08" PRIx32 ", computed %08" PRIx32 ")",
                  VpkBuilder::Crc32(GcfBuilder::PatternData(3000, 2)), VpkBuilder::Crc32(sChanged));
    const SDamage Cases[] = {
        {"a byte of a data file", [](VpkBuilder::SSet &Set) { Set.DataFiles[1][10] ^= 1; }, nullptr,
         "root/maps/b.bsp: CRC mismatch " + std::string(cCrcs) + "\nchunk 0 of pak01_001.vpk: MD5 mismatch\n"
         "Verified 9 files: 1 failed.\n"},
        {"a byte of the tree",
         [](VpkBuilder::SSet &Set) { Set.Directory[Set.Layout.NameOffsets[0]] ^= 0x20; }, nullptr,
         "tree: MD5 mismatch\nVerified 9 files: 0 failed.\n"},
        {"a missing data file", [](VpkBuilder::SSet &) {}, "pak01_001.vpk",
         "missing data file pak01_001.vpk (3 files)\nVerified 9 files: 3 failed.\n"},
        {"a data file index of 999",
         [](VpkBuilder::SSet &Set) { VpkBuilder::SetEntryField(Set, 4, VpkBuilder::EEntryField::ArchiveIndex, 999); },
         nullptr, "missing data file pak01_999.vpk (1 file)\ntree: MD5 mismatch\nVerified 9 files: 1 failed.\n"},
        {"an entry past its data file",
         [](VpkBuilder::SSet &Set)
         { VpkBuilder::SetEntryField(Set, 1, VpkBuilder::EEntryField::EntryOffset, 0xFFFFFF00u); },
         nullptr, "root/maps/b.bsp: data beyond the end of its data file\ntree: MD5 mismatch\n"
                  "Verified 9 files: 1 failed.\n"},
    };
    for (const SDamage &Case : Cases)
    {
        SCOPED_TRACE(Case.szName);
        VpkBuilder::SOptions Options;
        Options.uiChunkSize = 4096;
        VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles(), Options);
        Case.Damage(Set);
        const std::string sSet = WriteSet(Set);
        if (Case.szRemoved != nullptr)
        {
            ASSERT_EQ(::unlink((Temp / Case.szRemoved).c_str()), 0);
        }
        EXPECT_EQ(Run({"verify", sSet}), (SCliRun{1, Case.sExpected, ""}));
    }
}

TEST_F(VpkCli, VerifyOfItemsAndOfAGcf)
{
    const std::string sSet = WriteSample();
    EXPECT_EQ(Run({"verify", sSet, "root/maps/sub", "root/maps/*.bsp", "root/maps/sub/c.bsp"}),
              (SCliRun{0, "Verified 3 files: 0 failed.\n", ""}));
    EXPECT_EQ(Run({"verify", sSet, "root/nothing"}).iExitCode, 2);
    EXPECT_EQ(Run({"verify", Temp / "none.vpk"}).iExitCode, 2);

    // A GCF's chains: b.txt's first block links to no block.
    GcfBuilder::SOptions Options;
    Options.uiBlockSize = Options.uiDataBlockSize = 64;
    GcfBuilder::SArchive Gcf = GcfBuilder::Build(
        GcfBuilder::SItem::Folder("root", {GcfBuilder::SItem::File("a.txt", "a"),
                                           GcfBuilder::SItem::File("b.txt", GcfBuilder::PatternData(200, 1))}),
        Options);
    const std::string sGood = Write("good.gcf", Gcf.Bytes);
    EXPECT_EQ(Run({"verify", sGood}), (SCliRun{0, "Verified 2 files: 0 failed.\n", ""}));
    GcfBuilder::SetNextBlock(Gcf, Gcf.Layout.Blocks[2][0], 0xFFFFFF);
    EXPECT_EQ(Run({"verify", Write("bad.gcf", Gcf.Bytes)}),
              (SCliRun{1, "root/b.txt: data block index out of range\nVerified 2 files: 1 failed.\n", ""}));
}

TEST_F(VpkCli, DiffComparesACacheWithItsNewerSet)
{
    const std::string sGcf = Write("old.gcf", GcfBuilder::Build(VpkBuilder::TreeFromFiles(VpkBuilder::SampleFiles())).Bytes);
    const std::string sSet = WriteSample(1);
    EXPECT_EQ(Run({"diff", sGcf, sSet}), (SCliRun{0, "", ""}));
    EXPECT_EQ(Run({"diff", "--stat", sSet, sGcf}), (SCliRun{0, "0 only in A, 0 only in B, 0 changed\n", ""}));

    // One changed (same size, other bytes), one added, one removed; and one
    // whose size alone tells.
    std::vector<SFile> Files = VpkBuilder::SampleFiles();
    Files[1].sData[2999] ^= 1;                              // maps/b.bsp
    Files[2].sData += "!";                                  // maps/sub/c.bsp
    Files.erase(Files.begin() + 4);                         // maps/readme.txt
    Files.push_back(SFile::At("maps/new.bsp", "new", 0));
    const std::string sNew = WriteSample(2, Files);
    EXPECT_EQ(Run({"diff", sGcf, sNew}),
              (SCliRun{1, "M root/maps/b.bsp\n+ root/maps/new.bsp\n- root/maps/readme.txt\nM root/maps/sub/c.bsp\n", ""}));
    EXPECT_EQ(Run({"diff", "--stat", sGcf, sNew}), (SCliRun{1, "1 only in A, 1 only in B, 2 changed\n", ""}));
    EXPECT_EQ(Run({"diff", sGcf, Temp / "none.vpk"}).iExitCode, 2);
}

TEST_F(VpkCli, DiffUsesStoredCrcsOnlyWhereBothSidesHaveThem)
{
    // Two sets whose b.bsp differs in its bytes while its entry keeps the old
    // CRC32: between two sets the CRC32s decide; against a GCF the bytes do.
    VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles());
    const std::string sGcf = Write("old.gcf", GcfBuilder::Build(VpkBuilder::TreeFromFiles(VpkBuilder::SampleFiles())).Bytes);
    ::mkdir((Temp / "a").c_str(), 0755);
    ASSERT_TRUE(VpkBuilder::WriteSet(Set, Temp / "a", "pak01"));
    Set.DataFiles[1][10] ^= 1;
    const std::string sChanged = WriteSet(Set);
    EXPECT_EQ(Run({"diff", Temp / "a/pak01_dir.vpk", sChanged}), (SCliRun{0, "", ""}));
    EXPECT_EQ(Run({"diff", sGcf, sChanged}), (SCliRun{1, "M root/maps/b.bsp\n", ""}));
}

// Sets no reader should follow: refused with the reader's line, or opened
// with the damaged file reported where it is read.
TEST_F(VpkCli, HostileSetsAreRefusedOrReported)
{
    const auto Refusal = [](const std::string &sSet, const char *szReason)
    { return "Could not open:\n" + sSet + "\n\nError:\nCorrupt file.\n\n" + szReason + "\n"; };
    {
        // The tree ends before its last string does.
        VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles());
        Set.Directory.resize(Set.Layout.uiHeaderSize + Set.Layout.uiTreeSize - 1);
        VpkBuilder::SetHeaderField(Set, VpkBuilder::EHeaderField::TreeSize, Set.Layout.uiTreeSize - 1);
        VpkBuilder::SetHeaderField(Set, VpkBuilder::EHeaderField::FileDataSize, 0);
        VpkBuilder::SetHeaderField(Set, VpkBuilder::EHeaderField::ArchiveMD5Size, 0);
        VpkBuilder::SetHeaderField(Set, VpkBuilder::EHeaderField::OtherMD5Size, 0);
        const std::string sSet = WriteSet(Set);
        EXPECT_EQ(Run({"list", sSet}),
                  (SCliRun{2, "", Refusal(sSet, "A name in the directory tree runs past the end of the tree.")}));
    }
    {
        // Preload bytes beyond the end of the tree.
        VpkBuilder::SSet Set = VpkBuilder::Build({SFile::At("a.txt", "a")});
        VpkBuilder::SetEntryField(Set, 0, VpkBuilder::EEntryField::PreloadBytes, 0xFFFF);
        const std::string sSet = WriteSet(Set);
        EXPECT_EQ(Run({"info", sSet}), (SCliRun{2, "", Refusal(sSet, "A file's preload bytes are not within the tree.")}));
    }
    // b.bsp runs far past its data file (its length claims none of the
    // bytes of the files after it there), readme.txt names data file 999,
    // root.txt's bytes start inside c.bsp's.
    VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles());
    VpkBuilder::SetEntryField(Set, 1, VpkBuilder::EEntryField::EntryLength, 0x7FFFFFFFu);
    VpkBuilder::SetEntryField(Set, 4, VpkBuilder::EEntryField::ArchiveIndex, 999);
    const uint64_t uiCOffset = Set.Layout.EntryOffsets[2] + 8;
    VpkBuilder::SetEntryField(Set, 3, VpkBuilder::EEntryField::EntryOffset,
                              (Set.Directory[uiCOffset] | Set.Directory[uiCOffset + 1] << 8) + 10);
    const std::string sSet = WriteSet(Set);
    EXPECT_EQ(Run({"cat", sSet, "root/maps/b.bsp"}),
              (SCliRun{1, "", "Error reading root/maps/b.bsp (data beyond the end of its data file).\n"}));
    const SCliRun Cat = Run({"cat", sSet, "root/maps/readme.txt"});
    EXPECT_EQ(Cat, (SCliRun{1, "", "Error reading root/maps/readme.txt (missing data file).\n"}));
    const std::string sOut = Temp / "out";
    EXPECT_EQ(Run({"extract", "-q", sSet, "-o", sOut}),
              (SCliRun{1, "Extracting to " + sOut + ".\nDone.\n",
                       "Error writing " + sOut + "/root/maps/b.bsp (data beyond the end of its data file).\n"
                       "Error writing " + sOut + "/root/maps/readme.txt (missing data file).\n"
                       "Error writing " + sOut + "/root/root.txt (data overlapping another file's).\n3 errors.\n"}));
    EXPECT_FALSE(FileExists(sOut + "/root/root.txt"));
    EXPECT_EQ(ReadFile(sOut + "/root/bin/README"), VpkBuilder::SampleFiles()[7].sData);
}

}  // namespace
