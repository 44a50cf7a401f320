// SPDX-License-Identifier: MIT
// The structure dump: the section writer's exact bytes, and which sections
// the reader writes, and from where, for each kind of refused archive.

#include "ArchiveTestSupport.h"

#include "archive/CDump.h"

#include "GcfBuilder.h"

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <sstream>

using namespace Larkspur;
using namespace ArchiveTest;
using namespace GcfBuilder;

namespace
{

std::string DumpOf(const char *szSectionName, const std::vector<uint8_t> &Bytes, bool bNull = false)
{
    CTempDir Folder;
    CDump Dump;
    EXPECT_TRUE(Dump.Open((Folder / "section.txt").c_str()));
    const uint8_t uiNothing = 0;  // an area of length 0 still has an address
    const uint8_t *lpData = Bytes.empty() ? &uiNothing : Bytes.data();
    Dump.Dump(szSectionName, bNull ? nullptr : lpData, static_cast<uint32_t>(Bytes.size()));
    Dump.Close();
    EXPECT_FALSE(Dump.Opened());
    return ReadFile(Folder / "section.txt");
}

TEST(DumpSection, WritesTheByteAndWordTablesExactly)
{
    const std::string sExpected =
        "Dump:\tBlock Entry Map Header\r\n"
        "Size:\t20\r\n"
        "Null:\tFalse\r\n"
        "\r\n"
        "Address: | 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f | 0123456789abcdef\r\n"
        "-----------------------------------------------------------------------------\r\n"
        "00000000 | 01 00 00 00 02 00 00 00 03 00 00 00 41 00 00 00 | ............A...\r\n"
        "00000010 | 00 00 00 00                                     | ....            \r\n"
        "\r\n"
        "Address: | [ DWORD 1 ] [ DWORD 2 ] [ DWORD 3 ] [ DWORD 4 ] |\r\n"
        "------------------------------------------------------------\r\n"
        "00000000 | 00000000001 00000000002 00000000003 00000000065 |\r\n"
        "00000010 | 00000000000                                     |\r\n"
        "\r\n";
    EXPECT_EQ(DumpOf("Block Entry Map Header", {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 65, 0, 0, 0, 0, 0, 0, 0}),
              sExpected);
}

TEST(DumpSection, EdgeShapes)
{
    const std::string sByteHead =
        "Address: | 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f | 0123456789abcdef\r\n" + std::string(77, '-') +
        "\r\n";
    const std::string sWordHead =
        "Address: | [ DWORD 1 ] [ DWORD 2 ] [ DWORD 3 ] [ DWORD 4 ] |\r\n" + std::string(60, '-') + "\r\n";

    EXPECT_EQ(DumpOf("Directory Map Header", {0, 0, 0, 0, 0, 0, 0, 0}, true),
              "Dump:\tDirectory Map Header\r\nSize:\t8\r\nNull:\tTrue\r\n\r\n");
    EXPECT_EQ(DumpOf("Empty", {}),
              "Dump:\tEmpty\r\nSize:\t0\r\nNull:\tFalse\r\n\r\n" + sByteHead + "\r\n" + sWordHead + "\r\n");
    // Five bytes: a padded row keeps the full width, and no word table follows.
    EXPECT_EQ(DumpOf("Chars", {0x1F, 0x20, 0x7E, 0x7F, 0x80}),
              "Dump:\tChars\r\nSize:\t5\r\nNull:\tFalse\r\n\r\n" + sByteHead + "00000000 | 1f 20 7e 7f 80 " +
                  std::string(33, ' ') + "| . ~.." + std::string(11, ' ') + "\r\n\r\n");
    const std::string sHigh = DumpOf("High", {0xFF, 'A', 0xC3, 0xA9});
    EXPECT_NE(sHigh.find("| .A..            \r\n"), std::string::npos);
    EXPECT_NE(sHigh.find("00000000 | 02848145919                                     |\r\n"), std::string::npos);
}

// (section name, written as null) for each section of a dump, in order.
std::vector<std::pair<std::string, bool>> Sections(const std::string &sDump)
{
    std::vector<std::pair<std::string, bool>> Result;
    std::istringstream Lines(sDump);
    std::string sLine;
    while (std::getline(Lines, sLine))
    {
        if (sLine.rfind("Dump:\t", 0) == 0)
            Result.emplace_back(sLine.substr(6, sLine.size() - 7), false);
        else if (sLine.rfind("Null:\t", 0) == 0)
            Result.back().second = sLine == "Null:\tTrue\r";
    }
    return Result;
}

// The words of a section's first word row.
std::vector<uint32_t> FirstWords(const std::string &sDump, const std::string &sSection)
{
    const size_t uiSection = sDump.find("Dump:\t" + sSection + "\r\n");
    const size_t uiTable = sDump.find("[ DWORD 4 ]", uiSection);
    const size_t uiRow = sDump.find("00000000 | ", uiTable);
    std::vector<uint32_t> Words(4, 0);
    std::sscanf(sDump.c_str() + uiRow + 11, "%u %u %u %u", &Words[0], &Words[1], &Words[2], &Words[3]);
    return Words;
}

const char *const SECTION_NAMES[] = {"GCF Header",       "Block Entry Header",   "Fragmentation Map Header",
                                     "Block Entry Map Header", "Directory Header", "Directory Map Header",
                                     "Checksum Header",  "Checksum Map Header",  "Data Block Header"};

std::vector<std::pair<std::string, bool>> Expect(const std::string &sNullMask)
{
    std::vector<std::pair<std::string, bool>> Result;
    for (size_t i = 0; i < 9; i++)
        Result.emplace_back(SECTION_NAMES[i], sNullMask[i] == 'N');
    return Result;
}

class ReaderDump : public testing::Test
{
protected:
    std::string RefusedDump(uint32_t uiVersion, const std::function<void(SArchive &)> &Damage)
    {
        SOptions Options;
        Options.uiVersion = uiVersion;
        Archive = Build(SampleTree(), Options);
        Damage(Archive);
        SMemoryArchive Reader;
        Reader.GCF.SetDumpFolder(Folder.sPath);  // the fixture's folder keeps the dump
        EXPECT_FALSE(Reader.Open(Archive.Bytes));
        return ReadFile(Folder / "dump.txt");
    }

