// SPDX-License-Identifier: MIT
// The window's settings file, recent archives and placement.

#include "window/CLarkspur.h"

#include "settings/CConfigFile.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace Larkspur
{

bool CLarkspur::LoadConfigFile(const QString &sConfigFile)
{
    // Details is the view whenever the file does not choose another one.
    btnDetails_Click();
    SConfigValues Values;
    const bool bRead = CConfigFile::Load(sConfigFile, Values);
    if (Values.sExtractDirectory)
        sExtractDirectory = *Values.sExtractDirectory;
    if (Values.sSearchWord)
        sSearchWord = *Values.sSearchWord;
    if (Values.eView == EListView::Icons)
        btnIcons_Click();
    else if (Values.eView == EListView::List)
        btnList_Click();
    else if (Values.eView == EListView::Details)
        btnDetails_Click();
    FormPlacement.Apply(Values);
    if (Values.bPreview.value_or(false) != btnPreview->isChecked())
    {
        btnPreview->setChecked(Values.bPreview.value_or(false));
        btnPreview_Click();
    }
    // Oldest first: each one goes to the front, so the list ends in its saved order.
    for (const QString &sFile : Values.RecentFiles)
        AddRecentFile(sFile);
    RecentFiles.ForgetOpened();
    return bRead;
}

SSaveResult CLarkspur::WriteConfigFile(const QString &sConfigFile)
{
    SConfigValues Values;
    Values.sExtractDirectory = sExtractDirectory;
    Values.sSearchWord = sSearchWord;
    if (btnIcons->isChecked())
        Values.eView = EListView::Icons;
    else if (btnList->isChecked())
        Values.eView = EListView::List;
    else if (btnDetails->isChecked())
        Values.eView = EListView::Details;
    FormPlacement.Store(Values);
    Values.bPreview = btnPreview->isChecked();
    // Another window of the same settings file may have closed since this
    // one read it, or close at this very moment: its recent archives are
    // kept beside this one's.
    return CConfigFile::WriteMerged(sConfigFile, Values, RecentFiles);
}

void CLarkspur::AddRecentFile(const QString &sFile)
{
    if (RecentFiles.Add(sFile))
        UpdateRecentFiles();
}

void CLarkspur::UpdateRecentFiles()
{
    btnRecentFiles->clear();
    for (const QString &sFile : RecentFiles.Files())
    {
        // A "&" in a path is shown as itself, not taken for an access key.
        QAction *lpItem = btnRecentFiles->addAction(QString(sFile).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(lpItem, &QAction::triggered, this, [this, lpItem] { btnRecentFile_Click(lpItem); });
    }
    btnRecentFiles->menuAction()->setVisible(!RecentFiles.Files().isEmpty());
}

void CLarkspur::btnRecentFile_Click(QAction *lpSender)
{
    // The submenu is rebuilt in list order, so an item's place is its entry's.
    const qsizetype iIndex = btnRecentFiles->actions().indexOf(lpSender);
    if (iIndex >= 0 && iIndex < RecentFiles.Files().size())
        OpenGCFFile(RecentFiles.Files().at(iIndex));
}

void CLarkspur::BackupForm()
{
    // The size is the one resize() takes, so that a restored window comes
    // back at the size it was saved with.
    FormPlacement.Backup(isMinimized(), isMaximized(), pos(), size());
}

void CLarkspur::RestoreForm()
{
    QList<QRect> Screens;
    for (const QScreen *lpScreen : QGuiApplication::screens())
        Screens.append(lpScreen->availableGeometry());
    FormPlacement.FitToScreens(Screens);
    // An unchanged position is left to the window system, which places a
    // window that was never moved.
    FormPlacement.Restore([this](QPoint Location) { if (Location != pos()) move(Location); },
                          [this](QSize Size) { if (Size != size()) resize(Size); },
                          [this](EWindowState eState) {
                              setWindowState(eState == EWindowState::Maximized ? Qt::WindowMaximized
                                                                               : Qt::WindowNoState);
                          });
}

void CLarkspur::CLarkspur_Move()
{
    BackupForm();
}

void CLarkspur::CLarkspur_Resize()
{
    BackupForm();
}

}  // namespace Larkspur
