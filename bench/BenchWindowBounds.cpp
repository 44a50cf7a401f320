// SPDX-License-Identifier: MIT
// bench_tree --bounds: the window on archive content shaped to be costly,
// each shape at two sizes, each run in a process of its own (its peak RSS
// read from /proc). At double the size every figure must stay within 2.5x.
// - jpeg: the preview of a progressive JPEG (4096 x 4096) whose cheapest
//   scan is repeated over 1 and 2 MiB (a minute of decoding per MiB when
//   nothing stops it): seconds until the pane shows its note, and the
//   longest the window's thread went without handling its events.
// - text: the preview of one line of text without a break, 0.5 and 1 MiB:
//   seconds until shown and painted (target: well under a second).
// - find: Find over folders nested 1,400 and 2,800 deep with 255-byte names,
//   every one a result, then the results scrolled from top to bottom, one
//   page painted at a time (their locations, uncut, take 0.4 and 0.7 MB).

#include "BenchDesktop.h"
#include "BenchRounds.h"
#include "BenchWindowBounds.h"
#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "tests/support/PictureSupport.h"
#include "window/CLarkspur.h"
#include "window/ItemPreview.h"
#include "window/PictureDecoding.h"
#include "window/PreviewPane.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

struct SShape
{
    const char *szKind;
    const char *szSize;  // how the size is told
    std::function<GcfBuilder::SItem(int iScale)> Tree;
};

GcfBuilder::SItem NestedNames(int iDepth)
{
    GcfBuilder::SItem Item = GcfBuilder::SItem::File("x", "x");
    for (int iLevel = iDepth; iLevel-- > 0;)
    {
        GcfBuilder::SItem Folder = GcfBuilder::SItem::Folder(std::to_string(iLevel % 10) + std::string(254, 'x'));
        Folder.Children.push_back(std::move(Item));
        Item = std::move(Folder);
    }
    return GcfBuilder::SItem::Folder("root", {Item});
}

const std::vector<SShape> &Shapes()
{
    static const std::vector<SShape> List = {
        {"jpeg", "MiB of scans",
         [](int iScale) {
             const QByteArray Jpeg = PictureTest::RepeatedScanJpeg(QSize(4096, 4096), qsizetype(iScale) << 20);
             return GcfBuilder::SItem::Folder("root", {GcfBuilder::SItem::File("scans.dat", Jpeg.toStdString())});
         }},
        {"text", "MiB on one line",
         [](int iScale) {
             return GcfBuilder::SItem::Folder(
                 "root", {GcfBuilder::SItem::File("line.json", std::string(size_t(iScale) << 19, '{'))});
         }},
        {"find", "thousand folders deep", [](int iScale) { return NestedNames(1400 * iScale); }},
    };
    return List;
}

// Counts the longest time between two turns of the event loop.
class CLoopWatch
{
public:
    CLoopWatch()
    {
        Timer.setInterval(0);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            iLongest = std::max(iLongest, Since.restart());
        });
        Since.start();
        Timer.start();
    }
    double LongestSeconds() const { return std::max(iLongest, Since.elapsed()) / 1e3; }

private:
    QTimer Timer;
    QElapsedTimer Since;
    qint64 iLongest = 0;
};

double PreviewCase(const QString &sArchive, const QString &sKind, double &fLongestWait)
{
    CGCF GCFFile;
    if (!GCFFile.Open(sArchive.toLocal8Bit().constData()))
        return -1;
    GCFPreviewPane Pane;
    Pane.resize(400, 600);
    Pane.show();
    QCoreApplication::processEvents();
    QElapsedTimer Timer;
    Timer.start();
    CLoopWatch Watch;
    Pane.ShowPreview(QStringLiteral("file"), PreviewItem(GCFFile, 1, &IsPreviewPicture));
    Pane.repaint();
    if (sKind == QLatin1String("jpeg"))
    {
        while (Pane.IsDecoding())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (Pane.GetKind() != EPreviewKind::Hex)
            return -1;
        Pane.repaint();
    }
    const double fSeconds = Timer.nsecsElapsed() / 1e9;
    fLongestWait = Watch.LongestSeconds();
    return fSeconds;
}

