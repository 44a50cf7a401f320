// SPDX-License-Identifier: MIT
#pragma once
// A fresh main window per test: a temporary program folder (for the log, the
// settings file, and in its tmp/ the window's private temporary folder), a
// temporary work folder for archives and extraction targets, and the
// recording desktop.

#include "FakeDesktop.h"

#include "GcfBuilder.h"
#include "tests/support/TestSupport.h"
#include "window/CLarkspur.h"
#include "window/GCFTreeNode.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>

#include <unistd.h>

// Takes what the process writes to standard error, from construction until
// Text(), into a file: the window reports there what it can no longer show.
class CStandardErrorCapture
{
public:
    CStandardErrorCapture() : lpFile(std::tmpfile())
    {
        std::fflush(stderr);
        iSaved = ::dup(STDERR_FILENO);
        if (lpFile)
            ::dup2(::fileno(lpFile), STDERR_FILENO);
    }
    ~CStandardErrorCapture()
    {
        Restore();
        if (lpFile)
            std::fclose(lpFile);
    }
    CStandardErrorCapture(const CStandardErrorCapture &) = delete;
    CStandardErrorCapture &operator=(const CStandardErrorCapture &) = delete;

    QString Text()
    {
        Restore();
        QByteArray Bytes;
        if (lpFile)
        {
            std::rewind(lpFile);
            char Buffer[4096];
            for (size_t uiRead; (uiRead = std::fread(Buffer, 1, sizeof Buffer, lpFile)) > 0;)
                Bytes.append(Buffer, qsizetype(uiRead));
        }
        return QString::fromLocal8Bit(Bytes);
    }

private:
    void Restore()
    {
        if (iSaved < 0)
            return;
        std::fflush(stderr);
        ::dup2(iSaved, STDERR_FILENO);
        ::close(iSaved);
        iSaved = -1;
    }

    std::FILE *lpFile;
    int iSaved = -1;
};

class WindowTest : public ::testing::Test
{
protected:
    QTemporaryDir ProgramFolder;
    QTemporaryDir WorkFolder;
    FakeDesktop Desktop;
    std::unique_ptr<Larkspur::CLarkspur> Window;

    void SetUp() override { ASSERT_TRUE(QDir(ProgramFolder.path()).mkdir(QStringLiteral("tmp"))); }
    void TearDown() override { Window.reset(); }

    // Makes and shows the window, with sArchive as its one argument (or
    // none); its load runs then. A refused archive's dump goes to
    // sDumpFolder, the work folder unless given.
    void Start(const QString &sArchive = QString(), const QString &sDumpFolder = QString())
    {
        Start(sArchive.isEmpty() ? QStringList() : QStringList{sArchive}, sDumpFolder);
    }
    void Start(const QStringList &Arguments, const QString &sDumpFolder = QString())
    {
        Window = std::make_unique<Larkspur::CLarkspur>(Arguments, Desktop, Files());
        Window->SetDumpFolder(sDumpFolder.isEmpty() ? WorkFolder.path() : sDumpFolder);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }

    Larkspur::SProgramFiles Files() const
    {
        return {ProgramFolder.filePath(QStringLiteral("larkspur.cfg")),
                ProgramFolder.filePath(QStringLiteral("larkspur.log")), {ProgramFolder.filePath(QStringLiteral("tmp"))}};
    }

