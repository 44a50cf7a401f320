// Opening an archive of 100,000 items (5,000 folders, 95,000 files) in the
// main window, against the toolkit's floor measured in the same run: the same
// number of plain QTreeWidgetItems, named from an in-memory list and built
// bottom-up into a shown tree with its updates off. Target: within 1.5x of
// the floor. Also times the Find walk over the same archive and the window's
// whole Find command. Rounds are interleaved in shuffled order; medians and
// minimums are printed, since absolute times drift on shared machines.
//
//   bench_tree [ROUNDS]      (15 by default; offscreen unless QT_QPA_PLATFORM says otherwise)

#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "dialogs/Search.h"
#include "window/CLarkspur.h"
#include "window/IDesktop.h"
#include "window/Utils.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QTemporaryDir>
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

// Answers the window's Open and Find dialogs without showing anything.
class CBenchDesktop final : public Larkspur::IDesktop
{
public:
    QString sOpenFileName;
    QString sSearchWord;

    void ShowErrorBox(QWidget *, const QString &sText) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(sText));
    }
    QString GetOpenFileName(QWidget *) override { return sOpenFileName; }
    std::optional<QString> BrowseForFolder(QWidget *, const QString &) override { return std::nullopt; }
    void OpenUrl(const QUrl &, std::function<void()>) override {}
    void StartDrag(QWidget *, QMimeData *lpData, Qt::DropActions) override { delete lpData; }
    int ExecDialog(QDialog &Dialog) override
    {
        if (auto *lpText = Dialog.findChild<QLineEdit *>(QStringLiteral("txtFind")))
        {
            lpText->setText(sSearchWord);
            return QDialog::Accepted;
        }
        return QDialog::Rejected;
    }
};

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

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Utils::BuildExtTable();
    const int iRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QTemporaryDir Folder;
    const QString sBig = Folder.filePath(QStringLiteral("wide.gcf"));
    const QString sSmall = Folder.filePath(QStringLiteral("small.gcf"));
    const GcfBuilder::SItem Wide = GcfBuilder::WideTree(FOLDERS, FILES_PER_FOLDER);
    if (!GcfBuilder::WriteFile(sBig.toStdString(), GcfBuilder::Build(Wide).Bytes) ||
        !GcfBuilder::WriteFile(sSmall.toStdString(), GcfBuilder::Build(GcfBuilder::SampleTree()).Bytes))
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
    Larkspur::CLarkspur Window(QString(), Desktop, Files);
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
    for (const std::string &sKind : Kinds)
    {
        const std::vector<double> &Values = Times[sKind];
        std::printf("  %-12s median %8.2f ms   min %8.2f ms\n", sKind.c_str(), Median(Values),
                    *std::min_element(Values.begin(), Values.end()));
    }
    const auto Minimum = [&](const std::string &sKind) {
        return *std::min_element(Times[sKind].begin(), Times[sKind].end());
    };
    const double dRatio = Median(Times["window open"]) / Median(Times["floor build"]);
    std::printf("window open / floor build: %.2fx by medians, %.2fx by minimums (target 1.50x or less) %s\n",
                dRatio, Minimum("window open") / Minimum("floor build"), dRatio <= 1.5 ? "ok" : "SLOWER THAN TARGET");
    return 0;
}