double FindCase(const QString &sArchive, double &fLongestWait)
{
    QTemporaryDir Folder;
    CBenchDesktop Desktop;
    Desktop.sOpenFileName = sArchive;
    Desktop.sSearchWord = QStringLiteral("x");
    const SProgramFiles Files{Folder.filePath(QStringLiteral("larkspur.cfg")),
                              Folder.filePath(QStringLiteral("larkspur.log")), {Folder.path()}};
    CLarkspur Window(QStringList(), Desktop, Files);
    Window.resize(800, 600);
    Window.show();
    Window.findChild<QAction *>(QStringLiteral("btnOpen"))->trigger();
    QCoreApplication::processEvents();
    auto *lpDetails = Window.findChild<QTreeView *>(QStringLiteral("lstGCFFileDetails"));
    QElapsedTimer Timer;
    Timer.start();
    CLoopWatch Watch;
    Window.findChild<QAction *>(QStringLiteral("btnFind"))->trigger();
    QScrollBar *lpScroll = lpDetails->verticalScrollBar();
    for (;;)
    {
        lpDetails->viewport()->repaint();
        QCoreApplication::processEvents();
        if (lpScroll->value() >= lpScroll->maximum())
            break;
        lpScroll->setValue(lpScroll->value() + lpScroll->pageStep());
    }
    const double fSeconds = Timer.nsecsElapsed() / 1e9;
    fLongestWait = Watch.LongestSeconds();
    const int iResults = lpDetails->model()->rowCount();
    Window.close();
    return iResults > 1000 ? fSeconds : -1;
}

}  // namespace

int WindowBoundsCase(const QString &sKind, const QString &sArchive, const QString &sResult)
{
    double fLongestWait = 0;
    const double fSeconds =
        sKind == QLatin1String("find") ? FindCase(sArchive, fLongestWait) : PreviewCase(sArchive, sKind, fLongestWait);
    QFile Result(sResult);
    if (fSeconds < 0 || !Result.open(QIODevice::WriteOnly))
        return 1;
    Result.write(QByteArray::number(fSeconds) + ' ' + QByteArray::number(fLongestWait) + '\n');
    return 0;
}

int BenchWindowBounds(int iRounds, const QString &sSelf)
{
    QTemporaryDir Folder;
    // The cases run under a name of their own: the memory of a process of
    // this one's name, as a child is until it has started the program, is
    // not theirs (the archives are built here).
    const QString sCase = Folder.filePath(QStringLiteral("window-case"));
    if (!QFile::link(sSelf, sCase))
        BenchRounds::Fail("cannot link " + sCase.toStdString());

    std::printf("The window on costly archive content, %d rounds each in a process of its own (median seconds,\n"
                "median longest wait of the window's thread, peak RSS); at double the size at most 2.5x:\n",
                iRounds);
    std::printf("  %-5s %-24s %10s %9s %9s %10s\n", "case", "size", "archive", "seconds", "wait", "peak RSS");
    bool bMet = true;
    for (const SShape &Shape : Shapes())
    {
        std::map<int, std::pair<double, double>> Figures;  // by scale: seconds, peak RSS in MiB
        for (const int iScale : {1, 2})
        {
            const QString sArchive = Folder.filePath(QStringLiteral("%1-%2.gcf").arg(QLatin1String(Shape.szKind)).arg(iScale));
            GcfBuilder::SLayout Layout;
            if (!GcfBuilder::BuildToFile(Shape.Tree(iScale), GcfBuilder::SOptions(), sArchive.toStdString(), &Layout))
                BenchRounds::Fail("cannot write " + sArchive.toStdString());
            std::vector<double> Seconds, Waits, Rss;
            const QString sResult = Folder.filePath(QStringLiteral("result"));
            for (int iRound = 0; iRound < iRounds; ++iRound)
            {
                const BenchRounds::SRun Run = BenchRounds::RunCommand(
                    {sCase.toStdString(), "--bounds-case", Shape.szKind, sArchive.toStdString(), sResult.toStdString()},
                    true);
                QFile Result(sResult);
                if (Run.iStatus != 0 || !Result.open(QIODevice::ReadOnly))
                    BenchRounds::Fail(std::string("the case failed: ") + Shape.szKind);
                const QList<QByteArray> Values = Result.readAll().trimmed().split(' ');
                Seconds.push_back(Values.value(0).toDouble());
                Waits.push_back(Values.value(1).toDouble());
                Rss.push_back(double(Run.iPeakRssKiB) / 1024);
            }
            const double fScale = Shape.szKind == std::string("text") ? iScale * 0.5 : iScale;
            const double fRatioScale = Shape.szKind == std::string("find") ? iScale * 1.4 : fScale;
            std::printf("  %-5s %4.1f %-19s %8.0f KB %8.3f s %7.3f s %6.0f MiB\n", Shape.szKind, fRatioScale,
                        Shape.szSize, double(Layout.uiFileSize) / 1e3, BenchRounds::Median(Seconds),
                        BenchRounds::Median(Waits), *std::max_element(Rss.begin(), Rss.end()));
            Figures[iScale] = {BenchRounds::Median(Seconds), *std::max_element(Rss.begin(), Rss.end())};
        }
        const double fTime = Figures[2].first / Figures[1].first, fRss = Figures[2].second / Figures[1].second;
        const bool bShapeMet = fTime <= 2.5 && fRss <= 2.5;
        bMet = bMet && bShapeMet;
        std::printf("  %-5s at double the size: seconds %.2fx, peak RSS %.2fx (target: at most 2.5x) %s\n",
                    Shape.szKind, fTime, fRss, bShapeMet ? "met" : "NOT MET");
    }
    return bMet ? 0 : 1;
}
