// SPDX-License-Identifier: MIT
#include "dialogs/CAbout.h"

#include "dialogs/DialogLayout.h"
#include "window/ConsoleView.h"
#include "window/Utils.h"

#include "SourceLines.h"
#include "Version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

// Where the program was built from; set by the build for this file only.
#ifndef LARKSPUR_SOURCE_DIR
#define LARKSPUR_SOURCE_DIR ""
#endif
#ifndef LARKSPUR_BUILD_DIR
#define LARKSPUR_BUILD_DIR ""
#endif

#include <utility>

namespace Larkspur
{

const char *const CAbout::RELEASE_DATE = "12/08/2026";
const char *const CAbout::AUTHOR = "Larkspur Developers";

namespace
{

constexpr const char *LINK_TEXT = "Read Me";
// Where the install puts the README, below a data folder such as /usr/share.
constexpr const char *README_PATH = "doc/larkspur/README.md";

QLabel *AddLabel(QWidget *lpParent, const QString &sName, const QString &sText)
{
    auto *lpLabel = new QLabel(sText, lpParent);
    lpLabel->setObjectName(sName);
    return lpLabel;
}

}  // namespace

CAbout::CAbout(std::function<void(const QUrl &)> OpenUrl, const QIcon &Icon, QWidget *lpParent)
    : QDialog(lpParent), OpenUrl(std::move(OpenUrl))
{
    setObjectName(QStringLiteral("CAbout"));
    setWindowTitle(QStringLiteral("About Larkspur"));
    setWindowFlags(FIXED_DIALOG_FLAGS);
    if (!Icon.isNull())
        setWindowIcon(Icon);

    grpAbout = new QGroupBox(this);
    grpAbout->setObjectName(QStringLiteral("grpAbout"));
    picIcon = AddLabel(grpAbout, QStringLiteral("picIcon"), QString());
    const QIcon ProgramIcon = Icon.isNull() ? QApplication::windowIcon() : Icon;
    picIcon->setPixmap(ProgramIcon.pixmap(32, 32));

    // The author's line reaches to the group's right margin: the name is
    // longer than the other facts.
    struct SFact
    {
        QLabel *&lpLabel;
        const char *szName;
        QString sText;
        QRect Geometry;
    };
    const SFact Facts[] = {
        {lblVersion, "lblVersion", QStringLiteral("Version: ") + QLatin1String(LARKSPUR_VERSION),
         QRect(81, 40, 111, 16)},
        {lblAuthor, "lblAuthor", QStringLiteral("Author: ") + QLatin1String(AUTHOR), QRect(81, 56, 183, 16)},
        {lblDate, "lblDate", QStringLiteral("Date: ") + QLatin1String(RELEASE_DATE), QRect(81, 72, 110, 16)},
        {lblLanguage, "lblLanguage", QStringLiteral("Written In: C++"), QRect(81, 88, 110, 16)},
        {lblLines, "lblLines", QStringLiteral("Lines: ") + Utils::GroupedNumber(LARKSPUR_SOURCE_LINES),
         QRect(81, 104, 110, 16)},
    };
    const QString sLinkText = QLatin1String(LINK_TEXT);
    const QRect LinkRect(192, 128, 72, 16), OKRect(104, 168, 80, 23);

    CDialogLayout Layout(font());
    for (const SFact &Fact : Facts)
        Layout.FitText(Fact.sText, Fact.Geometry.size());
    Layout.FitText(sLinkText, LinkRect.size());
    Layout.FitButton(QStringLiteral("OK"), OKRect.size());
    setFixedSize(Layout(QSize(288, 198)));
    grpAbout->setGeometry(Layout(QRect(8, 8, 272, 152)));
    picIcon->setGeometry(QRect(Layout(QPoint(8, 16)), QSize(32, 32)));
    for (const SFact &Fact : Facts)
    {
        Fact.lpLabel = AddLabel(grpAbout, QLatin1String(Fact.szName), Fact.sText);
        Fact.lpLabel->setGeometry(Layout(Fact.Geometry));
    }

    AddLink(Layout(LinkRect));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(Layout(OKRect));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &CAbout::btnOK_Click);
    btnOK->setFocus(Qt::OtherFocusReason);
}

