// SPDX-License-Identifier: MIT
// larkspur-cli mount as users meet it: a real FUSE mount of builder-made
// archives, read with ordinary system calls and tools. Skipped, with the
// reason, where this build or this machine cannot mount (no libfuse3, no
// usable /dev/fuse, no fusermount3).

#include "MountSupport.h"
#include "VpkBuilder.h"
#include "tests/cli/CliSupport.h"
#include "cli/MountCommand.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

using namespace MountSupport;
using namespace TestSupport;
using GcfBuilder::SArchive;
using GcfBuilder::SItem;

TEST(Mount, ShowsEveryFolderAndFileWithItsBytesInEveryVersion)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    const SItem Tree = GcfBuilder::SampleTree();  // empty files and folders, a file over three entries
    const SExpected Expected = Expect(Tree);
    const struct
    {
        const char *szName;
        GcfBuilder::SOptions Options;
    } Variants[] = {
        {"version 3", {.uiVersion = 3}},
        {"version 5, scattered", {.uiVersion = 5, .bScatter = true}},
        {"version 6, scattered, entries of at most 3 blocks", {.uiVersion = 6, .bScatter = true, .uiBlocksPerEntry = 3}},
    };
    for (const auto &Variant : Variants)
    {
        SCOPED_TRACE(Variant.szName);
        const std::string sArchive = Temp / "archive.gcf";
        WriteArchive(sArchive, Tree, Variant.Options);
        struct stat ArchiveStat;
        ASSERT_EQ(::stat(sArchive.c_str(), &ArchiveStat), 0);

        CMount Mount(sArchive, Temp / "mnt", Temp / "stderr");
        ASSERT_TRUE(Mount.Mounted()) << ReadFile(Temp / "stderr");
        EXPECT_EQ(ListTree(Mount.sMountPoint), Expected.Paths);
        for (const std::string &sPath : Expected.Paths)
        {
            SCOPED_TRACE(sPath);
            struct stat Stat;
            ASSERT_EQ(::stat((Mount.sMountPoint + "/" + sPath).c_str(), &Stat), 0);
            const auto File = Expected.Files.find(sPath);
            EXPECT_EQ(Stat.st_mode, File == Expected.Files.end() ? (S_IFDIR | 0555u) : (S_IFREG | 0444u));
            EXPECT_EQ(Stat.st_uid, ::getuid());
            EXPECT_EQ(Stat.st_mtim.tv_sec, ArchiveStat.st_mtim.tv_sec);
            EXPECT_EQ(Stat.st_mtim.tv_nsec, ArchiveStat.st_mtim.tv_nsec);
            if (File == Expected.Files.end())
                continue;
            EXPECT_EQ(static_cast<size_t>(Stat.st_size), File->second.size());
            std::string sData;
            EXPECT_EQ(ReadAll(Mount.sMountPoint + "/" + sPath, sData), 0);
            EXPECT_TRUE(sData == File->second);
        }
        // The archive's own checksums, as larkspur-cli hash prints them for
        // an extracted copy, check the mounted one too.
        ASSERT_EQ(RunTool(std::string(LARKSPUR_CLI_PATH) + " hash '" + sArchive + "' > '" + (Temp / "sums") + "'"), 0);
        EXPECT_EQ(RunTool("cd '" + Mount.sMountPoint + "' && sha256sum --quiet --strict -c '" + (Temp / "sums") + "'"), 0);
        EXPECT_EQ(Mount.Unmount(), 0);
        EXPECT_EQ(ReadFile(Temp / "stderr"), "");
    }
}

