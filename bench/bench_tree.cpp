// SPDX-License-Identifier: MIT
// Opening an archive of 100,000 items (5,000 folders, 95,000 files) in the
// main window, against the toolkit's floor measured in the same run: the same
// number of plain QTreeWidgetItems, named from an in-memory list and built
// bottom-up into a shown tree with its updates off. Target: within 1.5x of
// the floor. Also times the Find walk over the same archive and the window's
// whole Find command.
//
// Then the item list with a folder of 100,000 files: a click on the Name or
// the Size header (from the archive's order, until painted) and typing a
// filter, against a plain QSortFilterProxyModel over the same names in a
// shown QTreeView (sorting without case, a fixed-string filter). Target:
// each under 100 ms.
//
// Rounds are interleaved in shuffled order; medians and minimums are
// printed, since absolute times drift on shared machines.
//
//   bench_tree [ROUNDS]      (15 by default; offscreen unless QT_QPA_PLATFORM says otherwise)
//   bench_tree --million [ROUNDS]   (7 by default): the archive of 1,000,000
//                                   items instead (BenchMillionTree.cpp)
//   bench_tree --bounds [ROUNDS]    (3 by default): costly archive content in
//                                   the window at two sizes (BenchWindowBounds.cpp)

#include "BenchDesktop.h"
#include "BenchMillionTree.h"
#include "BenchWindowBounds.h"
#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "dialogs/Search.h"
#include "window/CLarkspur.h"
#include "window/IDesktop.h"
#include "window/Utils.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

constexpr uint32_t FOLDERS = 5000;
constexpr uint32_t FILES_PER_FOLDER = 19;  // 95,000 files
constexpr uint32_t LIST_ROWS = 100000;
constexpr double LIST_TARGET_MS = 100;

double Milliseconds(const std::function<void()> &Work)
{
    const auto Start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const size_t uiMiddle = Values.size() / 2;
    return Values.size() % 2 ? Values[uiMiddle] : (Values[uiMiddle - 1] + Values[uiMiddle]) / 2;
}

// The floor: plain items from names in memory, children before parents.
void BuildPlainTree(QTreeWidget &Tree, const std::vector<QString> &FolderNames,
                    const std::vector<QString> &FileNames)
{
    Tree.setUpdatesEnabled(false);
    auto *lpRoot = new QTreeWidgetItem(QStringList{QStringLiteral("root")});
    QList<QTreeWidgetItem *> Folders;
    Folders.reserve(FOLDERS);
    size_t uiFile = 0;
    for (const QString &sFolder : FolderNames)
    {
        auto *lpFolder = new QTreeWidgetItem(QStringList{sFolder});
        QList<QTreeWidgetItem *> Files;
        Files.reserve(FILES_PER_FOLDER);
        for (uint32_t uiInFolder = 0; uiInFolder < FILES_PER_FOLDER; ++uiInFolder)
            Files.append(new QTreeWidgetItem(QStringList{FileNames[uiFile++]}));
        lpFolder->addChildren(Files);
        Folders.append(lpFolder);
    }
    lpRoot->addChildren(Folders);
    Tree.addTopLevelItem(lpRoot);
    lpRoot->setExpanded(true);
    Tree.setUpdatesEnabled(true);
}

// One folder of LIST_ROWS files whose names mix cases, numbers of several
// lengths and extensions, with recorded sizes that vary (the files hold no
// data: sorting reads only the directory).
GcfBuilder::SItem FlatTree(std::vector<QString> &Names)
{
    static const char *const Stems[] = {"map", "Sound_", "model", "README", "tex_Wall"};
    static const char *const Extensions[] = {".bsp", ".wav", ".mdl", ".txt", ".tga", ".res", ".cfg", ""};
    std::mt19937 Random(2024);
    GcfBuilder::SItem Folder = GcfBuilder::SItem::Folder("flat");
    Folder.Children.reserve(LIST_ROWS);
    for (uint32_t uiFile = 0; uiFile < LIST_ROWS; ++uiFile)
    {
        const std::string sName = Stems[Random() % 5] + std::to_string(Random() % 100000) + "_" +
                                  std::to_string(uiFile) + Extensions[Random() % 8];
        GcfBuilder::SItem File = GcfBuilder::SItem::File(sName, "");
        File.bOverrideItemSize = true;
        File.uiItemSize = Random() % 5000000;
        Folder.Children.push_back(std::move(File));
        Names.push_back(QString::fromStdString(sName));
    }
    return GcfBuilder::SItem::Folder("root", {std::move(Folder)});
}

void PrintTimes(std::map<std::string, std::vector<double>> &Times, const std::vector<std::string> &Kinds)
{
    for (const std::string &sKind : Kinds)
    {
        const std::vector<double> &Values = Times[sKind];
        std::printf("  %-16s median %8.2f ms   min %8.2f ms\n", sKind.c_str(), Median(Values),
                    *std::min_element(Values.begin(), Values.end()));
    }
}

