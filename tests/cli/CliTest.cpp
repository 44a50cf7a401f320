// SPDX-License-Identifier: MIT
// larkspur-cli's commands, run in-process on archives made by the builder:
// their exact output, their error texts and their exit statuses.

#include "GcfBuilder.h"
#include "Version.h"
#include "tests/cli/CliSupport.h"
#include "window/Utils.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

using namespace Larkspur;
using namespace TestSupport;
using GcfBuilder::SItem;

namespace
{

// Directory indexes in the comments (pre-order). A file and a folder share
// the name "maps", the file first; one name is Latin-1, not UTF-8.
SItem CliTree()
{
    return SItem::Folder("stored root name", {                 // 0
        SItem::File("maps", "hello"),                          // 1
        SItem::Folder("maps", {                                // 2
            SItem::File("x.bsp", std::string(8192, 'x')),      // 3
            SItem::File("readme.txt", std::string(1536, 'r')), // 4
        }),
        SItem::File("caf\xE9.txt", "c"),                       // 5
        SItem::Folder("empty"),                                // 6
        SItem::Folder("One", {                                 // 7
            SItem::File("noext", ""),                          // 8
        }),
    });
}

const char *const FullListing =
    "root\t5 Items\tFolder\n"
    "root/maps\t5 B\tFile\n"
    "root/maps\t2 Items\tFolder\n"
    "root/maps/x.bsp\t8.00 KB\tHalf-Life Level\n"
    "root/maps/readme.txt\t1.50 KB\tText File\n"
    "root/caf\xE9.txt\t1 B\tText File\n"
    "root/empty\t0 Items\tFolder\n"
    "root/One\t1 Item\tFolder\n"
    "root/One/noext\t0 B\tFile\n";

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GcfBuilder::SOptions Options;
        Options.uiSpareBlocks = 3;
        Archive = GcfBuilder::Build(CliTree(), Options);
        sArchive = WriteArchive("test.gcf", Archive.Bytes);
    }

    std::string WriteArchive(const char *szName, const std::vector<uint8_t> &Bytes)
    {
        const std::string sPath = Temp / szName;
        EXPECT_TRUE(GcfBuilder::WriteFile(sPath, Bytes));
        return sPath;
    }

    // A refused archive's dump goes to the work folder.
    SCliRun Run(const std::vector<std::string> &Arguments) { return RunCli(Arguments, sWorkDir); }

    static std::string CouldNotOpen(const std::string &sPath, const std::string &sReason)
    {
        return "Could not open:\n" + sPath + "\n\nError:\n" + sReason + "\n";
    }

    CTempDir Temp;
    const std::string sWorkDir = [this] {
        const std::string sPath = Temp / "work";
        ::mkdir(sPath.c_str(), 0755);
        return sPath;
    }();
    GcfBuilder::SArchive Archive;
    std::string sArchive;
};

}  // namespace

TEST_F(CliTest, InfoShowsHeaderAndRootCounts)
{
    const SCliRun Result = Run({"info", sArchive});
    EXPECT_EQ(Result.iExitCode, 0) << Result.sErr;
    EXPECT_EQ(Result.sErr, "");
    // Data: 5 + 8192 + 1536 + 1 + 0 bytes; on disk each non-empty file takes
    // whole blocks, and an exact multiple one block more: 8192 * 5. The
    // recorded size is the file's own.
    const std::string sExpected = "Version: 6\n"
                                  "Size: " + Utils::FileSizeToString(static_cast<uint32_t>(Archive.Bytes.size())).toStdString() + "\n"
                                  "Blocks: 4/7\n"
                                  "Items: 9\n"
                                  "Folders: 3\n"
                                  "Files: 5\n"
                                  "Data size: 9.51 KB (9,734 B)\n"
                                  "Size on disk: 40.00 KB (40,960 B)\n";
    EXPECT_EQ(Result.sOut, sExpected);
}

TEST_F(CliTest, ListWritesEveryItemInTreeOrder)
{
    const SCliRun Result = Run({"list", sArchive});
    EXPECT_EQ(Result.iExitCode, 0) << Result.sErr;
    EXPECT_EQ(Result.sOut, FullListing);  // the Latin-1 name is written as its bytes
    EXPECT_EQ(Result.sErr, "");
}