TEST(Mount, ReadsAtAnyOffsetAndAcrossBlockEdges)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    const std::string sData = GcfBuilder::PatternData((3u << 19) + 3, 9);  // 1.5 MiB and 3 bytes
    const uint64_t uiSize = sData.size();
    // 512-byte blocks, scattered: a 1 MiB read then lies in 2,048 pieces.
    const struct
    {
        const char *szName;
        GcfBuilder::SOptions Options;
    } Variants[] = {
        {"8 KiB blocks, scattered", {.bScatter = true}},
        {"512-byte blocks, scattered", {.uiBlockSize = 512, .uiDataBlockSize = 512, .bScatter = true}},
    };
    for (const auto &Variant : Variants)
    {
        SCOPED_TRACE(Variant.szName);
        WriteArchive(Temp / "archive.gcf", SItem::Folder("root", {SItem::File("big.bin", sData)}), Variant.Options);
        CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
        ASSERT_TRUE(Mount.Mounted());
        // Direct reads reach the server at exactly these offsets and sizes.
        const int iFile = ::open((Mount.sMountPoint + "/root/big.bin").c_str(), O_RDONLY | O_DIRECT);
        ASSERT_GE(iFile, 0);
        std::string sBuffer((1u << 20) + 1, '\0');
        for (const uint64_t uiOffset : std::initializer_list<uint64_t>{0, 1, 511, 512, 513, 8191, 8192, 8193, 12345, 1u << 20,
                                                                      uiSize - 3, uiSize - 1, uiSize, uiSize + 100})
        {
            for (const size_t uiLength : std::initializer_list<size_t>{1, 2, 511, 8192, 10001, 1u << 20})
            {
                const ssize_t iRead = ::pread(iFile, sBuffer.data(), uiLength, static_cast<off_t>(uiOffset));
                const size_t uiExpected = uiOffset >= uiSize ? 0 : std::min<size_t>(uiLength, uiSize - uiOffset);
                ASSERT_EQ(iRead, static_cast<ssize_t>(uiExpected)) << uiOffset << "+" << uiLength;
                EXPECT_TRUE(std::string_view(sBuffer.data(), uiExpected) ==
                            std::string_view(sData).substr(std::min<uint64_t>(uiOffset, uiSize), uiExpected))
                    << uiOffset << "+" << uiLength;
            }
        }
        ::close(iFile);
        EXPECT_EQ(Mount.Unmount(), 0);
    }
}

TEST(Mount, DamagedDataGivesEioAndTheMountStaysUp)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    const std::string sGood = GcfBuilder::PatternData(40000, 1), sBroken = GcfBuilder::PatternData(300000, 2);
    SItem NoData = SItem::File("nodata.bin", std::string(5000, 'x')), NoDataEmpty = SItem::File("nodata-empty", "");
    NoData.bNoData = NoDataEmpty.bNoData = true;
    // The chain of broken.bin leaves the data area after its third block.
    WriteArchive(Temp / "archive.gcf",
                 SItem::Folder("root", {SItem::File("broken.bin", sBroken), NoData, NoDataEmpty, SItem::File("good.bin", sGood)}),
                 {}, [](SArchive &Archive) { GcfBuilder::SetNextBlock(Archive, Archive.Layout.Blocks[1][2], 0x00FFFFFF); });
    CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
    ASSERT_TRUE(Mount.Mounted());
    const std::string sRoot = Mount.sMountPoint + "/root/";

    // The bytes the chain holds read; a read that reaches past them fails.
    const int iFile = ::open((sRoot + "broken.bin").c_str(), O_RDONLY | O_DIRECT);
    ASSERT_GE(iFile, 0);
    std::string sBuffer(30000, '\0');
    EXPECT_EQ(::pread(iFile, sBuffer.data(), 24576, 0), 24576);
    EXPECT_EQ(sBuffer.substr(0, 24576), sBroken.substr(0, 24576));
    errno = 0;
    EXPECT_EQ(::pread(iFile, sBuffer.data(), 2, 24575), -1);
    EXPECT_EQ(errno, EIO);
    ::close(iFile);
    // Through the page cache: what a program reading the file sees.
    std::string sData;
    EXPECT_EQ(ReadAll(sRoot + "broken.bin", sData), EIO);
    EXPECT_LE(sData.size(), 24576u);
    EXPECT_EQ(sData, sBroken.substr(0, sData.size()));

    // Files without data are not written by extract, so not shown.
    EXPECT_EQ(ReadAll(sRoot + "nodata.bin", sData), ENOENT);
    EXPECT_EQ(ReadAll(sRoot + "nodata-empty", sData), ENOENT);
    EXPECT_EQ(ReadAll(sRoot + "good.bin", sData), 0);
    EXPECT_TRUE(sData == sGood);
    EXPECT_TRUE(Mount.Running());
    EXPECT_EQ(Mount.Unmount(), 0);
}

