// SPDX-License-Identifier: MIT
// The tree a VPK set opens into: paths, counts and sizes as a GCF's, names
// that the safe-name rules refuse later kept harmless, duplicate names and
// long names left out, shared and overlapping data, the version 2 sections
// and the summary.

#include "VpkTestSupport.h"

#include <thread>

using namespace Larkspur;
using namespace VpkTest;
using namespace VpkBuilder;

namespace
{

TEST(VpkTree, QueriesAnswerAsForAGcf)
{
    const std::vector<SFile> Files = SampleFiles();
    SOptions Options;
    Options.bSignature = true;
    const SSet Set = Build(Files, Options);
    SMemoryVpk Reader;
    ASSERT_TRUE(Reader.Open(Set));
    const CVPK &V = Reader.VPK;
    const auto Indexes = IndexByPath(V);
    // 9 files; folders maps, maps\sub, sound, sound\deep, sound\deep\er, bin.
    EXPECT_EQ(V.GetItemCount(), 1u + 9u + 6u);
    EXPECT_EQ(V.GetDirectoryItemName(0), "root");
    uint64_t uiTotal = 0;
    for (size_t i = 0; i < Files.size(); i++)
    {
        const uint32_t uiIndex = Indexes.at(Set.Layout.Paths[i]);
        EXPECT_FALSE(V.IsFolder(uiIndex));
        EXPECT_EQ(V.GetDirectoryItemSize(uiIndex), Files[i].sData.size());
        EXPECT_EQ(V.GetFileEntry(uiIndex)->uiCRC, Crc32(Files[i].sData));
        uiTotal += Files[i].sData.size();
    }
    const uint32_t uiMaps = Indexes.at("\\root\\maps");
    EXPECT_TRUE(V.IsFolder(uiMaps));
    EXPECT_EQ(V.GetDirectoryEntrySize(uiMaps), 4u);  // a.bsp, b.bsp, sub, readme.txt
    EXPECT_EQ(V.GetDirectoryItemFileCount(uiMaps), 4u);
    EXPECT_EQ(V.GetDirectoryItemFolderCount(uiMaps), 1u);
    EXPECT_EQ(V.GetDirectoryItemSize(uiMaps), 5000u + 3000u + 700u + 200u);
    EXPECT_EQ(V.GetDirectoryItemSizeOnDisk(uiMaps), V.GetDirectoryItemSize(uiMaps));
    EXPECT_EQ(V.GetDirectoryItemSize(0), uiTotal);
    EXPECT_EQ(V.GetDirectoryItemFolderCount(0), 6u);
    std::vector<uint32_t> Children;
    ASSERT_TRUE(V.GetDirectoryItemChildren(uiMaps, Children));
    std::vector<std::string> Names;
    for (uint32_t uiChild : Children)
        Names.emplace_back(V.GetDirectoryItemName(uiChild));
    EXPECT_EQ(Names, (std::vector<std::string>{"a.bsp", "b.bsp", "sub", "readme.txt"}));  // in tree order

    std::vector<SDirectoryWalkItem> Walk;
    ASSERT_TRUE(V.WalkDirectory(0, Walk));
    ASSERT_EQ(Walk.size(), V.GetItemCount());
    for (size_t i = 1; i < Walk.size(); i++)
    {
        std::string sPath, sParent;
        V.GetDirectoryItemPath(Walk[i].uiDirectoryIndex, sPath);
        ASSERT_LT(Walk[i].uiParentSlot, i);
        V.GetDirectoryItemPath(Walk[Walk[i].uiParentSlot].uiDirectoryIndex, sParent);
        EXPECT_EQ(sPath.substr(0, sPath.rfind('\\')), sParent);
    }
    for (uint32_t uiBad : {V.GetItemCount(), 0xFFFFFFFFu})
    {
        std::string sPath;
        EXPECT_TRUE(V.GetDirectoryItemPath(uiBad, sPath));
        EXPECT_EQ(sPath + std::string(V.GetDirectoryItemName(uiBad)), "");
        EXPECT_EQ(V.GetDirectoryItemFileCount(uiBad) + V.GetDirectoryItemSize(uiBad), 0u);
        EXPECT_EQ(V.GetFileEntry(uiBad), nullptr);
        EXPECT_FALSE(V.WalkDirectory(uiBad, Walk));
    }

    const SVPKSummary &S = V.GetSummary();
    EXPECT_EQ(S.uiVersion, 2u);
    EXPECT_EQ(S.uiDataFileCount, 2u);
    EXPECT_EQ(S.uiFileCount, 9u);
    EXPECT_EQ(S.uiFolderCount, 6u);
    EXPECT_EQ(S.uiDataSize, uiTotal);
    EXPECT_TRUE(S.bSignature);
    EXPECT_EQ(S.uiDamagedFiles + S.uiLeftOutFiles, 0u);
}

TEST(VpkTree, Version2SectionsAreExposed)
{
    SOptions Options;
    Options.uiChunkSize = 1024;
    Options.bSignature = true;
    const SSet Set = Build(SampleFiles(), Options);
    SMemoryVpk Reader;
    ASSERT_TRUE(Reader.Open(Set));
    const SVPKSections &S = Reader.VPK.GetSections();
    EXPECT_EQ(S.uiFileDataOffset, Set.Layout.uiFileDataOffset);
    EXPECT_EQ(S.uiFileDataSize, Set.Layout.uiFileDataSize);
    EXPECT_EQ(S.uiSignatureOffset, Set.Layout.uiSignatureOffset);
    EXPECT_EQ(S.uiPublicKeySize, Options.sPublicKey.size());
    EXPECT_EQ(S.uiSignatureBytes, Options.sSignature.size());
    const auto &Records = Reader.VPK.GetArchiveMD5Entries();
    ASSERT_EQ(Records.size() * 28, Set.Layout.uiArchiveMD5Size);
    const VPKArchiveMD5Entry &Last = Records.back();
    const std::vector<uint8_t> &Data = Set.DataFiles.at(static_cast<uint16_t>(Last.uiArchiveIndex));
    EXPECT_EQ(Last.uiStartingOffset + Last.uiCount, Data.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(Last.MD5), 16),
              Md5(Data.data() + Last.uiStartingOffset, Last.uiCount));
    const VPKOtherMD5Section *lpOther = Reader.VPK.GetOtherMD5();
    ASSERT_NE(lpOther, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(lpOther->TreeMD5), 16),
              Md5(Set.Directory.data() + S.uiHeaderSize, S.uiTreeSize));

    Options.uiVersion = 1;
    ASSERT_TRUE(Reader.Open(Build(SampleFiles(), Options)));
    EXPECT_EQ(Reader.VPK.GetOtherMD5(), nullptr);
    EXPECT_TRUE(Reader.VPK.GetArchiveMD5Entries().empty());
    EXPECT_FALSE(Reader.VPK.GetSummary().bSignature);
}