    CTempDir Folder;
    SArchive Archive;
};

// Which sections a refused archive's dump holds ("P") and which it writes as
// null ("N": the version has none, or it lies outside the file); a file too
// short to hold a version gets no dump. The words read back are the file's.
TEST_F(ReaderDump, ShowsTheSectionsThatLieInsideTheFile)
{
    const struct
    {
        const char *szName;
        uint32_t uiVersion;
        std::function<void(SArchive &)> Damage;
        const char *szSections;  // "" for no dump
    } Cases[] = {
        {"a version not known", 6, [](SArchive &A) { SetHeaderField(A, EHeaderField::Version, 4); }, "PNNNNNNNN"},
        {"data area short, version 6", 6, [](SArchive &A) { A.Bytes.pop_back(); }, "PPPNPPPPP"},
        {"data area short, version 5", 5, [](SArchive &A) { A.Bytes.pop_back(); }, "PPPPPPPPP"},
        {"data area short, version 3", 3, [](SArchive &A) { A.Bytes.pop_back(); }, "PPPPPNPPP"},
        {"cut in the Checksum Map Header", 5, [](SArchive &A) { A.Bytes.resize(A.Layout.uiChecksumMapHeader + 15); },
         "PPPPPPPNN"},
        {"Data Block Header past the end", 6, [](SArchive &A) { SetChecksumSize(A, 0xFFFFFFF8u); }, "PPPNPPPPN"},
        {"shorter than the GCF Header", 6, [](SArchive &A) { A.Bytes.resize(40); }, ""},
    };
    for (const auto &Case : Cases)
    {
        SCOPED_TRACE(Case.szName);
        std::remove((Folder / "dump.txt").c_str());
        const std::string sDump = RefusedDump(Case.uiVersion, Case.Damage);
        if (*Case.szSections == '\0')
        {
            EXPECT_FALSE(FileExists(Folder / "dump.txt"));
            continue;
        }
        EXPECT_EQ(Sections(sDump), Expect(Case.szSections));
        EXPECT_EQ(FirstWords(sDump, "GCF Header")[2], GetU32(Archive.Bytes, 8));
        if (Case.szSections[8] == 'N')
            continue;
        // Version 3's header is read from 4 bytes earlier, so its fields line up.
        const std::vector<uint32_t> Words = FirstWords(sDump, "Data Block Header");
        EXPECT_EQ(Words[1], Archive.Layout.uiTotalBlocks);
        EXPECT_EQ(Words[2], 8192u);
        EXPECT_EQ(Words[3], Archive.Layout.uiDataStart);
    }
}

// A dump is a new file: another name of the old one (a hard link) keeps
// the old dump.
TEST_F(ReaderDump, EachDumpReplacesTheLastAndAClosedReaderDumpsNullSections)
{
    const std::string sFirst = RefusedDump(6, [](SArchive &A) { A.Bytes.pop_back(); });
    ASSERT_EQ(::link((Folder / "dump.txt").c_str(), (Folder / "kept.txt").c_str()), 0);
    CGCF GCF;
    GCF.SetDumpFolder(Folder.sPath + "/");
    GCF.Dump();
    EXPECT_EQ(Sections(ReadFile(Folder / "dump.txt")), Expect("NNNNNNNNN"));
    EXPECT_EQ(ReadFile(Folder / "kept.txt"), sFirst);
}

TEST(ReaderDumpPath, TheCurrentFolderUnlessAnotherIsGiven)
{
    CGCF GCF;
    EXPECT_EQ(GCF.GetDumpPath(), "dump.txt");
    for (const auto &[sFolder, sPath] : {std::pair<std::string, std::string>{"/x/y", "/x/y/dump.txt"},
                                         {"/x/y/", "/x/y/dump.txt"}, {"rel", "rel/dump.txt"}, {"", "dump.txt"}})
    {
        GCF.SetDumpFolder(sFolder);
        EXPECT_EQ(GCF.GetDumpPath(), sPath) << sFolder;
    }
}

}  // namespace