void CAbout::AddLink(const QRect &Geometry)
{
    const QUrl Documentation = DocumentationUrl(QCoreApplication::applicationDirPath());
    lnkWebSite = AddLabel(grpAbout, QStringLiteral("lnkWebSite"), QString());
    sLinkAddress = Documentation.toString(QUrl::FullyEncoded);
    ShowLink();
    lnkWebSite->setGeometry(Geometry);
    lnkWebSite->setTextFormat(Qt::RichText);
    lnkWebSite->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lnkWebSite->setOpenExternalLinks(false);
    lnkWebSite->setToolTip(Documentation.toDisplayString(QUrl::PreferLocalFile));
    connect(lnkWebSite, &QLabel::linkActivated, this, &CAbout::lnkWebSite_LinkClicked);
}

QUrl CAbout::DocumentationUrl(const QString &sProgramFolder)
{
    return DocumentationUrl(sProgramFolder, QStringLiteral(LARKSPUR_BUILD_DIR), QStringLiteral(LARKSPUR_SOURCE_DIR));
}

QUrl CAbout::DocumentationUrl(const QString &sProgramFolder, const QString &sBuildFolder,
                              const QString &sSourceFolder)
{
    const QString sProgram = QDir::cleanPath(sProgramFolder);
    const QString sBuild = QDir::cleanPath(sBuildFolder);
    if (!sBuild.isEmpty() && (sProgram == sBuild || sProgram.startsWith(sBuild + QLatin1Char('/'))))
    {
        const QString sReadme = QDir(sSourceFolder).filePath(QStringLiteral("README.md"));
        if (QFileInfo(sReadme).isFile())
            return QUrl::fromLocalFile(sReadme);
    }

    // A portable copy may carry its README beside it; an installed one finds
    // it among the desktop's data folders (~/.local/share, /usr/local/share,
    // /usr/share, or what XDG_DATA_HOME and XDG_DATA_DIRS name).
    const QString sBeside = QDir(sProgramFolder).filePath(QStringLiteral("README.md"));
    if (QFileInfo(sBeside).isFile())
        return QUrl::fromLocalFile(sBeside);
    const QString sInstalled = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QLatin1String(README_PATH));
    if (!sInstalled.isEmpty())
        return QUrl::fromLocalFile(sInstalled);
    // None: where the package puts it, in the last (the system's) data
    // folder; the list always holds at least the user's own.
    const QString sSystemData = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).constLast();
    return QUrl::fromLocalFile(QDir(sSystemData).filePath(QLatin1String(README_PATH)));
}

void CAbout::ShowLink()
{
    // Black in both states, as the box's other texts, on a light palette; on
    // a dark one as light as it takes to be read.
    // The box's own palette: a new one reaches the box before its labels.
    const QColor Color = Larkspur::ReadableColor({0, 0, 0}, palette().color(lnkWebSite->backgroundRole()));
    lnkWebSite->setText(QStringLiteral("<a href=\"%1\" style=\"color: %2;\">%3</a>")
                            .arg(sLinkAddress.toHtmlEscaped(), Color.name(), QLatin1String(LINK_TEXT)));
}

void CAbout::changeEvent(QEvent *lpEvent)
{
    QDialog::changeEvent(lpEvent);
    if (lpEvent->type() == QEvent::PaletteChange && lnkWebSite)
        ShowLink();
}

void CAbout::closeEvent(QCloseEvent *lpEvent)
{
    lpEvent->ignore();
    hide();
}

void CAbout::reject()
{
    // Escape dismisses the box as OK does, without closing it.
    hide();
}

void CAbout::btnOK_Click()
{
    // Hiding ends the modal showing; done() would close the box instead.
    setResult(QDialog::Accepted);
    hide();
}

void CAbout::lnkWebSite_LinkClicked(const QString &sLink)
{
    if (OpenUrl)
        OpenUrl(QUrl(sLink));
}

}  // namespace Larkspur
