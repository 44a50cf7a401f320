// SPDX-License-Identifier: MIT
// The archive interface: the format chosen by the file's signature, one
// tree and one way to the data for a GCF and a VPK set holding the same
// files, and what each format offers to verify.

#include "VpkTestSupport.h"

#include "archive/OpenArchive.h"

#include "GcfBuilder.h"

#include <sys/stat.h>

#include <functional>

using namespace Larkspur;
using namespace VpkTest;

namespace
{

// The data of every file, read through the interface.
std::map<std::string, std::string> FilesOf(const IArchive &Archive)
{
    std::map<std::string, std::string> Files;
    for (uint32_t i = 0; i < Archive.GetItemCount(); i++)
    {
        if (Archive.IsFolder(i))
            continue;
        std::string sPath;
        Archive.GetDirectoryItemPath(i, sPath);
        CItemData Data;
        EXPECT_EQ(Data.DescribeItem(Archive, i), EDataWalk::Complete) << sPath;
        std::string &sBytes = Files[sPath];
        sBytes.resize(Data.GetSize());
        size_t uiRead = 0;
        EXPECT_TRUE(Data.Read(0, sBytes.data(), sBytes.size(), uiRead));
        EXPECT_EQ(Archive.GetDirectoryItemSize(i), sBytes.size()) << sPath;
    }
    return Files;
}

struct SOpening
{
    const char *szName;
    const char *szFile;
    std::function<std::vector<uint8_t>()> Bytes;
    EOpenRefusal eRefusal;
    EArchiveFormat eFormat;
};

void PrintTo(const SOpening &Case, std::ostream *lpStream)
{
    *lpStream << Case.szName;
}

class OpenByFormat : public testing::TestWithParam<SOpening>
{
};

TEST_P(OpenByFormat, TheSignatureChoosesTheReader)
{
    TestSupport::CTempDir Temp;
    const std::string sPath = Temp / GetParam().szFile;
    if (GetParam().Bytes)
    {
        ASSERT_TRUE(GcfBuilder::WriteFile(sPath, GetParam().Bytes()));
    }
    const SOpenedArchive Opened = OpenArchive(sPath, SOpenOptions{false, Temp.sPath});
    EXPECT_EQ(Opened.Result.eRefusal, GetParam().eRefusal);
    EXPECT_EQ(Opened.Archive != nullptr, Opened.Result.Opened());
    if (Opened.Archive)
    {
        EXPECT_EQ(Opened.Archive->GetArchiveSummary().eFormat, GetParam().eFormat);
    }
}

std::vector<uint8_t> SmallGcf()
{
    return GcfBuilder::Build(GcfBuilder::SampleTree()).Bytes;
}

std::vector<uint8_t> SmallVpk(uint32_t uiVersion)
{
    VpkBuilder::SOptions Options;
    Options.uiVersion = uiVersion;
    return VpkBuilder::Build({VpkBuilder::SFile::At("a.txt", "a")}, Options).Directory;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OpenByFormat,
    testing::Values(SOpening{"GcfNamedVpk", "x_dir.vpk", SmallGcf, EOpenRefusal::None, EArchiveFormat::GCF},
                    SOpening{"VpkNamedGcf", "x.gcf", [] { return SmallVpk(1); }, EOpenRefusal::None, EArchiveFormat::VPK},
                    SOpening{"VpkVersion3", "x.vpk", [] { return SmallVpk(3); }, EOpenRefusal::VPKBadVersion, {}},
                    SOpening{"NeitherIsAGcf", "x.vpk", [] { return std::vector<uint8_t>(64, 7); },
                             EOpenRefusal::BadVersion, {}},
                    SOpening{"Missing", "none.gcf", nullptr, EOpenRefusal::MapFailed, {}}),
    [](const testing::TestParamInfo<SOpening> &Info) { return Info.param.szName; });

// The sample set's files, stored once as a GCF and once as a VPK set of
// each version: the same paths, sizes, counts and bytes.
TEST(ArchiveInterface, BothFormatsShowTheSameTreeAndData)
{
    ArchiveTest::SMemoryArchive Gcf;
    ASSERT_TRUE(Gcf.Open(GcfBuilder::Build(VpkBuilder::TreeFromFiles(VpkBuilder::SampleFiles())).Bytes));
    const std::map<std::string, std::string> Expected = FilesOf(Gcf.GCF);
    ASSERT_EQ(Expected.size(), VpkBuilder::SampleFiles().size());

    for (const uint32_t uiVersion : {1u, 2u})
    {
        VpkBuilder::SOptions Options;
        Options.uiVersion = uiVersion;
        SMemoryVpk Vpk;
        ASSERT_TRUE(Vpk.Open(VpkBuilder::Build(VpkBuilder::SampleFiles(), Options)));
        const IArchive &Archive = Vpk.VPK;
        EXPECT_EQ(FilesOf(Archive), Expected);
        const auto GcfIndexes = IndexByPath(Gcf.GCF);
        for (const auto &[sPath, uiIndex] : IndexByPath(Vpk.VPK))
        {
            const uint32_t uiGcf = GcfIndexes.at(sPath);
            EXPECT_EQ(Archive.GetDirectoryItemFileCount(uiIndex), Gcf.GCF.GetDirectoryItemFileCount(uiGcf)) << sPath;
            EXPECT_EQ(Archive.GetDirectoryItemFolderCount(uiIndex), Gcf.GCF.GetDirectoryItemFolderCount(uiGcf)) << sPath;
            EXPECT_EQ(Archive.GetDirectoryEntrySize(uiIndex), Gcf.GCF.GetDirectoryEntrySize(uiGcf)) << sPath;
            EXPECT_EQ(Archive.GetDirectoryItemSize(uiIndex), Archive.GetDirectoryItemSizeOnDisk(uiIndex)) << sPath;
            EXPECT_EQ(Archive.GetDirectoryItemParent(uiIndex) >= Archive.GetItemCount(), uiIndex == 0) << sPath;
        }
        const SArchiveSummary Summary = Archive.GetArchiveSummary();
        EXPECT_EQ(Summary.sVersion, "VPK v" + std::to_string(uiVersion));
        EXPECT_EQ(Summary.sCounts, std::to_string(Expected.size()));
    }
    const SArchiveSummary Summary = Gcf.GCF.GetArchiveSummary();
    const SGCFHeaders &Headers = Gcf.GCF.GetHeaders();
    EXPECT_EQ(Summary.sVersion, "v" + std::to_string(Headers.Header.uiVersion));
    EXPECT_EQ(Summary.sCounts, std::to_string(Headers.DataBlockHeader.uiUsedBlocks) + "/" +
                                   std::to_string(Headers.DataBlockHeader.uiTotalBlocks));
}

// Each file's CRC32 as its entry records it, the data file that holds it,
// and the version 2 sums over the directory file and each data file's chunks.
TEST(ArchiveInterface, AVpkSetOffersItsChecksums)
{
    VpkBuilder::SOptions Options;
    Options.uiChunkSize = 4096;
    const VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles(), Options);
    SMemoryVpk Vpk;
    ASSERT_TRUE(Vpk.Open(Set));
    const IArchive &Archive = Vpk.VPK;
    const auto Indexes = IndexByPath(Vpk.VPK);
    EXPECT_EQ(Archive.GetStoredCrc32(Indexes.at("\\root\\maps\\b.bsp")), VpkBuilder::Crc32(GcfBuilder::PatternData(3000, 2)));
    EXPECT_EQ(Archive.GetDataFileName(Indexes.at("\\root\\maps\\b.bsp")), "pak01_001.vpk");
    EXPECT_EQ(Archive.GetDataFileName(Indexes.at("\\root\\root.txt")), "");
    EXPECT_EQ(Archive.GetStoredCrc32(Indexes.at("\\root\\maps")), std::nullopt);