// The item list's sort and filter against the proxy floor.
int BenchList(Larkspur::CLarkspur &Window, CBenchDesktop &Desktop, QAction *lpOpen, const QString &sFlat,
              const std::vector<QString> &Names, int iRounds)
{
    Desktop.sOpenFileName = sFlat;
    lpOpen->trigger();
    auto *lpTree = Window.findChild<QTreeWidget *>(QStringLiteral("treGCFFile"));
    auto *lpDetails = Window.findChild<QTreeView *>(QStringLiteral("lstGCFFileDetails"));
    auto *lpFilter = Window.findChild<QLineEdit *>(QStringLiteral("txtFilter"));
    lpTree->setCurrentItem(lpTree->topLevelItem(0)->child(0));
    QCoreApplication::processEvents();
    if (lpDetails->model()->rowCount() != int(LIST_ROWS))
    {
        std::fprintf(stderr, "the list holds %d rows, expected %u\n", lpDetails->model()->rowCount(), LIST_ROWS);
        return 1;
    }
    QHeaderView *lpHeader = lpDetails->header();
    // The header's own click: archive order, up, down, archive order again.
    const auto ClickHeader = [lpHeader](int iColumn) { emit lpHeader->sectionClicked(iColumn); };

    QStringListModel FloorSource{QStringList(Names.begin(), Names.end())};
    QSortFilterProxyModel FloorProxy;
    FloorProxy.setSourceModel(&FloorSource);
    FloorProxy.setSortCaseSensitivity(Qt::CaseInsensitive);
    FloorProxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTreeView FloorView;
    FloorView.setUniformRowHeights(true);
    FloorView.setRootIsDecorated(false);
    FloorView.setModel(&FloorProxy);
    FloorView.resize(lpDetails->size());
    FloorView.show();
    QCoreApplication::processEvents();

    const QString sFilter = QStringLiteral("_7");  // about a tenth of the rows
    std::map<std::string, std::vector<double>> Times;
    const std::vector<std::string> Kinds{"window sort name", "window sort size", "floor sort", "window filter",
                                         "floor filter"};
    std::mt19937 Random(54321);
    for (int iRound = 0; iRound < iRounds; ++iRound)
    {
        std::vector<std::string> Order = Kinds;
        std::shuffle(Order.begin(), Order.end(), Random);
        for (const std::string &sKind : Order)
        {
            if (sKind == "window sort name" || sKind == "window sort size")
            {
                const int iColumn = sKind == "window sort name" ? 0 : 1;
                Times[sKind].push_back(Milliseconds([&] {
                    ClickHeader(iColumn);
                    QCoreApplication::processEvents();
                }));
                ClickHeader(iColumn);
                ClickHeader(iColumn);
            }
            else if (sKind == "floor sort")
            {
                Times[sKind].push_back(Milliseconds([&] {
                    FloorProxy.sort(0, Qt::AscendingOrder);
                    QCoreApplication::processEvents();
                }));
                FloorProxy.sort(-1);
            }
            else if (sKind == "window filter")
            {
                Times[sKind].push_back(Milliseconds([&] {
                    lpFilter->setText(sFilter);
                    QCoreApplication::processEvents();
                }));
                lpFilter->clear();
            }
            else
            {
                Times[sKind].push_back(Milliseconds([&] {
                    FloorProxy.setFilterFixedString(sFilter);
                    QCoreApplication::processEvents();
                }));
                FloorProxy.setFilterFixedString(QString());
            }
            QCoreApplication::processEvents();
        }
    }

    std::printf("item list of %u files, %d rounds\n", LIST_ROWS, iRounds);
    PrintTimes(Times, Kinds);
    for (const auto &[sWindow, sFloor] : {std::pair<std::string, std::string>{"window sort name", "floor sort"},
                                          {"window sort size", "floor sort"},
                                          {"window filter", "floor filter"}})
    {
        const double dMedian = Median(Times[sWindow]);
        std::printf("%s / %s: %.2fx by medians; %.2f ms (target under %.0f ms) %s\n", sWindow.c_str(), sFloor.c_str(),
                    dMedian / Median(Times[sFloor]), dMedian, LIST_TARGET_MS,
                    dMedian < LIST_TARGET_MS ? "ok" : "SLOWER THAN TARGET");
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Utils::BuildExtTable();
    const QStringList Arguments = QCoreApplication::arguments();
    if (Arguments.size() == 3 && Arguments[1] == QStringLiteral("--million-rss"))
        return MillionTreeRss(Arguments[2]);
    if (Arguments.size() == 5 && Arguments[1] == QStringLiteral("--bounds-case"))
        return WindowBoundsCase(Arguments[2], Arguments[3], Arguments[4]);
    if (Arguments.size() >= 2 && Arguments[1] == QStringLiteral("--bounds"))
        return BenchWindowBounds(Arguments.size() > 2 ? std::max(1, Arguments[2].toInt()) : 3,
                                 QCoreApplication::applicationFilePath());
    if (Arguments.size() >= 2 && Arguments[1] == QStringLiteral("--million"))
        return BenchMillionTree(Arguments.size() > 2 ? std::max(1, Arguments[2].toInt()) : 7,
                                QCoreApplication::applicationFilePath());
    const int iRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QTemporaryDir Folder;
    const QString sBig = Folder.filePath(QStringLiteral("wide.gcf"));
    const QString sSmall = Folder.filePath(QStringLiteral("small.gcf"));
    const QString sFlat = Folder.filePath(QStringLiteral("flat.gcf"));
    const GcfBuilder::SItem Wide = GcfBuilder::WideTree(FOLDERS, FILES_PER_FOLDER);
    std::vector<QString> FlatNames;
    if (!GcfBuilder::WriteFile(sBig.toStdString(), GcfBuilder::Build(Wide).Bytes) ||
        !GcfBuilder::WriteFile(sSmall.toStdString(), GcfBuilder::Build(GcfBuilder::SampleTree()).Bytes) ||
        !GcfBuilder::WriteFile(sFlat.toStdString(), GcfBuilder::Build(FlatTree(FlatNames)).Bytes))
    {
        std::fprintf(stderr, "cannot write the archives in %s\n", qPrintable(Folder.path()));
        return 1;
    }
    std::vector<QString> FolderNames, FileNames;
    for (const GcfBuilder::SItem &FolderItem : Wide.Children)
    {
        FolderNames.push_back(QString::fromStdString(FolderItem.sName));
        for (const GcfBuilder::SItem &File : FolderItem.Children)
            FileNames.push_back(QString::fromStdString(File.sName));
    }

    CBenchDesktop Desktop;
    const SProgramFiles Files{Folder.filePath(QStringLiteral("larkspur.cfg")),
                              Folder.filePath(QStringLiteral("larkspur.log")), {Folder.path()}};
    Larkspur::CLarkspur Window(QStringList(), Desktop, Files);
    Window.show();
    QAction *lpOpen = Window.findChild<QAction *>(QStringLiteral("btnOpen"));
    QAction *lpFind = Window.findChild<QAction *>(QStringLiteral("btnFind"));
    QTreeWidget Floor;
    Floor.setHeaderHidden(true);
    Floor.setUniformRowHeights(true);
    Floor.resize(200, 290);
    Floor.show();
    QCoreApplication::processEvents();

    CGCF Reader;
    if (!Reader.Open(sBig.toLocal8Bit().constData()))
    {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(sBig));
        return 1;
    }

    std::map<std::string, std::vector<double>> Times;
    const std::vector<std::string> Kinds{"window open", "floor build", "find walk", "window find"};
    std::mt19937 Random(12345);
    for (int iRound = 0; iRound < iRounds; ++iRound)
    {
        std::vector<std::string> Order = Kinds;
        std::shuffle(Order.begin(), Order.end(), Random);
        for (const std::string &sKind : Order)
        {
            if (sKind == "window open")
            {
                // Closing the big tree is not part of opening it: open a
                // small archive first, untimed.
                Desktop.sOpenFileName = sSmall;
                lpOpen->trigger();
                QCoreApplication::processEvents();
                Desktop.sOpenFileName = sBig;
                Times[sKind].push_back(Milliseconds([&] { lpOpen->trigger(); }));
                QCoreApplication::processEvents();
            }
            else if (sKind == "floor build")
            {
                Floor.clear();
                QCoreApplication::processEvents();
                Times[sKind].push_back(Milliseconds([&] { BuildPlainTree(Floor, FolderNames, FileNames); }));
                QCoreApplication::processEvents();
            }
            else if (sKind == "find walk")
            {
                size_t uiMatches = 0;
                Times[sKind].push_back(
                    Milliseconds([&] { uiMatches = FindMatchingItems(Reader, QStringLiteral("7.tx")).size(); }));
                if (uiMatches != 9500)
                    std::fprintf(stderr, "find walk: %zu matches, expected 9500\n", uiMatches);
            }
            else
            {
                Desktop.sOpenFileName = sBig;
                if (!lpFind->isEnabled())
                    lpOpen->trigger();
                Desktop.sSearchWord = QStringLiteral("7.tx");
                Times[sKind].push_back(Milliseconds([&] { lpFind->trigger(); }));
                QCoreApplication::processEvents();
            }
        }
    }

    std::printf("%u items (%u folders, %u files), %d rounds, platform %s\n", Reader.GetItemCount(), FOLDERS,
                FOLDERS * FILES_PER_FOLDER, iRounds, qPrintable(QGuiApplication::platformName()));
    PrintTimes(Times, Kinds);
    const auto Minimum = [&](const std::string &sKind) {
        return *std::min_element(Times[sKind].begin(), Times[sKind].end());
    };
    const double dRatio = Median(Times["window open"]) / Median(Times["floor build"]);
    std::printf("window open / floor build: %.2fx by medians, %.2fx by minimums (target 1.50x or less) %s\n",
                dRatio, Minimum("window open") / Minimum("floor build"), dRatio <= 1.5 ? "ok" : "SLOWER THAN TARGET");
    std::fflush(stdout);
    return BenchList(Window, Desktop, lpOpen, sFlat, FlatNames, iRounds);
}
