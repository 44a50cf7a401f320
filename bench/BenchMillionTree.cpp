// SPDX-License-Identifier: MIT
// bench_tree --million: an archive of 1,000,000 items (100,000 folders of 9
// files each, all in the root) opened in the window, against the toolkit's
// floor in the same run: 1,000,000 plain QTreeWidgetItems named from memory,
// built bottom-up into a shown tree with updates off. Both are timed until
// painted: for the window that is the open command (the full tree and the
// root's list of 100,000 folders). Targets: within 1.5x of the floor; Find
// under 150 ms; the window's peak RSS, measured in a process of its own that
// only opens the archive, under 400 MiB.

#include "BenchDesktop.h"
#include "BenchRounds.h"
#include "BenchMillionTree.h"
#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "dialogs/Search.h"
#include "window/CLarkspur.h"

#include <QAction>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace Larkspur;
using BenchRounds::Median;
using BenchRounds::Minimum;

namespace
{

constexpr uint32_t FOLDERS = 100000;
constexpr uint32_t FILES_PER_FOLDER = 9;
constexpr double OPEN_RATIO_TARGET = 1.5;
constexpr double FIND_TARGET_MS = 150;
constexpr double RSS_TARGET_MIB = 400;
const QString SEARCH_WORD = QStringLiteral("4242");

double Milliseconds(const std::function<void()> &Work)
{
    const auto Start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
}

long StatusKiB(const char *szField)
{
    std::ifstream Status("/proc/self/status");
    std::string sLine;
    const std::string sField = std::string(szField) + ":";
    while (std::getline(Status, sLine))
        if (sLine.compare(0, sField.size(), sField) == 0)
            return std::atol(sLine.c_str() + sField.size());
    return 0;
}

SProgramFiles BenchFiles(const QTemporaryDir &Folder)
{
    return {Folder.filePath(QStringLiteral("larkspur.cfg")), Folder.filePath(QStringLiteral("larkspur.log")),
            {Folder.path()}};
}

void BuildFloor(QTreeWidget &Tree, const std::vector<QString> &FolderNames, const std::vector<QString> &FileNames)
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

}  // namespace

int MillionTreeRss(const QString &sArchive)
{
    QTemporaryDir Folder;
    CBenchDesktop Desktop;
    const long iBaseline = StatusKiB("VmRSS");
    CLarkspur Window(QStringList(), Desktop, BenchFiles(Folder));
    Window.show();
    QCoreApplication::processEvents();
    Desktop.sOpenFileName = sArchive;
    Window.findChild<QAction *>(QStringLiteral("btnOpen"))->trigger();
    QCoreApplication::processEvents();
    std::printf("%ld %ld %ld\n", StatusKiB("VmHWM"), StatusKiB("VmRSS"), iBaseline);
    return 0;
}

int BenchMillionTree(int iRounds, const QString &sSelf)
{
    QTemporaryDir Folder;
    const QString sBig = Folder.filePath(QStringLiteral("million.gcf"));
    const QString sSmall = Folder.filePath(QStringLiteral("small.gcf"));
    std::vector<QString> FolderNames, FileNames;
    {
        const GcfBuilder::SItem Wide = GcfBuilder::WideTree(FOLDERS, FILES_PER_FOLDER);
        if (!GcfBuilder::BuildToFile(Wide, {}, sBig.toStdString()) ||
            !GcfBuilder::BuildToFile(GcfBuilder::SampleTree(), {}, sSmall.toStdString()))
        {
            std::fprintf(stderr, "cannot write the archives in %s\n", qPrintable(Folder.path()));
            return 1;
        }
        for (const GcfBuilder::SItem &FolderItem : Wide.Children)
        {
            FolderNames.push_back(QString::fromStdString(FolderItem.sName));
            for (const GcfBuilder::SItem &File : FolderItem.Children)
                FileNames.push_back(QString::fromStdString(File.sName));
        }
    }

    // The window's memory, alone in a process of its own.
    QProcess Child;
    Child.start(sSelf, {QStringLiteral("--million-rss"), sBig});
    Child.waitForFinished(-1);
    long iPeakKiB = 0, iRssKiB = 0, iBaselineKiB = 0;
    std::sscanf(Child.readAllStandardOutput().constData(), "%ld %ld %ld", &iPeakKiB, &iRssKiB, &iBaselineKiB);

    CBenchDesktop Desktop;
    CLarkspur Window(QStringList(), Desktop, BenchFiles(Folder));
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
    std::mt19937 Random(4242);
    for (int iRound = 0; iRound < iRounds; ++iRound)
    {
        std::vector<std::string> Order = Kinds;
        std::shuffle(Order.begin(), Order.end(), Random);
        for (const std::string &sKind : Order)
        {
            if (sKind == "window open")
            {
                // Closing the big tree is not part of opening it.
                Desktop.sOpenFileName = sSmall;
                lpOpen->trigger();
                QCoreApplication::processEvents();
                Desktop.sOpenFileName = sBig;
                Times[sKind].push_back(Milliseconds([&] {
                    lpOpen->trigger();
                    QCoreApplication::processEvents();
                }));
            }
            else if (sKind == "floor build")
            {
                Floor.clear();
                QCoreApplication::processEvents();
                Times[sKind].push_back(Milliseconds([&] {
                    BuildFloor(Floor, FolderNames, FileNames);
                    QCoreApplication::processEvents();
                }));
            }
            else if (sKind == "find walk")
            {
                Times[sKind].push_back(Milliseconds([&] { FindMatchingItems(Reader, SEARCH_WORD); }));
            }
            else
            {
                Desktop.sOpenFileName = sBig;
                if (!lpFind->isEnabled())
                    lpOpen->trigger();
                Desktop.sSearchWord = SEARCH_WORD;
                Times[sKind].push_back(Milliseconds([&] {
                    lpFind->trigger();
                    QCoreApplication::processEvents();
                }));
            }
        }
    }

    std::printf("\n%u items (%u folders, %u files), %d rounds; search word \"%s\" (%zu matches)\n",
                Reader.GetItemCount(), FOLDERS, FOLDERS * FILES_PER_FOLDER, iRounds, qPrintable(SEARCH_WORD),
                FindMatchingItems(Reader, SEARCH_WORD).size());
    for (const std::string &sKind : Kinds)
        std::printf("  %-16s median %8.2f ms   min %8.2f ms\n", sKind.c_str(), Median(Times[sKind]),
                    Minimum(Times[sKind]));
    const double fRatio = Median(Times["window open"]) / Median(Times["floor build"]);
    std::printf("window open / floor build: %.2fx by medians, %.2fx by minimums (target %.2fx or less) %s\n", fRatio,
                Minimum(Times["window open"]) / Minimum(Times["floor build"]), OPEN_RATIO_TARGET,
                fRatio <= OPEN_RATIO_TARGET ? "ok" : "SLOWER THAN TARGET");
    const double fFind = Median(Times["window find"]);
    std::printf("window find: %.2f ms by median (target under %.0f ms) %s\n", fFind, FIND_TARGET_MS,
                fFind < FIND_TARGET_MS ? "ok" : "SLOWER THAN TARGET");
    const double fPeakMiB = iPeakKiB / 1024.0;
    std::printf("window with the archive open, a process of its own: peak RSS %.1f MiB (target under %.0f MiB) %s; "
                "RSS %.1f MiB, %.1f MiB before the window\n",
                fPeakMiB, RSS_TARGET_MIB, iPeakKiB > 0 && fPeakMiB < RSS_TARGET_MIB ? "ok" : "OVER TARGET",
                iRssKiB / 1024.0, iBaselineKiB / 1024.0);
    return 0;
}