TEST_F(CliTest, ListItemAcceptsEitherSeparator)
{
    const std::string sBsp = "root/maps/x.bsp\t8.00 KB\tHalf-Life Level\n";
    const std::string sMapsFolder =
        "root/maps\t2 Items\tFolder\n" + sBsp + "root/maps/readme.txt\t1.50 KB\tText File\n";
    const struct
    {
        const char *szItem;
        std::string sExpected;
    } Cases[] = {
        {"root/maps/x.bsp", sBsp},
        {"\\root\\maps\\x.bsp", sBsp},
        {"/root/maps/x.bsp", sBsp},
        {"root\\maps/x.bsp", sBsp},
        {"root", FullListing},
        {"/root", FullListing},
        // The file "maps" comes first; a part with more after it, or a
        // trailing separator, can only be the folder.
        {"root/maps", "root/maps\t5 B\tFile\n"},
        {"root/maps/", sMapsFolder},
        {"root/One", "root/One\t1 Item\tFolder\nroot/One/noext\t0 B\tFile\n"},
        {"root/empty", "root/empty\t0 Items\tFolder\n"},
    };
    for (const auto &Case : Cases)
    {
        const SCliRun Result = Run({"list", sArchive, Case.szItem});
        EXPECT_EQ(Result.iExitCode, 0) << Case.szItem << ": " << Result.sErr;
        EXPECT_EQ(Result.sOut, Case.sExpected) << Case.szItem;
    }
}

// An unknown item is a wrong argument, with the same status in every command
// that names items.
TEST_F(CliTest, UnknownItemGivesStatus2)
{
    for (const char *szItem : {"root/nothing", "ROOT", "maps", "root/MAPS", "root/maps/x.bsp/more", ""})
    {
        const SCliRun Result = Run({"list", sArchive, szItem});
        EXPECT_EQ(Result.iExitCode, 2) << szItem;
        EXPECT_EQ(Run({"extract", sArchive, szItem, "-o", Temp / "out"}), Result) << szItem;
        EXPECT_EQ(Result.sOut, "") << szItem;
        EXPECT_EQ(Result.sErr, std::string("No such item: ") + szItem + "\n");
    }
}

TEST_F(CliTest, ListOfDamagedDirectoryStopsWithError)
{
    // "One" names itself as its own first item.
    GcfBuilder::SetDirectoryField(Archive, 7, GcfBuilder::EDirField::FirstChild, 7);
    const std::string sDamaged = WriteArchive("damaged.gcf", Archive.Bytes);
    const SCliRun Result = Run({"list", sDamaged});
    EXPECT_EQ(Result.iExitCode, 1);
    const std::string sWalked = std::string(FullListing).substr(0, std::string(FullListing).find("root/One\t"));
    EXPECT_EQ(Result.sOut.substr(0, sWalked.size()), sWalked);
    EXPECT_EQ(Result.sOut.find("noext"), std::string::npos);
    EXPECT_NE(Result.sErr.find("damaged"), std::string::npos) << Result.sErr;
}

