// SPDX-License-Identifier: MIT
// The item list's order and filter, and what a drop onto the window opens.

#include "window/DropRules.h"
#include "window/ListOrder.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include <deque>

using namespace Larkspur;

namespace
{

// Rows as the list gives them, in the archive's order: "name" for a file of
// the given size and type, "name/" for a folder holding uiItemSize items.
struct SRow
{
    QString sName;
    uint32_t uiItemSize = 0;
    QString sType = QStringLiteral("File");
    uint32_t uiFolderPlace = 0;
};

class CRows
{
public:
    CRows(const std::vector<SRow> &Rows)
    {
        for (const SRow &Row : Rows)
        {
            QString sName = Row.sName;
            const bool bFolder = sName.endsWith(QLatin1Char('/'));
            if (bFolder)
                sName.chop(1);
            Names.push_back(sName);
            Types.push_back(bFolder ? QStringLiteral("Folder") : Row.sType);
            Keys.push_back({&Names.back(), &Types.back(), bFolder ? EItemType::Folder : EItemType::File, Row.uiItemSize,
                            Row.uiFolderPlace});
        }
    }

    // The names of the shown rows, in the order shown.
    QStringList Shown(const CListArrangement &Arrangement) const
    {
        QStringList Result;
        for (const int iRow : Arrangement.GetShown())
            Result.append(Names[size_t(iRow)]);
        return Result;
    }

