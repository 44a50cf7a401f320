// SPDX-License-Identifier: MIT
#pragma once
// Where the program keeps its own files. The settings file and the log live in
// the user's folders ($XDG_CONFIG_HOME/larkspur/larkspur.cfg and
// $XDG_STATE_HOME/larkspur/larkspur.log), so an installed copy works for every
// user and never writes into its own folder. A portable copy, one with a
// larkspur.cfg already standing beside the executable, keeps both there
// instead. Every window gets a private temporary folder of its own, whichever
// copy it is.

#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace Larkspur
{

struct SProgramFiles
{
    QString sConfigFile;     // larkspur.cfg
    QString sLogFile;        // larkspur.log
    QStringList TempParents; // where a private temporary folder may go, best first
};

class CProgramFiles
{
public:
    static constexpr const char *CONFIG_FILE_NAME = "larkspur.cfg";
    static constexpr const char *LOG_FILE_NAME = "larkspur.log";
    // The temporary folders' names begin with this; mkdtemp fills in the rest.
    static constexpr const char *TEMP_NAME_TEMPLATE = "larkspur-XXXXXX";

    // The files of a program whose executable stands in sProgramFolder, for
    // the user that Environment describes (HOME, XDG_CONFIG_HOME,
    // XDG_STATE_HOME, XDG_RUNTIME_DIR, TMPDIR). A relative XDG folder counts
    // as unset, as the XDG rules ask.
    static SProgramFiles Locate(const QString &sProgramFolder, const QProcessEnvironment &Environment);

    // Makes a new folder, mode 0700, with a unique name that begins with
    // "larkspur-", in the first of Parents that takes one. Its path ending in
    // "/", or "" when none takes it.
    static QString MakePrivateTempDirectory(const QStringList &Parents);

    // The folder that MakePrivateTempDirectory tries first, named by its
    // template: what a failure reports.
    static QString TempDirectoryTemplate(const QStringList &Parents);

    // True while sDirectory is still a private folder of this user: a folder
    // (not a link to one), owned by this user, closed to everyone else. A
    // folder that a cleaner removed, and someone else's folder made under the
    // same name since, are not.
    static bool IsPrivateDirectory(const QString &sDirectory);

    // Writes Contents to sPath whole, making the folders above it (mode 0700)
    // when they are missing. False with the reason in sError when it cannot.
    static bool WriteFile(const QString &sPath, const QByteArray &Contents, QString &sError);
    // Writes Contents to sPath whole, creating or emptying it, only when it
    // is a regular file (or a link to one) or nothing: a FIFO would hang
    // the write and a device would take it anywhere. False with the reason
    // in sError otherwise.
    static bool WriteRegularFile(const QString &sPath, const QByteArray &Contents, QString &sError);
    // Opens sPath for reading into File when it is a regular file (or a link
    // to one): never a FIFO, which would hang the read, nor a device such as
    // /dev/zero, which never ends. False otherwise.
    static bool OpenRegularFile(const QString &sPath, QFile &File);

    // Makes the folder that will hold sPath, with its missing parents, mode
    // 0700. False with the reason in sError when it cannot.
    static bool MakeParentFolder(const QString &sPath, QString &sError);

    // The line that standard error gets for a file that could not be written
    // at closing, when the window that could have shown it is gone.
    static QString NotWrittenLine(const QString &sWhat, const QString &sPath, const QString &sReason);
};

}  // namespace Larkspur