    // The window's private temporary folder (no trailing separator), or ""
    // while there is none.
    QString TempDirectory() const
    {
        const QDir Parent(ProgramFolder.filePath(QStringLiteral("tmp")));
        const QStringList Made = Parent.entryList({QStringLiteral("larkspur-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_LE(Made.size(), 1);
        return Made.isEmpty() ? QString() : Parent.filePath(Made.first());
    }

    QString WriteArchive(const QString &sName, const GcfBuilder::SArchive &Archive)
    {
        const QString sPath = WorkFolder.filePath(sName);
        EXPECT_TRUE(GcfBuilder::WriteFile(sPath.toStdString(), Archive.Bytes));
        return sPath;
    }
    QString WriteArchive(const QString &sName, const GcfBuilder::SItem &Root, const GcfBuilder::SOptions &Options = {})
    {
        return WriteArchive(sName, GcfBuilder::Build(Root, Options));
    }

    // Opens through File > Open with the picker answering sPath.
    void Open(const QString &sPath)
    {
        Desktop.sOpenFileName = sPath;
        Action("btnOpen")->trigger();
    }

    template <class T> T *Child(const char *szName) const
    {
        T *lpChild = Window->findChild<T *>(QLatin1String(szName));
        EXPECT_NE(lpChild, nullptr) << szName;
        return lpChild;
    }
    QAction *Action(const char *szName) const { return Child<QAction>(szName); }
    QTreeWidget *Tree() const { return Child<QTreeWidget>("treGCFFile"); }
    QTreeView *Details() const { return Child<QTreeView>("lstGCFFileDetails"); }
    QAbstractItemView *CurrentList() const
    {
        return static_cast<QAbstractItemView *>(Child<QStackedWidget>("lstGCFFile")->currentWidget());
    }
    QAbstractItemModel *ListModel() const { return Details()->model(); }
    QString PanelText(const char *szName) const { return Child<QLabel>(szName)->text(); }

    QStringList ConsoleLines() const
    {
        QStringList Lines = Child<QPlainTextEdit>("txtConsole")->toPlainText().split(QLatin1Char('\n'));
        if (!Lines.isEmpty() && Lines.last().isEmpty())
            Lines.removeLast();
        return Lines;
    }

    // The list's column texts, row by row: "name|size|type".
    QStringList ListRows() const
    {
        QStringList Rows;
        for (int iRow = 0; iRow < ListModel()->rowCount(); ++iRow)
        {
            QStringList Cells;
            for (int iColumn = 0; iColumn < 3; ++iColumn)
                Cells.append(ListModel()->index(iRow, iColumn).data().toString());
            Rows.append(Cells.join(QLatin1Char('|')));
        }
        return Rows;
    }
    QString ListName(int iRow) const { return ListModel()->index(iRow, 0).data().toString(); }

    // The node at a "/" path below the root ("root/maps/x.bsp").
    Larkspur::GCFTreeNode *Node(const QString &sPath) const
    {
        const QStringList Names = sPath.split(QLatin1Char('/'));
        QTreeWidgetItem *lpItem = Tree()->topLevelItem(0);
        if (!lpItem || lpItem->text(0) != Names.first())
            return nullptr;
        for (qsizetype iName = 1; iName < Names.size() && lpItem; ++iName)
        {
            QTreeWidgetItem *lpChild = nullptr;
            for (int iChild = 0; iChild < lpItem->childCount() && !lpChild; ++iChild)
                if (lpItem->child(iChild)->text(0) == Names[iName])
                    lpChild = lpItem->child(iChild);
            lpItem = lpChild;
        }
        return static_cast<Larkspur::GCFTreeNode *>(lpItem);
    }

    QString SelectedNodeText() const
    {
        const QList<QTreeWidgetItem *> Selected = Tree()->selectedItems();
        return Selected.isEmpty() ? QString() : Selected.first()->text(0);
    }

    // Selects list rows as a click and Ctrl+clicks would.
    void SelectRows(std::initializer_list<int> Rows) const
    {
        QItemSelectionModel *lpSelection = Details()->selectionModel();
        lpSelection->clearSelection();
        for (const int iRow : Rows)
            lpSelection->select(ListModel()->index(iRow, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Centre of a row in the current list view's viewport.
    QPoint RowCentre(int iRow) const
    {
        return CurrentList()->visualRect(ListModel()->index(iRow, 0)).center();
    }
    QPoint NodeCentre(QTreeWidgetItem *lpItem) const { return Tree()->visualItemRect(lpItem).center(); }
};

// A small tree with the order and names that the list and tree tests need:
// folders and files interleaved, and a folder and a file of the same name.
inline GcfBuilder::SItem MixedTree()
{
    using GcfBuilder::SItem;
    return SItem::Folder("mixed", {
                                      SItem::File("b.txt", "hello world!"),
                                      SItem::Folder("a", {SItem::File("inner.txt", "x")}),
                                      SItem::File("a", "same name as the folder"),
                                      SItem::Folder("empty"),
                                      SItem::File("z.bsp", std::string(2048, 'z')),
                                  });
}