    std::vector<SListRowKeys> Keys;

private:
    std::deque<QString> Names, Types;  // a deque keeps the keys' pointers valid
};

QStringList Arranged(const CRows &Rows, SListSort Sort, const QString &sFilter = QString())
{
    CListArrangement Arrangement;
    Arrangement.SetSort(Sort);
    Arrangement.SetFilter(sFilter);
    Arrangement.SetRows(Rows.Keys);
    return Rows.Shown(Arrangement);
}

const SListSort NAME_UP{ESortKey::Name, Qt::AscendingOrder};
const SListSort NAME_DOWN{ESortKey::Name, Qt::DescendingOrder};
const SListSort SIZE_UP{ESortKey::Size, Qt::AscendingOrder};
const SListSort SIZE_DOWN{ESortKey::Size, Qt::DescendingOrder};
const SListSort TYPE_UP{ESortKey::Type, Qt::AscendingOrder};
const SListSort LOCATION_UP{ESortKey::Location, Qt::AscendingOrder};
const SListSort LOCATION_DOWN{ESortKey::Location, Qt::DescendingOrder};

TEST(ListOrderTest, HeaderClicksGoUpDownAndBackToTheArchivesOrder)
{
    struct SCase
    {
        SListSort Current;
        ESortKey eClicked;
        SListSort Expected;
    };
    const SCase Cases[] = {
        {{}, ESortKey::Name, NAME_UP},
        {NAME_UP, ESortKey::Name, NAME_DOWN},
        {NAME_DOWN, ESortKey::Name, {}},
        {NAME_DOWN, ESortKey::Size, SIZE_UP},
        {SIZE_UP, ESortKey::Type, TYPE_UP},
        {TYPE_UP, ESortKey::Location, LOCATION_UP},
        {LOCATION_UP, ESortKey::Location, LOCATION_DOWN},
        {LOCATION_DOWN, ESortKey::Location, {}},
        // A column that does not sort.
        {SIZE_DOWN, ESortKey::ArchiveOrder, SIZE_DOWN},
        {{}, ESortKey::ArchiveOrder, {}},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(NextListSort(Case.Current, Case.eClicked), Case.Expected)
            << int(Case.Current.eKey) << " " << int(Case.Current.eOrder) << " " << int(Case.eClicked);
}

TEST(ListOrderTest, NamesSortWithoutCaseAndWithNumbersInNaturalOrder)
{
    struct SCase
    {
        QStringList Names;  // in the archive's order
        QStringList Expected;
    };
    const SCase Cases[] = {
        {{"map10.bsp", "map9.bsp", "Map2.bsp", "map1.bsp"}, {"map1.bsp", "Map2.bsp", "map9.bsp", "map10.bsp"}},
        {{"b", "A", "a", "B"}, {"A", "a", "b", "B"}},  // alike but for case: the archive's order
        {{"x007", "x7", "x08", "x0"}, {"x0", "x007", "x7", "x08"}},
        {{"a.txt", "a10", "a2b", "a2a", "a"}, {"a", "a.txt", "a2a", "a2b", "a10"}},
        {{"12345678901234567890", "9", "99999999999999999999"}, {"9", "12345678901234567890", "99999999999999999999"}},
        {{"_x", "0x", "Zx", "~x"}, {"0x", "_x", "Zx", "~x"}},
        {{"Ärger", "zebra", "äpfel"}, {"zebra", "äpfel", "Ärger"}},
    };
    for (const SCase &Case : Cases)
    {
        std::vector<SRow> Rows;
        for (const QString &sName : Case.Names)
            Rows.push_back({sName});
        EXPECT_EQ(Arranged(CRows(Rows), NAME_UP), Case.Expected) << Case.Names.join(' ').toStdString();
    }
}

// Folders and files interleaved, two files alike in size and type.
const std::vector<SRow> MIXED = {
    {"b.txt", 12, "Text File"}, {"a/", 1}, {"a", 23}, {"empty/", 0}, {"z.bsp", 2048, "Half-Life Level"},
    {"c.TXT", 12, "Text File"},
};

TEST(ListOrderTest, SortedFoldersComeFirstEitherWayAndNamesBreakTies)
{
    struct SCase
    {
        SListSort Sort;
        QStringList Expected;
    };
    const SCase Cases[] = {
        {{}, {"b.txt", "a", "a", "empty", "z.bsp", "c.TXT"}},
        {NAME_UP, {"a", "empty", "a", "b.txt", "c.TXT", "z.bsp"}},
        {NAME_DOWN, {"empty", "a", "z.bsp", "c.TXT", "b.txt", "a"}},
        {SIZE_UP, {"empty", "a", "b.txt", "c.TXT", "a", "z.bsp"}},
        {SIZE_DOWN, {"a", "empty", "z.bsp", "a", "c.TXT", "b.txt"}},
        {TYPE_UP, {"a", "empty", "a", "z.bsp", "b.txt", "c.TXT"}},
        {{ESortKey::Type, Qt::DescendingOrder}, {"empty", "a", "c.TXT", "b.txt", "z.bsp", "a"}},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(Arranged(CRows(MIXED), Case.Sort), Case.Expected)
            << int(Case.Sort.eKey) << " " << int(Case.Sort.eOrder);
}

TEST(ListOrderTest, SearchResultsSortByTheirFoldersPlaceInTheTree)
{
    // The places of the results' folders in the tree's order, not their paths.
    const CRows Results({{"x.bsp", 1, "File", 5}, {"old/", 1, "Folder", 2}, {"z.bsp", 1, "File", 5},
                         {"y.bsp", 1, "File", 2}, {"root/", 1, "Folder", 0}});
    EXPECT_EQ(Arranged(Results, LOCATION_UP), (QStringList{"root", "old", "y.bsp", "x.bsp", "z.bsp"}));
    EXPECT_EQ(Arranged(Results, LOCATION_DOWN), (QStringList{"old", "root", "z.bsp", "x.bsp", "y.bsp"}));
}

TEST(ListOrderTest, TheFilterKeepsTheOrderAndIgnoresCase)
{
    struct SCase
    {
        SListSort Sort;
        QString sFilter;
        QStringList Expected;
    };
    const SCase Cases[] = {
        {{}, "T", {"b.txt", "empty", "c.TXT"}},
        {NAME_DOWN, "t", {"empty", "c.TXT", "b.txt"}},
        {{}, "TX", {"b.txt", "c.TXT"}},
        {{}, "", {"b.txt", "a", "a", "empty", "z.bsp", "c.TXT"}},
        {{}, "nothing", {}},
        {{}, " ", {}},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(Arranged(CRows(MIXED), Case.Sort, Case.sFilter), Case.Expected) << Case.sFilter.toStdString();
}

TEST(ListOrderTest, SortAndFilterStayForNewRowsAndForEachOther)
{
    const CRows First(MIXED);
    const CRows Second({{"x10", 1}, {"X9", 2}, {"y/", 3}, {"x1", 3}});
    CListArrangement Arrangement;
    Arrangement.SetRows(First.Keys);
    Arrangement.SetSort(SIZE_DOWN);
    Arrangement.SetFilter("a");
    EXPECT_EQ(First.Shown(Arrangement), (QStringList{"a", "a"}));
    Arrangement.SetRows(Second.Keys);
    EXPECT_EQ(Second.Shown(Arrangement), QStringList{});
    Arrangement.SetFilter("X");
    EXPECT_EQ(Second.Shown(Arrangement), (QStringList{"x1", "X9", "x10"}));
    Arrangement.SetSort(NAME_UP);
    EXPECT_EQ(Second.Shown(Arrangement), (QStringList{"x1", "X9", "x10"}));
    Arrangement.SetSort({});
    EXPECT_EQ(Second.Shown(Arrangement), (QStringList{"x10", "X9", "x1"}));
    Arrangement.SetFilter("");
    EXPECT_EQ(Second.Shown(Arrangement), (QStringList{"x10", "X9", "y", "x1"}));
}

// Names alike but for case keep the archive's order descending too, and
// names that agree in their first eight characters still compare whole.
TEST(ListOrderTest, TiesKeepTheArchivesOrderAndLongNamesCompareWhole)
{
    EXPECT_EQ(Arranged(CRows({{"b"}, {"A"}, {"a"}, {"B"}}), NAME_DOWN), (QStringList{"b", "B", "A", "a"}));
    EXPECT_EQ(Arranged(CRows({{"textures_b"}, {"textures_a"}, {"textures_10"}, {"textures_9"}}), NAME_UP),
              (QStringList{"textures_9", "textures_10", "textures_a", "textures_b"}));
}

TEST(DropRulesTest, OnlyOneLocalArchiveIsAccepted)
{
    struct SCase
    {
        const char *szWhat;
        QList<QUrl> Urls;
        QString sText;
        QString sExpected;
    };
    const QUrl Archive = QUrl::fromLocalFile("/data/half life.gcf");
    const SCase Cases[] = {
        {"one archive", {Archive}, "", "/data/half life.gcf"},
        {"upper-case extension", {QUrl::fromLocalFile("/data/X.GCF")}, "", "/data/X.GCF"},
        {"a VPK set's directory file", {QUrl::fromLocalFile("/data/pak01_dir.vpk")}, "", "/data/pak01_dir.vpk"},
        {"a single VPK file", {QUrl::fromLocalFile("/data/ONE.VPK")}, "", "/data/ONE.VPK"},
        {"two archives", {Archive, QUrl::fromLocalFile("/data/b.gcf")}, "", ""},
        {"another kind of file", {QUrl::fromLocalFile("/data/a.gcf.txt")}, "", ""},
        {"a web address", {QUrl("https://example.com/a.gcf")}, "", ""},
        {"a folder's address", {QUrl("file:///data/a.gcf/")}, "", ""},
        {"a path as plain text", {}, "/data/half life.gcf", ""},
    };
    for (const SCase &Case : Cases)
    {
        QMimeData Data;
        if (!Case.Urls.isEmpty())
            Data.setUrls(Case.Urls);
        if (!Case.sText.isEmpty())
            Data.setText(Case.sText);
        EXPECT_EQ(ArchiveOfDrop(Data), Case.sExpected) << Case.szWhat;
    }
}

}  // namespace