    std::vector<std::string> Named;
    for (const SRecordedMD5 &Sum : Archive.GetRecordedMD5s())
    {
        Named.push_back(Sum.sWhat);
        ASSERT_NE(Sum.lpSource, nullptr) << Sum.sWhat;
        std::string sBytes(Sum.uiLength, '\0');
        ASSERT_TRUE(Sum.lpSource->ReadBytes(Sum.uiOffset, sBytes.data(), sBytes.size())) << Sum.sWhat;
        EXPECT_EQ(VpkBuilder::Md5(sBytes.data(), sBytes.size()), std::string(Sum.MD5.begin(), Sum.MD5.end()))
            << Sum.sWhat;
    }
    EXPECT_EQ(Named, (std::vector<std::string>{"tree", "archive MD5 section", "chunk 0 of pak01_000.vpk",
                                               "chunk 1 of pak01_000.vpk", "chunk 0 of pak01_001.vpk",
                                               "chunk 1 of pak01_001.vpk", "chunk 2 of pak01_001.vpk"}));
    ArchiveTest::SMemoryArchive Gcf;
    ASSERT_TRUE(Gcf.Open(SmallGcf()));
    EXPECT_TRUE(Gcf.GCF.GetRecordedMD5s().empty());
    EXPECT_EQ(Gcf.GCF.GetStoredCrc32(1), std::nullopt);
}