SFile Raw(std::string sPath, std::string sName, std::string sExtension, std::string sData = "x")
{
    SFile File;
    File.sPath = std::move(sPath);
    File.sName = std::move(sName);
    File.sExtension = std::move(sExtension);
    File.sData = std::move(sData);
    return File;
}

TEST(VpkTree, OddPathsMakeNoEmptyNamesAndSecondNamesAreLeftOut)
{
    const std::string sLong(256, 'n');
    const std::vector<SFile> Files = {
        Raw("a//b/", "x", "txt"), Raw("/lead", "y", "txt"), Raw(".", "dot", ""), Raw("..", "up", "txt"),
        Raw("", "plain", ""),
        Raw("a/b", "x", "txt", "second"),  // the same file again: left out
        Raw("", "clash", ""),              // a folder (its extension comes first), then a file of its name
        Raw("clash", "inside", "txt"),
        Raw("f", "g", ""),                 // a file (its path comes first), then a folder of its name
        Raw("", "f", ""),
        Raw("", sLong, ""),                // 256 bytes: no file system takes it
        Raw("deep/" + sLong, "z", "txt"),
    };
    SMemoryVpk Reader;
    ASSERT_TRUE(Reader.Open(Build(Files)));
    const auto Indexes = IndexByPath(Reader.VPK);
    std::vector<std::string> Paths;
    for (const auto &[sPath, uiIndex] : Indexes)
        Paths.push_back(sPath);
    EXPECT_EQ(Paths, (std::vector<std::string>{"\\root", "\\root\\.", "\\root\\..", "\\root\\..\\up.txt",
                                               "\\root\\.\\dot", "\\root\\a", "\\root\\a\\b", "\\root\\a\\b\\x.txt",
                                               "\\root\\clash", "\\root\\clash\\inside.txt", "\\root\\deep", "\\root\\f",
                                               "\\root\\lead", "\\root\\lead\\y.txt", "\\root\\plain"}));
    EVPKDamage eResult;
    EXPECT_EQ(ReadAll(Reader.VPK, Indexes.at("\\root\\a\\b\\x.txt"), eResult), "x");  // the first one

    struct SExpected
    {
        std::string sName;
        uint32_t uiFiles;
        EVPKDamage eReason;
        std::string sFolder;
    };
    const std::vector<SExpected> Expected = {{"x.txt", 1, EVPKDamage::DuplicateName, "\\root\\a\\b"},
                                             {"clash", 1, EVPKDamage::DuplicateName, "\\root"},
                                             {"f", 1, EVPKDamage::DuplicateName, "\\root"},
                                             {sLong.substr(0, 255), 1, EVPKDamage::NameTooLong, "\\root"},
                                             {sLong.substr(0, 255), 1, EVPKDamage::NameTooLong, "\\root\\deep"}};
    const auto &LeftOut = Reader.VPK.GetLeftOutItems();
    ASSERT_EQ(LeftOut.size(), Expected.size());
    std::vector<std::string> Seen, Wanted;
    for (size_t i = 0; i < LeftOut.size(); i++)
    {
        std::string sFolder;
        Reader.VPK.GetDirectoryItemPath(LeftOut[i].uiFolder, sFolder);
        Seen.push_back(sFolder + "|" + std::string(LeftOut[i].sName) + "|" + std::to_string(LeftOut[i].uiFiles) + "|" +
                       VPKDamageReason(LeftOut[i].eReason));
        Wanted.push_back(Expected[i].sFolder + "|" + Expected[i].sName + "|" + std::to_string(Expected[i].uiFiles) +
                         "|" + VPKDamageReason(Expected[i].eReason));
    }
    std::sort(Seen.begin(), Seen.end());
    std::sort(Wanted.begin(), Wanted.end());
    EXPECT_EQ(Seen, Wanted);
    EXPECT_EQ(Reader.VPK.GetSummary().uiLeftOutFiles, 5u);
    EXPECT_EQ(Reader.VPK.GetSummary().uiFileCount, 7u);
}