// find writes only the locations on stdout, for the next command to read;
// the count goes to stderr, and no match is status 1, as grep gives.
TEST_F(CliTest, FindWritesLocationsAndCountsOnStderr)
{
    const struct
    {
        std::string sText;
        std::string sOut;
        const char *szCount;
    } Cases[] = {
        {"MAPS", "root/maps\nroot/maps\n", "2 results."},
        {"x.bsp", "root/maps/x.bsp\n", "1 result."},
        {"o", "root\nroot/One\nroot/One/noext\n", "3 results."},
        {" x", "", "0 results."},
        // A UTF-8 word finds a Latin-1 name; the location keeps its bytes.
        {"CAF\xC3\x89", "root/caf\xE9.txt\n", "1 result."},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(Run({"find", sArchive, Case.sText}),
                  (SCliRun{Case.sOut.empty() ? 1 : 0, Case.sOut,
                           "Search for '" + Case.sText + "' returned " + Case.szCount + "\n"}));
}

TEST_F(CliTest, DumpWritesDumpFileInTheDumpFolder)
{
    const SCliRun Result = Run({"dump", sArchive});
    EXPECT_EQ(Result.iExitCode, 0) << Result.sErr;
    EXPECT_EQ(Result.sOut, "");
    EXPECT_TRUE(ReadFile(sWorkDir + "/dump.txt").starts_with("Dump:\tGCF Header\r\n")) << Result.sErr;
    // A folder that cannot take the file is told, not passed over.
    EXPECT_EQ(RunCli({"dump", sArchive}, Temp / "missing"),
              (SCliRun{1, "", "Error:\nCould not write dump.txt in the current folder.\n"}));
}

TEST_F(CliTest, ArchivesThatCannotBeOpened)
{
    std::vector<uint8_t> WrongVersion = Archive.Bytes;
    GcfBuilder::SetU32(WrongVersion, 8, 7);  // uiVersion
    const std::string sWrongVersion = WriteArchive("v7.gcf", WrongVersion);
    std::vector<uint8_t> Truncated = Archive.Bytes;
    Truncated.resize(Truncated.size() - 100);  // the data area now ends beyond the file
    const std::string sTruncated = WriteArchive("short.gcf", Truncated);
    const std::string sMissing = Temp / "missing.gcf";

    const struct
    {
        std::string sPath;
        std::string sReason;
        bool bDumps;
    } Cases[] = {
        {sWrongVersion,
         "Invalid GCF version number.\n\nYou have a version of a GCF file that Larkspur does not know how to read.  "
         "Check for product updates.",
         true},
        {sTruncated, "Corrupt file.\n\nThe file map is not within file bounds.", true},
        {sMissing, "File does not exist.", false},
        {Temp.sPath, "File does not exist.", false},  // a folder is no file
    };
    // Only the dump command leaves a dump: the others write no file they
    // were not asked for.
    for (const auto &Case : Cases)
    {
        for (const char *szCommand : {"info", "list", "find", "extract", "dump"})
        {
            ::unlink((sWorkDir + "/dump.txt").c_str());
            std::vector<std::string> Arguments{szCommand, Case.sPath};
            if (std::string(szCommand) == "find")
                Arguments.push_back("x");
            if (std::string(szCommand) == "extract")
                Arguments.insert(Arguments.end(), {"-o", Temp / "out"});
            const SCliRun Result = Run(Arguments);
            EXPECT_EQ(Result.iExitCode, 2) << szCommand << " " << Case.sPath;
            EXPECT_EQ(Result.sOut, "");
            EXPECT_EQ(Result.sErr, CouldNotOpen(Case.sPath, Case.sReason));
            EXPECT_EQ(FileExists(sWorkDir + "/dump.txt"), Case.bDumps && std::string(szCommand) == "dump")
                << szCommand << " " << Case.sPath;
        }
    }
}

TEST_F(CliTest, UsageErrorsHelpAndVersion)
{
    using SArguments = std::vector<std::string>;
    for (const SArguments &Arguments : {SArguments{}, SArguments{"info"}, SArguments{"bogus", sArchive},
                                        SArguments{"info", sArchive, "extra"}, SArguments{"find", sArchive},
                                        SArguments{"list", "--nonsense", sArchive}})
    {
        const SCliRun Result = Run(Arguments);
        EXPECT_EQ(Result.iExitCode, 2) << testing::PrintToString(Arguments);
        EXPECT_NE(Result.sErr, "") << testing::PrintToString(Arguments);
    }

    const SCliRun Help = Run({"--help"});
    EXPECT_EQ(Help.iExitCode, 0);
    for (const char *szCommand : {"info", "list", "dump", "find", "extract"})
        EXPECT_NE(Help.sOut.find(szCommand), std::string::npos) << szCommand;
    // No help says a word twice ("TEXT TEXT REQUIRED").
    for (const char *szCommand : {"info", "list", "find", "extract", "dump", "hash", "cat", "mount"})
    {
        std::istringstream Words(Run({szCommand, "--help"}).sOut);
        std::string sWord, sLast;
        while (Words >> sWord)
            EXPECT_NE(sWord, std::exchange(sLast, sWord)) << szCommand;
    }

    const SCliRun Version = Run({"--version"});
    EXPECT_EQ(Version.iExitCode, 0);
    EXPECT_NE(Version.sOut.find(LARKSPUR_VERSION), std::string::npos) << Version.sOut;
}
