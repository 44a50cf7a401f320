// SPDX-License-Identifier: MIT
// larkspur-cli's ITEM arguments as shell patterns, and the listing's forms
// for programs: exact sizes and JSON, parsed back as a script's parser would.

#include "tests/cli/CliSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace TestSupport;
using GcfBuilder::SItem;

namespace
{

class CliItems : public CArchiveFolderTest
{
protected:
    void SetUp() override
    {
        SItem Ghost = SItem::File("ghost", "");
        Ghost.bNoData = true;
        SItem Flagged = SItem::File("b", "bb");
        Flagged.uiFlags = 0x0000400A;
        const SItem Tree = SItem::Folder(
            "root", {SItem::File("[ab]", "exact"), SItem::File("a", "a"), Flagged,
                     SItem::Folder("sub", {SItem::File("x", "x")}),
                     SItem::Folder("other", {SItem::File("x", "y"), SItem::Folder("x")}), Ghost,
                     SItem::File("caf\xE9", "c")});
        sArchive = Write("items.gcf", GcfBuilder::Build(Tree).Bytes);
    }

    SCliRun Run(std::vector<std::string> Arguments)
    {
        Arguments.insert(Arguments.begin() + 1, sArchive);
        return RunCli(Arguments, Temp.sPath);
    }

    // The first field of each line: the locations listed.
    static SStrings Locations(const std::string &sOut)
    {
        SStrings Found;
        std::istringstream Lines(sOut);
        for (std::string sLine; std::getline(Lines, sLine);)
            Found.push_back(sLine.substr(0, sLine.find('\t')));
        return Found;
    }

    std::string sArchive;
};

}  // namespace

TEST_F(CliItems, PatternsNameEveryItemTheyMatchOnce)
{
    const struct
    {
        std::vector<std::string> Items;
        SStrings Listed;
    } Cases[] = {
        {{"root/*/x"}, {"root/sub/x", "root/other/x", "root/other/x"}},  // the file, then the folder
        {{"root/*/x/"}, {"root/other/x"}},
        {{"root/[ab]*"}, {"root/a", "root/b"}},
        {{"root/[ab]"}, {"root/[ab]"}},  // an exact name is that item
        {{"\\r??t\\s*"}, {"root/sub", "root/sub/x"}},
        {{"root/a", "root/?", "root/a"}, {"root/a", "root/b"}},
        {{"root/*/*/*"}, {}},
        {{"root/z*"}, {}},
    };
    for (const auto &Case : Cases)
    {
        std::vector<std::string> Arguments{"list"};
        Arguments.insert(Arguments.end(), Case.Items.begin(), Case.Items.end());
        const SCliRun Result = Run(Arguments);
        EXPECT_EQ(Locations(Result.sOut), Case.Listed) << Case.Items.front();
        EXPECT_EQ(Result.iExitCode, Case.Listed.empty() ? 2 : 0) << Case.Items.front();
        EXPECT_EQ(Result.sErr, Case.Listed.empty() ? "No such item: " + Case.Items.front() + "\n" : "");
    }

    // extract and hash take the same patterns; cat wants one file.
    const std::string sOut = Temp / "out";
    EXPECT_EQ(Run({"extract", "root/?", "-o", sOut, "-q"}), (SCliRun{0, "Extracting to " + sOut + ".\nDone.\n", ""}));
    EXPECT_EQ(ListTree(sOut), (SStrings{"a", "b"}));
    EXPECT_EQ(Run({"hash", "--crc32", "root/s*/?"}), (SCliRun{0, "8cdc1683  x\n", ""}));
    EXPECT_EQ(Run({"cat", "root/[ab]"}), (SCliRun{0, "exact", ""}));
    EXPECT_EQ(Run({"cat", "root/s*/x"}), (SCliRun{0, "x", ""}));
    EXPECT_EQ(Run({"cat", "root/?"}), (SCliRun{2, "", "More than one item matches: root/?\n"}));
}

TEST_F(CliItems, ListGivesExactSizesOrJsonLines)
{
    EXPECT_EQ(Run({"list", "--bytes", "root/sub", "root/b"}),
              (SCliRun{0, "root/sub\t1 Item\tFolder\nroot/sub/x\t1\tFile\nroot/b\t2\tFile\n", ""}));

    const SCliRun Json = Run({"list", "--json"});
    EXPECT_EQ(Json.iExitCode, 0) << Json.sErr;
    QJsonArray Items;
    std::istringstream Lines(Json.sOut);
    for (std::string sLine; std::getline(Lines, sLine);)
    {
        QJsonParseError Error;
        const QJsonDocument Line = QJsonDocument::fromJson(QByteArray::fromStdString(sLine), &Error);
        ASSERT_TRUE(Line.isObject()) << sLine << ": " << Error.errorString().toStdString();
        Items.append(Line.object());
    }
    ASSERT_EQ(Items.size(), 11);
    const auto Object = [](const char *szJson) { return QJsonDocument::fromJson(szJson).object(); };
    EXPECT_EQ(Items[0], Object(R"({"path": "root", "type": "folder", "items": 7, "flags": 0})"));
    EXPECT_EQ(Items[3], Object(R"({"path": "root/b", "type": "file", "size": 2, "flags": 16394, "data": true})"));
    EXPECT_EQ(Items[9], Object(R"({"path": "root/ghost", "type": "file", "size": 0, "flags": 16384, "data": false})"));
    // A name that is not UTF-8 is read as Latin-1, as the window shows it.
    EXPECT_EQ(Items[10].toObject()["path"].toString(), QStringLiteral("root/caf\u00E9"));

    const SCliRun Info = Run({"info", "--json"});
    EXPECT_EQ(Info.iExitCode, 0) << Info.sErr;
    const QJsonObject Fields = QJsonDocument::fromJson(QByteArray::fromStdString(Info.sOut)).object();
    EXPECT_EQ(Fields["version"], 6);
    EXPECT_EQ(Fields["items"], 11);
    EXPECT_EQ(Fields["folders"], 3);
    EXPECT_EQ(Fields["files"], 7);
    EXPECT_EQ(Fields["data_size"], 5 + 1 + 2 + 1 + 1 + 0 + 1);
    EXPECT_EQ(Fields.keys(), (QStringList{"data_size", "files", "folders", "items", "size", "size_on_disk",
                                           "total_blocks", "used_blocks", "version"}));
}