TEST(VpkTree, IdenticalRangesAreSharedAndPartOverlapsDamageTheLaterFile)
{
    const std::string sSame = GcfBuilder::PatternData(100, 7);
    std::vector<SFile> Files = {SFile::At("a.bin", sSame, 0), SFile::At("b.bin", GcfBuilder::PatternData(100, 8), 0),
                                SFile::At("c.bin", sSame, 0), SFile::At("d.bin", "dddd", 0),
                                SFile::At("e.bin", "eeee", 0)};
    SOptions Options;
    Options.bShareIdentical = true;
    SSet Set = Build(Files, Options);
    // d overlaps b and e, and is later than b: only d is damaged, and e,
    // which d would have overlapped, keeps its bytes.
    SetEntryField(Set, 3, EEntryField::EntryOffset, 150);
    SetEntryField(Set, 3, EEntryField::EntryLength, 56);
    SMemoryVpk Reader;
    ASSERT_TRUE(Reader.Open(Set));
    const auto Indexes = IndexByPath(Reader.VPK);
    const EVPKDamage Expected[] = {EVPKDamage::None, EVPKDamage::None, EVPKDamage::None, EVPKDamage::Overlap,
                                   EVPKDamage::None};
    for (size_t i = 0; i < Files.size(); i++)
    {
        EVPKDamage eResult;
        const std::string sData = ReadAll(Reader.VPK, Indexes.at(Set.Layout.Paths[i]), eResult);
        EXPECT_EQ(eResult, Expected[i]) << i;
        if (Expected[i] == EVPKDamage::None)
        {
            EXPECT_EQ(sData, Files[i].sData) << i;
        }
    }
    EXPECT_EQ(Reader.VPK.GetSummary().uiDamagedFiles, 1u);
}

TEST(VpkTree, DataFilesMapOnceFromSeveralThreads)
{
    TestSupport::CTempDir Dir;
    const std::vector<SFile> Files = SampleFiles();
    const SSet Set = Build(Files);
    ASSERT_TRUE(WriteSet(Set, Dir.sPath, "pak01"));
    CVPK VPK;
    ASSERT_TRUE(VPK.Open((Dir / "pak01_dir.vpk").c_str()));
    const uint32_t uiIndex = IndexByPath(VPK).at(Set.Layout.Paths[1]);  // in data file 1
    std::vector<const CDataSource *> Sources(4, nullptr);
    std::vector<std::string> Read(4);
    std::vector<std::thread> Threads;
    for (size_t i = 0; i < Sources.size(); i++)
        Threads.emplace_back(
            [&, i]
            {
                CVPKItemData Data;
                if (Data.DescribeItem(VPK, uiIndex) == EVPKDamage::None && !Data.GetRuns().empty())
                    Sources[i] = Data.GetRuns().back().lpSource;
                Read[i].resize(Data.GetSize());
                size_t uiRead = 0;
                Data.Read(0, Read[i].data(), Read[i].size(), uiRead);
            });
    for (std::thread &Thread : Threads)
        Thread.join();
    for (size_t i = 0; i < Sources.size(); i++)
    {
        EXPECT_EQ(Sources[i], VPK.GetSource(1));
        EXPECT_EQ(Read[i], Files[1].sData);
    }
}

TEST(VpkTree, DataFileCutShortWhileOpenReadsUpToTheLoss)
{
    TestSupport::CTempDir Dir;
    const std::vector<SFile> Files = {SFile::At("big.bin", GcfBuilder::PatternData(3 * 4096, 9), 0)};
    ASSERT_TRUE(WriteSet(Build(Files), Dir.sPath, "pak01"));
    CVPK VPK;
    ASSERT_TRUE(VPK.Open((Dir / "pak01_dir.vpk").c_str()));
    CVPKItemData Data;
    ASSERT_EQ(Data.DescribeItem(VPK, 1), EVPKDamage::None);
    ASSERT_EQ(::truncate((Dir / "pak01_000.vpk").c_str(), 4096), 0);
    EXPECT_TRUE(Data.GetRuns().back().lpSource->IsCutShort());
    std::string sBytes(3 * 4096, '\0');
    size_t uiRead = 0;
    EXPECT_FALSE(Data.Read(0, sBytes.data(), sBytes.size(), uiRead));
    ASSERT_EQ(uiRead, 4096u);
    EXPECT_EQ(sBytes.substr(0, uiRead), Files[0].sData.substr(0, uiRead));
}

}  // namespace