// Reading a folder's first file stores the small files after it in the
// kernel's cache ahead of their reads: each must hold its own bytes, and
// a file whose data the archive lacks must still fail (or not be there).
TEST(Mount, FilesStoredAheadInAFolderHoldTheirBytesAndDamageStillFails)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    SItem NoData = SItem::File("nodata.bin", std::string(5000, 'x'));
    NoData.bNoData = true;
    const std::vector<SItem> Files = {
        SItem::File("first.txt", "first"),
        SItem::File("one.bin", "1"),
        SItem::File("page.bin", GcfBuilder::PatternData(4096, 2)),
        SItem::File("broken.bin", GcfBuilder::PatternData(300000, 3)),
        SItem::File("split.bin", GcfBuilder::PatternData(70000, 9)),
        NoData,
        SItem::File("mib.bin", GcfBuilder::PatternData(1 << 20, 4)),
        SItem::File("larger.bin", GcfBuilder::PatternData((1 << 20) + 1, 5)),
        SItem::File("last.bin", GcfBuilder::PatternData(8193, 6)),
    };
    GcfBuilder::SOptions Scattered;  // many runs per file, each stored at its own offset
    Scattered.bScatter = true;
    WriteArchive(Temp / "archive.gcf", SItem::Folder("root", Files), Scattered,
                 [](SArchive &Archive) { GcfBuilder::SetNextBlock(Archive, Archive.Layout.Blocks[4][2], 0x00FFFFFF); });
    CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
    ASSERT_TRUE(Mount.Mounted());
    const std::string sRoot = Mount.sMountPoint + "/root/";

    std::vector<std::string> Names;  // a listing first, as cp -r and tar make one
    for (const auto &Entry : std::filesystem::directory_iterator(sRoot))
        Names.push_back(Entry.path().filename().string());
    EXPECT_EQ(Names.size(), Files.size() - 1);  // all but the file without data
    std::string sData;
    ASSERT_EQ(ReadAll(sRoot + "first.txt", sData), 0);
    EXPECT_TRUE(WaitFor([&] { return IsCached(sRoot + "last.bin", 8193); }));
    for (const SItem &File : Files)
    {
        SCOPED_TRACE(File.sName);
        const bool bDamaged = File.sName == "broken.bin", bLeftOut = File.sName == "nodata.bin";
        EXPECT_EQ(ReadAll(sRoot + File.sName, sData), bDamaged ? EIO : bLeftOut ? ENOENT : 0);
        if (!bDamaged && !bLeftOut)
        {
            EXPECT_TRUE(sData == File.sData);
        }
    }
    EXPECT_TRUE(Mount.Running());
    EXPECT_EQ(Mount.Unmount(), 0);
}

TEST(Mount, AnArchiveCutShortUnderneathGivesEioNotACrash)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    const SItem Tree = GcfBuilder::SampleTree();
    const SExpected Expected = Expect(Tree);
    const GcfBuilder::SLayout Layout = WriteArchive(Temp / "archive.gcf", Tree);
    CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
    ASSERT_TRUE(Mount.Mounted());
    std::string sData;
    EXPECT_EQ(ReadAll(Mount.sMountPoint + "/root/readme", sData), 0);

    // The data area goes; the directory was copied at open and stays.
    ASSERT_EQ(::truncate((Temp / "archive.gcf").c_str(), Layout.uiDataStart), 0);
    EXPECT_EQ(ReadAll(Mount.sMountPoint + "/root/maps/de_larkspur.bsp", sData), EIO);
    EXPECT_EQ(ReadAll(Mount.sMountPoint + "/root/client.dll", sData), EIO);
    EXPECT_EQ(ListTree(Mount.sMountPoint), Expected.Paths);
    EXPECT_TRUE(Mount.Running());
    EXPECT_EQ(Mount.Unmount(), 0);
}

