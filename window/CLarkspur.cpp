// SPDX-License-Identifier: MIT
// The main window's life (construction, load, closing) and the open archive:
// opening, closing, the title and status bar, and the console.

#include "window/CLarkspur.h"

#include "dialogs/CAbout.h"
#include "extract/CAbort.h"
#include "window/CommandLine.h"
#include "window/ConsoleView.h"
#include "window/FolderLocations.h"
#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"
#include "window/Images.h"
#include "window/ItemViews.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include "archive/OpenArchive.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QStatusBar>

#include <cstdio>

namespace Larkspur
{

namespace
{

// True when the file begins with a VPK set's signature: it is opened as
// one, whatever its name. A file that cannot be read is handed to the GCF
// reader, which refuses it as it refuses any such file.
bool BeginsAsVPK(const QString &sFileName)
{
    QFile File(sFileName);
    if (!File.open(QIODevice::ReadOnly))
        return false;
    const QByteArray Start = File.read(4);
    return HasVPKSignature(Start.constData(), size_t(Start.size()));
}

void ReportNotWritten(const QString &sWhat, const QString &sPath, const QString &sReason)
{
    std::fprintf(stderr, "%s\n", CProgramFiles::NotWrittenLine(sWhat, sPath, sReason).toLocal8Bit().constData());
}

}  // namespace

CLarkspur::CLarkspur(const QStringList &Arguments, IDesktop &Desktop, const SProgramFiles &Files)
    : GCFFile(std::make_unique<CGCF>()), VPKFile(std::make_unique<CVPK>()), Archive(GCFFile.get()),
      CommandLine(Arguments),
      Desktop(Desktop), Files(Files)
{
    InitializeComponent();
    barMain_SizeChanged();
    About = new CAbout([this](const QUrl &Url) { this->Desktop.OpenUrl(Url, {}); }, ProgramIcon(), this);
}

CLarkspur::~CLarkspur()
{
    HideAbort();
    // The rows go before what they point to (tree nodes, the locations of
    // search results): the views ask for them while they are taken down.
    ListModel->Clear();
    ClearTree();
}

// --- window events ------------------------------------------------------------

void CLarkspur::showEvent(QShowEvent *lpEvent)
{
    // The load runs once, before the window is first painted.
    if (!bLoaded)
    {
        bLoaded = true;
        CLarkspur_Load();
    }
    QMainWindow::showEvent(lpEvent);
}

void CLarkspur::closeEvent(QCloseEvent *lpEvent)
{
    if (Abort)
    {
        bCloseAfterExtracting = true;
        StopExtracting();
        lpEvent->ignore();
        return;
    }
    if (!bClosed)
    {
        bClosed = true;
        CLarkspur_Closing();
    }
    lpEvent->accept();
}

void CLarkspur::moveEvent(QMoveEvent *lpEvent)
{
    QMainWindow::moveEvent(lpEvent);
    CLarkspur_Move();
}

void CLarkspur::resizeEvent(QResizeEvent *lpEvent)
{
    QMainWindow::resizeEvent(lpEvent);
    CLarkspur_Resize();
}

// Maximizing or restoring may come without a resize event of its own (the
// size can stay, or arrive before the state does), and the placement must
// still learn the new state.
void CLarkspur::changeEvent(QEvent *lpEvent)
{
    QMainWindow::changeEvent(lpEvent);
    if (lpEvent->type() == QEvent::WindowStateChange)
        CLarkspur_Resize();
}

bool CLarkspur::eventFilter(QObject *lpWatched, QEvent *lpEvent)
{
    if (lpWatched == btnFilter && lpEvent->type() == QEvent::Shortcut)
    {
        btnFilter_KeyDown();
        return true;
    }
    if (lpWatched == txtFilter && lpEvent->type() == QEvent::KeyPress)
    {
        const int iKey = static_cast<QKeyEvent *>(lpEvent)->key();
        if (iKey == Qt::Key_Escape || iKey == Qt::Key_Down)
        {
            txtFilter_KeyDown(iKey);
            return true;
        }
    }
    if (lpEvent->type() == QEvent::Resize)
    {
        if (lpWatched == pnlPanels)
            barMain_SizeChanged();
        else if (lpWatched == lstGCFFileDetails->viewport())
            lstGCFFile_Resize();
    }
    return QMainWindow::eventFilter(lpWatched, lpEvent);
}

// --- load and closing ---------------------------------------------------------

void CLarkspur::CLarkspur_Load()
{
    BackupForm();
    LoadConfigFile(Files.sConfigFile);
    RestoreForm();
    TempFolder.RemoveAbandoned();
    CreateDirectory();
    ProcessCommandLine(CommandLine);
}

void CLarkspur::CLarkspur_Closing()
{
    CloseGCFFile();
    DeleteDirectory();

    // The window is going, so a settings file or log that cannot be written
    // is reported on standard error; neither keeps the program from closing.
    if (const SSaveResult Saved = WriteConfigFile(Files.sConfigFile); !Saved)
        ReportNotWritten(QStringLiteral("settings file"), Files.sConfigFile, Saved.sReason);
    if (const SSaveResult Saved = CProgramFiles::WriteFile(Files.sLogFile, txtConsole->toPlainText().toUtf8()); !Saved)
        ReportNotWritten(QStringLiteral("log"), Files.sLogFile, Saved.sReason);

    QCoreApplication::quit();
}

void CLarkspur::CloseAsExit()
{
    // A context menu's choice is not made for the user: it just goes.
    while (QWidget *lpPopup = QApplication::activePopupWidget())
    {
        lpPopup->close();
        if (QApplication::activePopupWidget() == lpPopup)
            break;
    }
    const QPointer<CLarkspur> Window(this);
    if (Desktop.CancelModal([Window] {
            if (Window)
                Window->CloseAsExit();
        }))
        return;
    close();
}

void CLarkspur::ProcessCommandLine(const QStringList &Arguments)
{
    const QString sPath = AbsoluteArchivePath(PathFromArguments(Arguments), QDir::currentPath());
    if (!sPath.isEmpty() && QFileInfo(sPath).isFile())
        OpenGCFFile(sPath);
}

// --- the open archive ---------------------------------------------------------

bool CLarkspur::OpenGCFFile(const QString &sFileName)
{
    static const QString sCouldNotOpen = QStringLiteral("Could not open:\n%1\n\nError:\n%2");
    if (!QFileInfo(sFileName).isFile())
    {
        Desktop.ShowErrorBox(this, sCouldNotOpen.arg(sFileName, QStringLiteral("File does not exist.")));
        return false;
    }

    CloseGCFFile();

    // A VPK set is refused as a GCF is: the box holds the reader's reason,
    // its kind of failure and then what precisely is wrong.
    const std::string sPath = StringToCharPointer(sFileName);
    const bool bVPK = BeginsAsVPK(sFileName);
    if (bVPK ? !VPKFile->Open(sPath.c_str()) : !GCFFile->Open(sPath.c_str()))
    {
        const char *szError = bVPK ? VPKFile->GetLastError() : GCFFile->GetLastError();
        Desktop.ShowErrorBox(this, sCouldNotOpen.arg(sFileName, QString::fromUtf8(szError ? szError : "")));
        return false;
    }
    if (bVPK)
        Archive = VPKFile.get();
    Extraction = std::make_unique<CExtraction>(*Archive, ConsoleLines);

    WriteLine(sFileName + QStringLiteral(" loaded."), ELineColor::Green);
    btnFind->setEnabled(true);
    setWindowTitle(WindowTitle(sFileName));
    ShowStatus(StatusTexts(*Archive, sFileName));

    // The one guarded step: damaged directory links, or anything else that
    // goes wrong while the tree is built, close the archive again with a
    // message and a dump of its headers.
    bool bPopulated = false;
    try
    {
        bPopulated = PopulateTree();
    }
    catch (...)
    {
        bPopulated = false;
    }
    if (!bPopulated)
    {
        Desktop.ShowErrorBox(this,
                             sCouldNotOpen.arg(sFileName, QStringLiteral("Unexpected exception in PopulateTree().")));
        // The structure dump is a GCF's; a VPK set has none.
        if (!bVPK)
            GCFFile->Dump();
        CloseGCFFile();
        return false;
    }

    AddRecentFile(sFileName);
    return true;
}

void CLarkspur::CloseGCFFile()
{
    ClearPreview();
    treGCFFile->setUpdatesEnabled(false);
    ClearTree();
    treGCFFile->setUpdatesEnabled(true);

    lstGCFFile->setUpdatesEnabled(false);
    ListModel->Clear();
    Locations.reset();
    ResetListArrangement();
    lstGCFFile->setUpdatesEnabled(true);

    if (Archive->Opened())
    {
        const QString sFileName = QFile::decodeName(QByteArray::fromStdString(Archive->GetFileName()));
        Archive->Close();
        WriteLine(sFileName + QStringLiteral(" closed."), ELineColor::Green);
    }
    Extraction.reset();
    Archive = GCFFile.get();

    btnFind->setEnabled(false);
    ShowStatus(EmptyStatusTexts());
    setWindowTitle(QLatin1String(EMPTY_TITLE));
}

void CLarkspur::ReportArchiveCutShort()
{
    // Later, from the event loop: this may be asked for from inside a drag
    // or the abort dialog's run, whose items closing the archive deletes.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!Archive->Opened())
                return;
            const QString sFileName = QFile::decodeName(QByteArray::fromStdString(Archive->GetFileName()));
            Desktop.ShowErrorBox(this, QStringLiteral("Could not read:\n%1\n\nError:\nThe file was cut short while it "
                                                      "was open.")
                                           .arg(sFileName));
            CloseGCFFile();
        },
        Qt::QueuedConnection);
}

