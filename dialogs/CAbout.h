// SPDX-License-Identifier: MIT
#pragma once
// The about box: the program's icon, version, date, author, language and line
// count, and a link to its documentation. The main window builds it once and
// shows it as often as asked: dismissing it only hides it, so the same
// instance comes back each time.

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QUrl>

#include <functional>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QPushButton;

namespace Larkspur
{

class CAbout : public QDialog
{
    Q_OBJECT

public:
    // OpenUrl opens an address with the desktop's associated program; the
    // window passes its desktop seam. A null Icon takes the application's.
    explicit CAbout(std::function<void(const QUrl &)> OpenUrl, const QIcon &Icon = QIcon(),
                    QWidget *lpParent = nullptr);

    // The README.md that belongs to the program in sProgramFolder: the
    // source tree's when the program runs from its build folder; otherwise
    // the one beside the program (a portable copy), else the first
    // doc/larkspur/README.md of the desktop's data folders (XDG_DATA_HOME,
    // XDG_DATA_DIRS), else the path the package gives it in the last of them.
    static QUrl DocumentationUrl(const QString &sProgramFolder);
    // The same for a program built in sBuildFolder from sSourceFolder.
    static QUrl DocumentationUrl(const QString &sProgramFolder, const QString &sBuildFolder,
                                 const QString &sSourceFolder);

    // "12/08/2026": month/day/year, four-digit year.
    static const char *const RELEASE_DATE;
    static const char *const AUTHOR;

protected:
    // The box is never closed, only hidden, so that it can be shown again.
    void closeEvent(QCloseEvent *lpEvent) override;
    // A new palette gives the link a colour that can be read on it.
    void changeEvent(QEvent *lpEvent) override;

public slots:
    void reject() override;

private:
    // The link to the program's documentation, at Geometry in the group.
    void AddLink(const QRect &Geometry);
    void btnOK_Click();
    void lnkWebSite_LinkClicked(const QString &sLink);
    void ShowLink();

    std::function<void(const QUrl &)> OpenUrl;
    QGroupBox *grpAbout = nullptr;
    QLabel *picIcon = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblAuthor = nullptr;
    QLabel *lblDate = nullptr;
    QLabel *lblLanguage = nullptr;
    QLabel *lblLines = nullptr;
    QLabel *lnkWebSite = nullptr;
    QString sLinkAddress;
    QPushButton *btnOK = nullptr;
};

}  // namespace Larkspur