// A set on disk: its files are the archive's own, the missing one included,
// and a missing data file damages only the files stored in it.
TEST(ArchiveInterface, ASetOnDiskKnowsItsFiles)
{
    TestSupport::CTempDir Temp;
    VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles());
    ASSERT_TRUE(VpkBuilder::WriteSet(Set, Temp.sPath, "pak01"));
    const SOpenedArchive Opened = OpenArchive(Temp / "pak01_dir.vpk");
    ASSERT_TRUE(Opened.Archive);
    const auto Identity = [](const std::string &sPath)
    {
        struct stat Status{};
        EXPECT_EQ(::stat(sPath.c_str(), &Status), 0) << sPath;
        return std::pair<uint64_t, uint64_t>(Status.st_dev, Status.st_ino);
    };
    for (const char *szFile : {"pak01_dir.vpk", "pak01_001.vpk"})
    {
        const auto [uiDevice, uiInode] = Identity(Temp / szFile);
        EXPECT_TRUE(Opened.Archive->IsArchiveFile(uiDevice, uiInode)) << szFile;
    }
    TestSupport::WriteText(Temp / "other.vpk", "x");
    const auto [uiDevice, uiInode] = Identity(Temp / "other.vpk");
    EXPECT_FALSE(Opened.Archive->IsArchiveFile(uiDevice, uiInode));
    EXPECT_EQ(Opened.Archive->GetArchiveSummary().uiSize,
              Set.Directory.size() + Set.DataFiles.at(0).size() + Set.DataFiles.at(1).size());

    Opened.Archive->Close();
    ASSERT_EQ(::unlink((Temp / "pak01_001.vpk").c_str()), 0);
    // A FIFO of that name is no archive, and its signature is not waited for.
    ASSERT_EQ(::mkfifo((Temp / "fifo_dir.vpk").c_str(), 0644), 0);
    EXPECT_EQ(OpenArchive(Temp / "fifo_dir.vpk").Result.eRefusal, EOpenRefusal::MapFailed);

    const SOpenedArchive Again = OpenArchive(Temp / "pak01_dir.vpk");
    ASSERT_TRUE(Again.Archive);
    const auto Indexes = IndexByPath(*Again.Archive);
    CItemData Data;
    EXPECT_EQ(Data.DescribeItem(*Again.Archive, Indexes.at("\\root\\bin\\README")), EDataWalk::MissingDataFile);
    EXPECT_EQ(Data.GetSize(), 16u);  // the preload bytes before the damage
    EXPECT_EQ(Data.DescribeItem(*Again.Archive, Indexes.at("\\root\\maps\\a.bsp")), EDataWalk::Complete);
}

// A GCF command's claims come through the interface: the second item of a
// shared chain is damaged within one command only.
TEST(ArchiveInterface, AGcfCommandClaimsItsBlocks)
{
    ArchiveTest::SMemoryArchive Gcf;
    ASSERT_TRUE(Gcf.Open(GcfBuilder::SharedChain(2, 64, 64).Bytes));
    const IArchive &Archive = Gcf.GCF;
    const std::unique_ptr<IDataClaims> Claims = Archive.MakeClaims();
    ASSERT_NE(Claims, nullptr);
    CItemData Data;
    EXPECT_EQ(Data.DescribeItem(Archive, 2, nullptr), EDataWalk::Complete);
    EXPECT_EQ(Data.DescribeItem(Archive, 1, Claims.get()), EDataWalk::Complete);
    EXPECT_EQ(Data.DescribeItem(Archive, 2, Claims.get()), EDataWalk::SharedData);
}

}  // namespace