void CLarkspur::ShowStatus(const SStatusTexts &Texts)
{
    pnlFile->setText(Texts.sFile);
    pnlFileSize->setText(Texts.sFileSize);
    pnlGCFVersion->setText(Texts.sGCFVersion);
    pnlUsedBlocks->setText(Texts.sUsedBlocks);
}

void CLarkspur::SetDumpFolder(const QString &sFolder)
{
    GCFFile->SetDumpFolder(StringToCharPointer(sFolder));
}

void CLarkspur::btnOpen_Click()
{
    const QString sFileName = Desktop.GetOpenFileName(this);
    if (!sFileName.isEmpty())
        OpenGCFFile(sFileName);
}

std::string CLarkspur::StringToCharPointer(const QString &sString)
{
    const QByteArray sEncoded = QFile::encodeName(sString);
    return std::string(sEncoded.constData(), size_t(sEncoded.size()));
}

// --- the console ----------------------------------------------------------------

void CLarkspur::WriteLine(const QString &sString, ELineColor cColor)
{
    // The focus stays where the user has it: the console scrolls to its new
    // last line by itself. A name's control characters show as "?": each
    // line stays one line, in the console and in the log.
    txtConsole->AppendLine(ShownText(sString), cColor);
}

void CLarkspur::CConsoleLines::WriteLine(std::string_view sLine, ELineColor eColor)
{
    Window.WriteLine(Utils::DecodeName(sLine), eColor);
}

}  // namespace Larkspur