TEST(Mount, UnsafeNamesAndSecondNamesAreLeftOutAndReportedOnce)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    WriteArchive(Temp / "archive.gcf",
                 SItem::Folder("root", {SItem::File("..", "up"), SItem::File("ok", "1"), SItem::Folder("a\x1b]0;b", {}),
                                        SItem::Folder("ok", {SItem::File("below", "2")}), SItem::File("x/\x1b[2J", "3")}));
    CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
    ASSERT_TRUE(Mount.Mounted());
    EXPECT_EQ(ListTree(Mount.sMountPoint), (SStrings{"root", "root/a\x1b]0;b", "root/ok"}));
    std::string sData;
    EXPECT_EQ(ReadAll(Mount.sMountPoint + "/root/ok", sData), 0);
    EXPECT_EQ(sData, "1");
    EXPECT_EQ(ReadAll(Mount.sMountPoint + "/root/..", sData), EISDIR);  // the root folder's own parent
    EXPECT_EQ(Mount.Unmount(), 0);
    // Control characters of names are shown as "?" on the terminal.
    EXPECT_EQ(ReadFile(Temp / "stderr"), "Left out \\root\\.. (unsafe name).\n"
                                         "Left out \\root\\ok (a second item of this name in the folder).\n"
                                         "Left out \\root\\x/?[2J (unsafe name).\n");
}

TEST(Mount, ADamagedDirectoryShowsWhatLiesBeforeTheDamage)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    // The last item of the root leads back to the first: a loop.
    WriteArchive(Temp / "archive.gcf", SItem::Folder("root", {SItem::File("one", "1"), SItem::File("two", "2")}), {},
                 [](SArchive &Archive) { GcfBuilder::SetDirectoryField(Archive, 2, GcfBuilder::EDirField::NextSibling, 1); });
    CMount Mount(Temp / "archive.gcf", Temp / "mnt", Temp / "stderr");
    ASSERT_TRUE(Mount.Mounted());
    EXPECT_EQ(ListTree(Mount.sMountPoint), (SStrings{"root", "root/one", "root/two"}));
    EXPECT_EQ(ReadFile(Mount.sMountPoint + "/root/two"), "2");
    EXPECT_EQ(Mount.Unmount(), 0);
    EXPECT_EQ(ReadFile(Temp / "stderr"),
              "The archive's directory is damaged: only the items before the damage are shown.\n");
}

TEST(Mount, EveryWayToStopUnmountsAndLeavesNoProcess)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    WriteArchive(Temp / "archive.gcf", GcfBuilder::SampleTree());
    const std::string sMountPoint = Temp / "mnt";
    const struct
    {
        const char *szHow;
        std::function<int(CMount &)> Stop;
    } Ways[] = {
        {"fusermount3 -u", [](CMount &Mount) { return Mount.Unmount(); }},
        {"Ctrl+C", [](CMount &Mount) { return Mount.Stop(SIGINT); }},
        {"SIGTERM", [](CMount &Mount) { return Mount.Stop(SIGTERM); }},
    };
    for (const auto &Way : Ways)
    {
        SCOPED_TRACE(Way.szHow);
        CMount Mount(Temp / "archive.gcf", sMountPoint, Temp / "stderr");
        ASSERT_TRUE(Mount.Mounted());
        EXPECT_EQ(Way.Stop(Mount), 0);
        EXPECT_FALSE(IsMounted(sMountPoint));
        EXPECT_TRUE(WaitFor([&] { return ProcessesOf(sMountPoint).empty(); })) << ProcessesOf(sMountPoint).size();
    }

    // Detached: the command returns once the archive is mounted, and the
    // server it leaves ends with the mount.
    EXPECT_EQ(RunTool(std::string(LARKSPUR_CLI_PATH) + " mount '" + (Temp / "archive.gcf") + "' '" + sMountPoint +
                      "' </dev/null >/dev/null 2>&1"),
              0);
    ASSERT_TRUE(IsMounted(sMountPoint));
    EXPECT_FALSE(ProcessesOf(sMountPoint).empty());
    EXPECT_EQ(ReadFile(sMountPoint + "/root/readme").size(), 1500u);
    EXPECT_EQ(RunTool("fusermount3 -u '" + sMountPoint + "'"), 0);
    EXPECT_TRUE(WaitFor([&] { return ProcessesOf(sMountPoint).empty(); })) << ProcessesOf(sMountPoint).size();
}

