// SPDX-License-Identifier: MIT
// The item list's order (column header clicks), its filter box, the Location
// column of search results, and archives dropped onto the window.

#include "WindowFixture.h"

#include "window/ItemViews.h"
#include "window/LayoutRules.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QTimer>

#include <optional>

using GcfBuilder::SItem;

namespace
{

class WindowListTest : public WindowTest
{
protected:
    QString sArchive;
    // Checks every change of the list's model against Qt's rules for models
    // (a broken rule ends the test program).
    std::unique_ptr<QAbstractItemModelTester> ModelTester;

    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
        ModelTester = std::make_unique<QAbstractItemModelTester>(
            ListModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        sArchive = WriteArchive("mixed.gcf", MixedTree());
        Open(sArchive);
    }
    void TearDown() override
    {
        ModelTester.reset();
        WindowTest::TearDown();
    }

    QHeaderView *Header() const { return Details()->header(); }

    void ClickHeader(int iColumn) const
    {
        const QPoint Centre(Header()->sectionViewportPosition(iColumn) + Header()->sectionSize(iColumn) / 2,
                            Header()->height() / 2);
        QTest::mouseClick(Header()->viewport(), Qt::LeftButton, {}, Centre);
    }

    // The sorted column and its direction as the header shows them; -1 when
    // the header shows no order.
    std::pair<int, Qt::SortOrder> Indicator() const
    {
        return {Header()->sortIndicatorSection(), Header()->sortIndicatorOrder()};
    }

    QStringList Names() const
    {
        QStringList Names;
        for (int iRow = 0; iRow < ListModel()->rowCount(); ++iRow)
            Names.append(ListName(iRow));
        return Names;
    }

    QStringList SelectedNames() const
    {
        QStringList Names;
        for (const QModelIndex &Index : Details()->selectionModel()->selectedRows())
            Names.append(ListName(Index.row()));
        Names.sort();
        return Names;
    }

    QLineEdit *Filter() const { return Child<QLineEdit>("txtFilter"); }

