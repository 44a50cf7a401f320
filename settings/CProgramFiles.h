// SPDX-License-Identifier: MIT
#pragma once
// Where the program keeps its own files. The settings file and the log live in
// the user's folders ($XDG_CONFIG_HOME/larkspur/larkspur.cfg and
// $XDG_STATE_HOME/larkspur/larkspur.log), so an installed copy works for every
// user and never writes into its own folder. A portable copy, one with a
// larkspur.cfg already standing beside the executable, keeps both there
// instead. Every window gets a private temporary folder of its own, whichever
// copy it is, under $XDG_CACHE_HOME/larkspur/: on disk, where the runtime
// folder is a small RAM disk.

#include "settings/SaveResult.h"

#include <QFile>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace Larkspur
{

struct SProgramFiles
{
    QString sConfigFile;     // larkspur.cfg
    QString sLogFile;        // larkspur.log
    QStringList TempParents; // where a private temporary folder may go, best first
};

// A window's private temporary folder with the lock inside it that names the
// process it belongs to, so that a later start can tell the folder of a
// window that still runs from one that a killed window left behind.
struct STempDirectory
{
    QString sPath;  // ending in "/"; "" when none could be made
    std::unique_ptr<QLockFile> Lock;
};

class CProgramFiles
{
public:
    static constexpr const char *CONFIG_FILE_NAME = "larkspur.cfg";
    static constexpr const char *LOG_FILE_NAME = "larkspur.log";
    // The temporary folders' names begin with this; mkdtemp fills in the rest.
    static constexpr const char *TEMP_NAME_TEMPLATE = "larkspur-XXXXXX";
    static constexpr const char *TEMP_LOCK_NAME = ".larkspur.lock";

    // The files of a program whose executable stands in sProgramFolder, for
    // the user of this process. QStandardPaths names the folders; first a
    // relative XDG folder or HOME is dropped from the environment (the XDG
    // rules count it as unset, where Qt 6.4 would take it as it stands) and
    // a missing HOME is taken from the account, so that Qt, this program and
    // the programs it starts all see the same folders.
    static SProgramFiles Locate(const QString &sProgramFolder);

    // Makes a new folder, mode 0700, with a unique name that begins with
    // "larkspur-", in the first of Parents that takes one (a missing parent
    // is made, mode 0700), and locks it as this process's. Its path is ""
    // when none takes it.
    static STempDirectory MakePrivateTempDirectory(const QStringList &Parents);

    // The folder that MakePrivateTempDirectory tries first, named by its
    // template: what a failure reports.
    static QString TempDirectoryTemplate(const QStringList &Parents);

    // The private temporary folders in Parents whose lock names a process
    // that has ended (a window killed outright, or one whose display went
    // away), each with its lock taken over. A folder without a lock is left
    // alone: its window may be making it right now.
    static std::vector<STempDirectory> TakeAbandonedTempDirectories(const QStringList &Parents);

    // True while sDirectory is still a private folder of this user: a folder
    // (not a link to one), owned by this user, closed to everyone else. A
    // folder that a cleaner removed, and someone else's folder made under the
    // same name since, are not.
    static bool IsPrivateDirectory(const QString &sDirectory);

    // Replaces sPath with Contents whole, making the folders above it (mode
    // 0700) when they are missing.
    static SSaveResult WriteFile(const QString &sPath, const QByteArray &Contents);
    // Replaces sPath with Contents through a new file in the same folder,
    // flushed to disk and renamed over the old one: a crash or a full disk
    // leaves the old file whole, never half of the new one. Only a regular
    // file (or a link to one) is replaced, or nothing: a device or a FIFO is
    // refused (NotRegularFile).
    static SSaveResult SaveRegularFile(const QString &sPath, const QByteArray &Contents);
    // Opens sPath for reading into File when it is a regular file (or a link
    // to one): never a FIFO, which would hang the read, nor a device such as
    // /dev/zero, which never ends. False otherwise.
    static bool OpenRegularFile(const QString &sPath, QFile &File);

    // Makes the folder that will hold sPath, with its missing parents, mode
    // 0700.
    static SSaveResult MakeParentFolder(const QString &sPath);

    // The line that standard error gets for a file that could not be written
    // at closing, when the window that could have shown it is gone.
    static QString NotWrittenLine(const QString &sWhat, const QString &sPath, const QString &sReason);
};

}  // namespace Larkspur