// A VPK set mounts as a GCF does (MOUNTPOINT/root/maps/a.bsp), its files
// with their bytes from the directory file and the data files; a file whose
// bytes partly overlap an earlier file's is left out and reported.
TEST(Mount, ShowsAVpkSetInBothVersions)
{
    SKIP_UNLESS_MOUNTABLE();
    CTempDir Temp;
    const SExpected Expected = Expect(VpkBuilder::TreeFromFiles(VpkBuilder::SampleFiles()));
    for (const uint32_t uiVersion : {1u, 2u, 3u})
    {
        SCOPED_TRACE(uiVersion);
        VpkBuilder::SOptions Options;
        Options.uiVersion = std::min(uiVersion, 2u);
        VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::SampleFiles(), Options);
        const bool bOverlap = uiVersion == 3;  // readme.txt's bytes start inside a.bsp's
        if (bOverlap)
            VpkBuilder::SetEntryField(Set, 4, VpkBuilder::EEntryField::EntryOffset, 10);
        ASSERT_TRUE(VpkBuilder::WriteSet(Set, Temp.sPath, "pak01"));
        CMount Mount(Temp / "pak01_dir.vpk", Temp / "mnt", Temp / "stderr");
        ASSERT_TRUE(Mount.Mounted()) << ReadFile(Temp / "stderr");
        SStrings Paths = Expected.Paths;
        if (bOverlap)
            std::erase(Paths, "root/maps/readme.txt");
        EXPECT_EQ(ListTree(Mount.sMountPoint), Paths);
        for (const auto &[sPath, sBytes] : Expected.Files)
        {
            std::string sData;
            const bool bShown = std::find(Paths.begin(), Paths.end(), sPath) != Paths.end();
            EXPECT_EQ(ReadAll(Mount.sMountPoint + "/" + sPath, sData) == 0 && sData == sBytes, bShown) << sPath;
        }
        EXPECT_EQ(Mount.Unmount(), 0);
        EXPECT_EQ(ReadFile(Temp / "stderr"),
                  bOverlap ? "Left out \\root\\maps\\readme.txt (data overlapping another file's).\n" : "");
    }
}

TEST(Mount, RefusesWhatItCannotMount)
{
    CTempDir Temp;
    WriteArchive(Temp / "archive.gcf", GcfBuilder::SampleTree());
    ::mkdir((Temp / "mnt").c_str(), 0755);
    if (!Larkspur::MountingAvailable())
    {
        EXPECT_EQ(RunCli({"mount", Temp / "archive.gcf", Temp / "mnt"}, Temp.sPath),
                  (SCliRun{1, "", "Mounting is not available: this larkspur-cli was built without FUSE 3 (libfuse3).\n"}));
        return;
    }
    const struct
    {
        SStrings Arguments;
        int iExitCode;
        std::string sErr;
    } Cases[] = {
        {{"mount", Temp / "missing.gcf", Temp / "mnt"}, 2,
         "Could not open:\n" + (Temp / "missing.gcf") + "\n\nError:\nFile does not exist.\n"},
        {{"mount", Temp / "archive.gcf", Temp / "nothing"}, 2, "No such folder: " + (Temp / "nothing") + "\n"},
        {{"mount", Temp / "archive.gcf", Temp / "archive.gcf"}, 2, "No such folder: " + (Temp / "archive.gcf") + "\n"},
    };
    for (const auto &Case : Cases)
    {
        const SCliRun Run = RunCli(Case.Arguments, Temp.sPath);
        EXPECT_EQ(Run, (SCliRun{Case.iExitCode, "", Case.sErr})) << testing::PrintToString(Case.Arguments);
    }
    EXPECT_EQ(RunCli({"mount", Temp / "archive.gcf"}, Temp.sPath).iExitCode, 2);
}
