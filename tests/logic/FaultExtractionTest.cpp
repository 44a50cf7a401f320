// SPDX-License-Identifier: MIT
// The extraction engine when the file system fails it: permissions and a
// file size limit. Each failure is its own red line; the run goes on; what
// was written stays intact. These run as root (as CI does) and drop to
// nobody, or lower the limit, in a child process.
#include "tests/support/ExtractionSupport.h"

#include "extract/CTempFolder.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

using namespace Larkspur;
using namespace ExtractionTest;
using GcfBuilder::SItem;

namespace
{

constexpr uid_t NOBODY = 65534;

class FaultExtraction : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root, to drop to an unprivileged user";
    }
};

void BecomeNobody()
{
    ASSERT_EQ(::setresgid(NOBODY, NOBODY, NOBODY), 0);
    ASSERT_EQ(::setresuid(NOBODY, NOBODY, NOBODY), 0);
}

}  // namespace

TEST_F(FaultExtraction, FoldersAndFilesThatNobodyMayWrite)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::Folder("shut", {SItem::File("a", "a"), SItem::File("b", "b")}),
                                             SItem::File("locked", "new"), SItem::File("free", "free")}));
    const std::string sRoot = Case.sOut + "/root";
    ::chmod(Case.Temp.sPath.c_str(), 0755);
    ::mkdir(Case.sOut.c_str(), 0755);
    ::mkdir(sRoot.c_str(), 0777);
    ::chmod(sRoot.c_str(), 0777);
    ::mkdir((sRoot + "/shut").c_str(), 0755);  // root's: nobody cannot write into it
    WriteText(sRoot + "/locked", "old and intact");
    EXPECT_EQ(RunInChild([&] {
                  BecomeNobody();
                  EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
                  EXPECT_EQ(Case.Red(), (SStrings{"Could not open " + sRoot + "/shut/a for writing.",
                                                  "Could not open " + sRoot + "/shut/b for writing.",
                                                  "Could not open " + sRoot + "/locked for writing."}));
                  Case.Console.Lines.clear();
                  // A folder that cannot be made fails each item put into it.
                  EXPECT_TRUE(Case.Engine.ExtractItem(sRoot + "/shut", Case.Index("\\root\\shut")));
                  const std::string sLine = "Faild to create directory " + sRoot + "/shut/shut/.";
                  EXPECT_EQ(Case.Red(), (SStrings{sLine, sLine}));
              }),
              0);
    EXPECT_EQ(ReadFile(sRoot + "/locked"), "old and intact");
    EXPECT_EQ(ReadFile(sRoot + "/free"), "free");
}

TEST_F(FaultExtraction, AWriteCutShortBySizeLimitKeepsTheWrittenPart)
{
    // Scattered blocks gathered into one write and long runs in order alike.
    constexpr rlim_t LIMIT = 10000;
    for (const bool bScatter : {false, true})
    {
        for (const uint32_t uiSize : {30000u, 300000u})
        {
            SCOPED_TRACE(std::to_string(uiSize) + (bScatter ? " scattered" : " in order"));
            const std::string sBig = GcfBuilder::PatternData(uiSize, 5);
            GcfBuilder::SOptions Options;
            Options.bScatter = bScatter;
            CArchiveCase Case(SItem::Folder("root", {SItem::File("small", "small"), SItem::File("big", sBig),
                                                     SItem::File("after", "after")}),
                              Options);
            EXPECT_EQ(RunInChild([&] {
                          ::signal(SIGXFSZ, SIG_IGN);
                          const rlimit Limit = {LIMIT, LIMIT};
                          ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Limit), 0);
                          EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
                          EXPECT_EQ(Case.Red(), SStrings{"Error writing " + Case.sOut + "/root/big (fwrite() failure)."});
                          EXPECT_EQ(Case.Console.Reasons, std::vector<int>{EFBIG});
                          EXPECT_EQ(Case.Wrote(), 2u);
                      }),
                      0);
            const std::string sKept = ReadFile(Case.sOut + "/root/big");
            EXPECT_LE(sKept.size(), LIMIT);
            EXPECT_EQ(sKept, sBig.substr(0, sKept.size()));
            EXPECT_EQ(ReadFile(Case.sOut + "/root/after"), "after");
        }
    }
}

TEST_F(FaultExtraction, DeleteDirectoryGoesOnPastWhatItCannotListOrDelete)
{
    CArchiveCase Case(SItem::Folder("root"));
    const std::string sTop = Case.Temp / "temp";
    ::chmod(Case.Temp.sPath.c_str(), 0755);
    ::mkdir(sTop.c_str(), 0755);
    ::mkdir((sTop + "/locked").c_str(), 0700);  // root's: nobody can neither list nor empty it
    WriteText(sTop + "/locked/inside", "inside");
    WriteText(sTop + "/loose", "loose");
    ASSERT_EQ(::chown(sTop.c_str(), NOBODY, NOBODY), 0);
    EXPECT_EQ(RunInChild([&] {
                  BecomeNobody();
                  CTempFolder::DeleteDirectory(sTop, Case.Console);
                  EXPECT_EQ(Case.Console.Lines, (SLines{{"Could not list " + sTop + "/locked.", ELineColor::Red},
                                                        {"Could not delete " + sTop + "/locked.", ELineColor::Red},
                                                        {"Deleted " + sTop + "/loose.", ELineColor::Gray},
                                                        {"Could not delete " + sTop + ".", ELineColor::Red}}));
              }),
              0);
    EXPECT_EQ(ReadFile(sTop + "/locked/inside"), "inside");
}