    void Activate()
    {
        QApplication::setActiveWindow(Window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }

    void Find(const QString &sWord)
    {
        Desktop.OnDialog = [sWord](QDialog &Find) {
            Find.findChild<QLineEdit *>("txtFind")->setText(sWord);
            return int(QDialog::Accepted);
        };
        Action("btnFind")->trigger();
        Desktop.OnDialog = nullptr;
    }

    // Extracts the selected rows into a fresh folder and gives the names
    // written at its top.
    QStringList ExtractSelected()
    {
        const QString sOut = WorkFolder.filePath("out");
        QDir(sOut).removeRecursively();
        QDir().mkpath(sOut);
        Desktop.sFolder = sOut;
        Action("btnExtractGCFListViewItem")->trigger();
        return QDir(sOut).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(WindowListTest, HeaderClicksSortReverseAndReturnToTheArchivesOrder)
{
    const QStringList ArchiveOrder{"b.txt", "a", "a", "empty", "z.bsp"};
    EXPECT_EQ(Names(), ArchiveOrder);
    EXPECT_EQ(Indicator().first, -1);

    struct SStep
    {
        int iColumn;
        QStringList Expected;
        std::pair<int, Qt::SortOrder> Indicator;
    };
    const SStep Steps[] = {
        // Sorted, folders come first: the folder a, then the file a.
        {0, {"a|1 Item|Folder", "empty|0 Items|Folder", "a|23 B|File", "b.txt|12 B|Text File",
             "z.bsp|2.00 KB|Half-Life Level"}, {0, Qt::AscendingOrder}},
        {0, {"empty|0 Items|Folder", "a|1 Item|Folder", "z.bsp|2.00 KB|Half-Life Level", "b.txt|12 B|Text File",
             "a|23 B|File"}, {0, Qt::DescendingOrder}},
        {0, {"b.txt|12 B|Text File", "a|1 Item|Folder", "a|23 B|File", "empty|0 Items|Folder",
             "z.bsp|2.00 KB|Half-Life Level"}, {-1, Qt::DescendingOrder}},
        {1, {"empty|0 Items|Folder", "a|1 Item|Folder", "b.txt|12 B|Text File", "a|23 B|File",
             "z.bsp|2.00 KB|Half-Life Level"}, {1, Qt::AscendingOrder}},
        {2, {"a|1 Item|Folder", "empty|0 Items|Folder", "a|23 B|File", "z.bsp|2.00 KB|Half-Life Level",
             "b.txt|12 B|Text File"}, {2, Qt::AscendingOrder}},
    };
    // View > Sort By does what the header does, and both show the order.
    const char *const SortItems[] = {"btnSortByName", "btnSortBySize", "btnSortByType"};
    for (const bool bMenu : {false, true})
    {
        for (const SStep &Step : Steps)
        {
            if (bMenu)
                Action(SortItems[Step.iColumn])->trigger();
            else
                ClickHeader(Step.iColumn);
            EXPECT_EQ(ListRows(), Step.Expected) << Step.iColumn << " " << bMenu;
            if (Step.Indicator.first >= 0)
                EXPECT_EQ(Indicator(), Step.Indicator) << Step.iColumn;
            else
                EXPECT_EQ(Indicator().first, -1);
            const char *szChecked = Step.Indicator.first >= 0 ? SortItems[Step.Indicator.first] : "btnSortByArchiveOrder";
            EXPECT_TRUE(Action(szChecked)->isChecked()) << szChecked;
        }
        Action("btnSortByArchiveOrder")->trigger();
        EXPECT_EQ(Names(), ArchiveOrder);
        EXPECT_EQ(Indicator().first, -1);
    }
}

TEST_F(WindowListTest, ViewMenuItemsHaveAccessKeysOfTheirOwn)
{
    for (const char *szMenu : {"btnView", "btnSortBy"})
    {
        QString sKeys;
        for (const QAction *lpItem : Child<QMenu>(szMenu)->actions())
        {
            if (lpItem->isSeparator())
                continue;
            const qsizetype iAmpersand = lpItem->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(iAmpersand, 0) << lpItem->text().toStdString();
            const QChar cKey = lpItem->text().at(iAmpersand + 1).toLower();
            EXPECT_FALSE(sKeys.contains(cKey)) << lpItem->text().toStdString();
            sKeys += cKey;
        }
    }
    EXPECT_EQ(Child<QMenu>("btnSortBy")->title(), "&Sort By");
    EXPECT_EQ(Action("btnSortByArchiveOrder")->text(), "&Archive Order");
}

TEST_F(WindowListTest, TheOrderStaysBetweenFoldersAndEveryArchiveOpensInItsOwnOrder)
{
    const QString sNumbered = WriteArchive(
        "numbered.gcf",
        SItem::Folder("r", {SItem::Folder("maps", {SItem::File("map10", "1"), SItem::File("Map9", "22"),
                                                   SItem::File("map1", "333")}),
                            SItem::File("b", "")}));
    Open(sNumbered);
    ClickHeader(0);
    EXPECT_EQ(Names(), (QStringList{"maps", "b"}));
    Tree()->setCurrentItem(Node("root/maps"));
    EXPECT_EQ(Names(), (QStringList{"map1", "Map9", "map10"}));
    Action("btnIcons")->trigger();
    EXPECT_EQ(Names(), (QStringList{"map1", "Map9", "map10"}));
    Action("btnDetails")->trigger();
    EXPECT_EQ(Indicator(), std::make_pair(0, Qt::AscendingOrder));

    Open(sNumbered);
    EXPECT_EQ(Names(), (QStringList{"maps", "b"}));
    Tree()->setCurrentItem(Node("root/maps"));
    EXPECT_EQ(Names(), (QStringList{"map10", "Map9", "map1"}));
    EXPECT_EQ(Indicator().first, -1);
}

TEST_F(WindowListTest, NamesThatDifferInTheMiddleShowWholeInLargeFolders)
{
    // More rows than the List view measures one by one; the last name is
    // not the longest.
    std::vector<SItem> Files{SItem::File("a-name-much-longer-than-the-others-00001.wav", "")};
    for (int i = 0; i < 2100; ++i)
        Files.push_back(SItem::File(QStringLiteral("item%1.wav").arg(i, 5, 10, QLatin1Char('0')).toStdString(), ""));
    Open(WriteArchive("many.gcf", SItem::Folder("root", {SItem::Folder("many", Files)})));
    Tree()->setCurrentItem(Node("root/many"));
    Action("btnList")->trigger();
    auto *lpView = static_cast<QListView *>(CurrentList());
    ASSERT_TRUE(lpView->uniformItemSizes());
    const QFontMetrics Metrics(lpView->font());
    for (const int iRow : {0, 3, 13, 2100})
    {
        const QModelIndex Index = ListModel()->index(iRow, 0);
        // Room for the picture and the longest name: no name is cut.
        EXPECT_GE(lpView->visualRect(Index).width(), lpView->iconSize().width() + Metrics.horizontalAdvance(ListName(0)))
            << iRow;
        EXPECT_EQ(Index.data(Qt::ToolTipRole).toString(), ListName(iRow));
    }
    // A filter that hides the longest name, then shows it again.
    Action("btnFilter")->trigger();
    QTest::keyClicks(Filter(), "item");
    Filter()->clear();
    EXPECT_GE(lpView->visualRect(ListModel()->index(5, 0)).width(),
              lpView->iconSize().width() + Metrics.horizontalAdvance(ListName(0)));

    // Icons: a name wraps onto three lines under its picture, then its end
    // is cut.
    Action("btnIcons")->trigger();
    EXPECT_GE(lpView->gridSize().height(), 32 + 3 * Metrics.lineSpacing());
    EXPECT_EQ(lpView->textElideMode(), Qt::ElideRight);
    const QRect Long = lpView->visualRect(ListModel()->index(0, 0));
    EXPECT_GT(Long.height(), 32 + 2 * Metrics.lineSpacing());
    EXPECT_LE(Long.height(), lpView->gridSize().height());
    // Names without blanks wrap too, and two that differ in the middle show so.
    QStringList Shown;
    for (const char *szName : {"sound_effect_number_00001_of_the_big_pack.wav", "sound_effect_number_00002_of_the_big_pack.wav"})
        Shown.append(Larkspur::GCFListItemDelegate::WrappedName(szName, lpView->font(), lpView->gridSize().width() - 8));
    EXPECT_NE(Shown[0], Shown[1]);
    EXPECT_EQ(Shown[0].count(QChar::LineSeparator), 2);
    EXPECT_TRUE(Shown[0].endsWith(QChar(0x2026)));
}

TEST_F(WindowListTest, SortingKeepsTheSelectionAndCommandsTakeTheRowsTheyShow)
{
    SelectRows({4, 0});  // z.bsp and b.txt
    ClickHeader(1);
    EXPECT_EQ(SelectedNames(), (QStringList{"b.txt", "z.bsp"}));
    EXPECT_EQ(ExtractSelected(), (QStringList{"b.txt", "z.bsp"}));

    // The first row shown is the folder empty (in the archive's order, the
    // file b.txt): Enter opens it.
    SelectRows({0});
    ASSERT_EQ(ListName(0), "empty");
    QTest::keyClick(Details(), Qt::Key_Return);
    EXPECT_EQ(SelectedNodeText(), "empty");
    EXPECT_EQ(ListModel()->rowCount(), 0);
}

TEST_F(WindowListTest, FilterBoxHidesRowsAsYouTypeAndEscapeClearsAndHidesIt)
{
    Activate();
    EXPECT_FALSE(Filter()->isVisible());
    EXPECT_EQ(Action("btnFilter")->text(), "&Filter");
    QTest::keyClick(Tree(), Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(Filter()->isVisible());
    EXPECT_TRUE(Filter()->hasFocus());
    EXPECT_TRUE(Action("btnFilter")->isChecked());
    // The box stands above the list.
    EXPECT_LT(Filter()->mapTo(Window.get(), QPoint()).y(), CurrentList()->mapTo(Window.get(), QPoint()).y());

    QTest::keyClicks(Filter(), "T");
    EXPECT_EQ(Names(), (QStringList{"b.txt", "empty"}));
    QTest::keyClicks(Filter(), "x");
    EXPECT_EQ(Names(), QStringList{"b.txt"});
    // The filter stays while moving between folders.
    Tree()->setCurrentItem(Node("root/a"));
    EXPECT_EQ(Names(), QStringList{"inner.txt"});

    Filter()->setFocus();
    QTest::keyClick(Filter(), Qt::Key_Escape);
    EXPECT_FALSE(Filter()->isVisible());
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_FALSE(Action("btnFilter")->isChecked());
    EXPECT_TRUE(CurrentList()->hasFocus());
    Tree()->setCurrentItem(Node("root"));
    EXPECT_EQ(Names(), (QStringList{"b.txt", "a", "a", "empty", "z.bsp"}));

    // Ctrl+I again shows the box. From the list it goes back to the box
    // and the text typed; only inside the box it hides and clears it.
    QTest::keyClick(CurrentList(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClicks(Filter(), "z");
    EXPECT_EQ(Names(), QStringList{"z.bsp"});
    CurrentList()->setFocus();
    QTest::keyClick(CurrentList(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(Filter()->isVisible());
    EXPECT_TRUE(Filter()->hasFocus());
    EXPECT_EQ(Filter()->text(), "z");
    QTest::keyClick(Filter(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_FALSE(Filter()->isVisible());
    EXPECT_EQ(Names().size(), 5);

    // Escape in the list, with a filter set, clears it as it does in the box.
    QTest::keyClick(CurrentList(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClicks(Filter(), "b");
    EXPECT_EQ(Names(), (QStringList{"b.txt", "z.bsp"}));
    CurrentList()->setFocus();
    QTest::keyClick(CurrentList(), Qt::Key_Escape);
    EXPECT_FALSE(Filter()->isVisible());
    EXPECT_EQ(Names().size(), 5);
}

TEST_F(WindowListTest, ExtractionTakesOnlyTheRowsTheFilterShows)
{
    Action("btnFilter")->trigger();
    SelectRows({0, 1, 2, 3, 4});
    QTest::keyClicks(Filter(), ".");
    EXPECT_EQ(Names(), (QStringList{"b.txt", "z.bsp"}));
    EXPECT_EQ(SelectedNames(), (QStringList{"b.txt", "z.bsp"}));
    EXPECT_EQ(ExtractSelected(), (QStringList{"b.txt", "z.bsp"}));

    // Select All selects what is shown.
    QTest::keyClick(Details(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ExtractSelected(), (QStringList{"b.txt", "z.bsp"}));
}

TEST_F(WindowListTest, SearchResultsShowWhereEachItemIs)
{
    const QString sDeep = WriteArchive(
        "deep.gcf", SItem::Folder("r", {SItem::Folder("maps", {SItem::Folder("old", {SItem::File("x.bsp", "x")}),
                                                               SItem::File("y.bsp", "yy")}),
                                        SItem::File("z.bsp", "zzz")}));
    Open(sDeep);
    EXPECT_EQ(ListModel()->columnCount(), 3);
    Find("o");
    ASSERT_EQ(ListModel()->columnCount(), 4);
    EXPECT_EQ(ListModel()->headerData(3, Qt::Horizontal).toString(), "Location");
    QStringList Locations;
    for (int iRow = 0; iRow < ListModel()->rowCount(); ++iRow)
        Locations.append(ListName(iRow) + "|" + ListModel()->index(iRow, 3).data().toString());
    EXPECT_EQ(Locations, (QStringList{"root|", "old|\\root\\maps"}));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return Header()->sectionSize(3) == Larkspur::ColumnWidths(Details()->viewport()->width(), true).iLocation;
    }));

    // Sorted results, by location too: the folders' places in the tree.
    Find(".bsp");
    ClickHeader(1);
    EXPECT_EQ(Names(), (QStringList{"x.bsp", "y.bsp", "z.bsp"}));
    ClickHeader(3);
    EXPECT_EQ(Names(), (QStringList{"z.bsp", "y.bsp", "x.bsp"}));
    EXPECT_EQ(Indicator(), std::make_pair(3, Qt::AscendingOrder));
    EXPECT_FALSE(Action("btnSortByArchiveOrder")->isChecked());
    ClickHeader(3);
    EXPECT_EQ(Names(), (QStringList{"x.bsp", "y.bsp", "z.bsp"}));
    EXPECT_EQ(ListModel()->index(0, 3).data().toString(), "\\root\\maps\\old");

    // Going to the folder of a result lists it, without locations, in the
    // archive's order.
    SelectRows({0});
    Action("btnGCFListViewItemGoToDirectory")->trigger();
    EXPECT_EQ(SelectedNodeText(), "old");
    EXPECT_EQ(ListRows(), QStringList{"x.bsp|1 B|Half-Life Level"});
    EXPECT_EQ(ListModel()->columnCount(), 3);
    EXPECT_EQ(Indicator().first, -1);
    EXPECT_TRUE(Action("btnSortByArchiveOrder")->isChecked());
}

TEST_F(WindowListTest, LongLocationsShowCutAndCostLittleToPaint)
{
    SItem Deep = SItem::File("deep.bsp", "x");
    for (int iLevel = 0; iLevel < 40; ++iLevel)
        Deep = SItem::Folder(std::to_string(iLevel) + std::string(200, 'n'), {Deep});
    Open(WriteArchive("deep.gcf", SItem::Folder("root", {Deep})));
    Find("deep.bsp");
    ASSERT_EQ(ListModel()->rowCount(), 1);
    const QModelIndex Location = ListModel()->index(0, 3);
    const QString sLocation = Location.data().toString();
    EXPECT_LE(sLocation.toUtf8().size(), 4096);
    EXPECT_TRUE(sLocation.startsWith("\\root\\39nnn") && sLocation.endsWith("\\0" + QString(200, 'n')));
    // The cell lays out no more of it than a column can show.
    QStyleOptionViewItem Option;
    Option.font = Details()->font();
    const QFontMetrics Metrics(Option.font);
    EXPECT_LT(Details()->itemDelegate()->sizeHint(Option, Location).width(), Metrics.horizontalAdvance(sLocation) / 4);
}

TEST_F(WindowListTest, SearchCountsEveryMatchWhileTheFilterHidesSome)
{
    Action("btnFilter")->trigger();
    QTest::keyClicks(Filter(), "b");
    Find("a");
    EXPECT_EQ(ConsoleLines().last(), "Search for 'a' returned 2 results.");
    EXPECT_EQ(Names(), QStringList{});
}

// --- drop to open -----------------------------------------------------------------

class WindowDropTest : public WindowTest
{
protected:
    // Sends a drag that enters the window and, when it is accepted, drops;
    // tells whether the window accepted it.
    bool Drop(const QMimeData &Data, Qt::DropActions eActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
    {
        const QPoint Centre = Window->rect().center();
        QDragEnterEvent Enter(Centre, eActions, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &Enter);
        if (!Enter.isAccepted())
            return false;
        EXPECT_EQ(Enter.dropAction(), Qt::CopyAction);
        QDropEvent Dropped(QPointF(Centre), eActions, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &Dropped);
        EXPECT_TRUE(Dropped.isAccepted());
        return Dropped.isAccepted();
    }

    static std::unique_ptr<QMimeData> Files(const QStringList &Paths)
    {
        auto Data = std::make_unique<QMimeData>();
        QList<QUrl> Urls;
        for (const QString &sPath : Paths)
            Urls.append(QUrl::fromLocalFile(sPath));
        Data->setUrls(Urls);
        return Data;
    }
};

TEST_F(WindowDropTest, OneDroppedArchiveOpensThroughTheOpenPath)
{
    Start();
    const QString sFirst = WriteArchive("first.gcf", MixedTree());
    const QString sSecond = WriteArchive("SECOND.GCF", SItem::Folder("r", {SItem::File("only", "1")}));
    Open(sFirst);
    ASSERT_TRUE(Drop(*Files({sSecond})));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConsoleLines().contains(sSecond + " loaded."); }));
    EXPECT_TRUE(ConsoleLines().contains(sFirst + " closed."));
    EXPECT_EQ(Window->windowTitle(), "Larkspur - SECOND.GCF");
    EXPECT_EQ(ListRows(), QStringList{"only|1 B|File"});

    // A missing archive gets the open path's own message.
    const QString sMissing = WorkFolder.filePath("missing.gcf");
    ASSERT_TRUE(Drop(*Files({sMissing})));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Desktop.ErrorBoxes.isEmpty(); }));
    EXPECT_EQ(Desktop.ErrorBoxes, QStringList{"Could not open:\n" + sMissing + "\n\nError:\nFile does not exist."});
}

TEST_F(WindowDropTest, OtherDropsAreRefused)
{
    Start();
    const QString sArchive = WriteArchive("a.gcf", MixedTree());
    const QString sText = WorkFolder.filePath("notes.txt");
    {
        QFile File(sText);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    }
    auto PlainText = std::make_unique<QMimeData>();
    PlainText->setText(sArchive);
    auto WebAddress = std::make_unique<QMimeData>();
    WebAddress->setUrls({QUrl("https://example.com/a.gcf")});

    EXPECT_FALSE(Drop(*Files({sArchive, sArchive})));
    EXPECT_FALSE(Drop(*Files({sText})));
    EXPECT_FALSE(Drop(*PlainText));
    EXPECT_FALSE(Drop(*WebAddress));
    EXPECT_FALSE(Drop(*Files({sArchive}), Qt::MoveAction));
    QApplication::processEvents();
    EXPECT_EQ(Window->windowTitle(), "Larkspur");
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
}

TEST_F(WindowDropTest, NoArchiveOpensWhileAnExtractCommandRuns)
{
    Start();
    const QString sArchive = WriteArchive("a.gcf", MixedTree());
    const QString sOther = WriteArchive("b.gcf", MixedTree());
    Open(sArchive);
    Desktop.sFolder = WorkFolder.path();
    std::optional<bool> bAccepted;
    // Runs at the extraction's first look at pending events.
    Desktop.OnBrowseForFolder = [&] { QTimer::singleShot(0, [&] { bAccepted = Drop(*Files({sOther})); }); };
    Tree()->setCurrentItem(Node("root"));
    Action("btnExtractGCFTreeItem")->trigger();
    EXPECT_EQ(bAccepted, std::optional<bool>(false));
    QApplication::processEvents();
    EXPECT_EQ(Window->windowTitle(), "Larkspur - a.gcf");
}

TEST_F(WindowDropTest, NoControlTakesADropOfItsOwn)
{
    // A drop goes to the control under the pointer, or the nearest one above
    // it that takes drops: with none inside taking them, the window's own
    // rule decides everywhere.
    Start();
    Action("btnFilter")->trigger();
    for (const char *szView : {"btnIcons", "btnList", "btnDetails"})
    {
        Action(szView)->trigger();
        for (const QWidget *lpChild : Window->findChildren<QWidget *>())
            EXPECT_FALSE(lpChild->acceptDrops()) << szView << " " << lpChild->metaObject()->className() << " "
                                                 << lpChild->objectName().toStdString();
    }
    EXPECT_TRUE(Window->acceptDrops());
}

}  // namespace
