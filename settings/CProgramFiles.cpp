// SPDX-License-Identifier: MIT
#include "settings/CProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Larkspur
{

namespace
{

QString ErrnoText(int iError)
{
    return QString::fromLocal8Bit(std::strerror(iError));
}

// The XDG rules count a relative folder as unset. Qt 6.4's QStandardPaths
// takes one as it stands, and builds on "/" when HOME is missing.
void FollowXdgRules()
{
    for (const char *szVariable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
    {
        if (qEnvironmentVariableIsSet(szVariable) && !QDir::isAbsolutePath(qEnvironmentVariable(szVariable)))
            qunsetenv(szVariable);
    }
    if (QDir::isAbsolutePath(qEnvironmentVariable("HOME")))
        return;
    // Without HOME (a service, a stripped environment) the account knows it.
    if (const passwd *lpAccount = ::getpwuid(::getuid()); lpAccount && lpAccount->pw_dir && *lpAccount->pw_dir == '/')
        qputenv("HOME", lpAccount->pw_dir);
}

QString UserFolder(QStandardPaths::StandardLocation eLocation)
{
    return QDir::cleanPath(QStandardPaths::writableLocation(eLocation));
}

// Qt 6.4 has no state location of its own.
QString StateFolder()
{
    const QString sState = qEnvironmentVariable("XDG_STATE_HOME");
    return sState.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : QDir::cleanPath(sState);
}

// Makes sFolder with its missing parents, one by one from the top, so that
// each new one is closed to other users as the XDG rules ask.
SSaveResult MakeFolder(const QString &sFolder)
{
    std::vector<QString> Missing;
    for (QString sStep = sFolder; !QFileInfo(sStep).isDir(); sStep = QFileInfo(sStep).path())
    {
        if (sStep == QLatin1String("/") || sStep.isEmpty() || sStep == QLatin1String("."))
            break;
        Missing.push_back(sStep);
    }
    for (auto It = Missing.rbegin(); It != Missing.rend(); ++It)
    {
        if (::mkdir(QFile::encodeName(*It).constData(), 0700) != 0 && errno != EEXIST)
            return {ESaveFailure::FolderNotMade, ErrnoText(errno)};
    }
    if (!QFileInfo(sFolder).isDir())
        return {ESaveFailure::FolderNotMade, ErrnoText(ENOTDIR)};
    return {};
}

std::unique_ptr<QLockFile> TempLock(const QString &sDirectory)
{
    auto Lock = std::make_unique<QLockFile>(sDirectory + QLatin1String(CProgramFiles::TEMP_LOCK_NAME));
    // Only an ended owner makes the lock stale, never its age: a window may
    // run for weeks.
    Lock->setStaleLockTime(0);
    return Lock;
}

}  // namespace

SProgramFiles CProgramFiles::Locate(const QString &sProgramFolder)
{
    FollowXdgRules();
    SProgramFiles Files;
    const QString sBeside = sProgramFolder + QLatin1Char('/');
    if (QFileInfo(sBeside + QLatin1String(CONFIG_FILE_NAME)).isFile())
    {
        Files.sConfigFile = sBeside + QLatin1String(CONFIG_FILE_NAME);
        Files.sLogFile = sBeside + QLatin1String(LOG_FILE_NAME);
    }
    else
    {
        Files.sConfigFile = UserFolder(QStandardPaths::GenericConfigLocation) + QStringLiteral("/larkspur/") +
                            QLatin1String(CONFIG_FILE_NAME);
        Files.sLogFile = StateFolder() + QStringLiteral("/larkspur/") + QLatin1String(LOG_FILE_NAME);
    }

    // The cache folder is on disk; where it cannot be made (a read-only
    // home), the system's temporary folder serves.
    Files.TempParents.append(UserFolder(QStandardPaths::GenericCacheLocation) + QStringLiteral("/larkspur"));
    for (const QString &sFolder : {QDir::tempPath(), QStringLiteral("/tmp")})
    {
        if (QDir::isAbsolutePath(sFolder) && !Files.TempParents.contains(sFolder))
            Files.TempParents.append(sFolder);
    }
    return Files;
}

STempDirectory CProgramFiles::MakePrivateTempDirectory(const QStringList &Parents)
{
    for (const QString &sParent : Parents)
    {
        if (!MakeFolder(sParent))
            continue;
        QByteArray Template = QFile::encodeName(sParent + QLatin1Char('/') + QLatin1String(TEMP_NAME_TEMPLATE));
        // mkdtemp makes the folder with mode 0700 under a name no one had.
        if (!::mkdtemp(Template.data()))
            continue;
        STempDirectory Made{QFile::decodeName(Template) + QLatin1Char('/'), nullptr};
        Made.Lock = TempLock(Made.sPath);
        // Without its lock the folder still serves; only a later start
        // cannot tell whether its window still runs, and leaves it.
        if (!Made.Lock->tryLock(0))
            Made.Lock.reset();
        return Made;
    }
    return {};
}

QString CProgramFiles::TempDirectoryTemplate(const QStringList &Parents)
{
    const QString sParent = Parents.isEmpty() ? QStringLiteral("/tmp") : Parents.first();
    return sParent + QLatin1Char('/') + QLatin1String(TEMP_NAME_TEMPLATE) + QLatin1Char('/');
}

std::vector<STempDirectory> CProgramFiles::TakeAbandonedTempDirectories(const QStringList &Parents)
{
    std::vector<STempDirectory> Abandoned;
    for (const QString &sParent : Parents)
    {
        const QDir Parent(sParent);
        for (const QString &sName : Parent.entryList({QStringLiteral("larkspur-??????")}, QDir::Dirs))
        {
            const QString sPath = Parent.filePath(sName) + QLatin1Char('/');
            if (!IsPrivateDirectory(sPath) || !QFileInfo::exists(sPath + QLatin1String(TEMP_LOCK_NAME)))
                continue;
            // Taken only when its owner has ended: a running window's lock,
            // this process's own included, holds.
            std::unique_ptr<QLockFile> Lock = TempLock(sPath);
            if (Lock->tryLock(0))
                Abandoned.push_back({sPath, std::move(Lock)});
        }
    }
    return Abandoned;
}

bool CProgramFiles::IsPrivateDirectory(const QString &sDirectory)
{
    struct stat Stat;
    QString sPath = sDirectory;
    while (sPath.size() > 1 && sPath.endsWith(QLatin1Char('/')))
        sPath.chop(1);
    if (::lstat(QFile::encodeName(sPath).constData(), &Stat) != 0)
        return false;
    return S_ISDIR(Stat.st_mode) && Stat.st_uid == ::geteuid() && (Stat.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

SSaveResult CProgramFiles::MakeParentFolder(const QString &sPath)
{
    return MakeFolder(QFileInfo(sPath).absolutePath());
}

SSaveResult CProgramFiles::WriteFile(const QString &sPath, const QByteArray &Contents)
{
    SSaveResult Result = MakeParentFolder(sPath);
    return Result ? SaveRegularFile(sPath, Contents) : Result;
}

SSaveResult CProgramFiles::SaveRegularFile(const QString &sPath, const QByteArray &Contents)
{
    // Renaming over a device or a FIFO would replace it (as root, even
    // /dev/null): only a regular file, or nothing yet, is replaced.
    struct stat Stat;
    if (::stat(QFile::encodeName(sPath).constData(), &Stat) == 0 && !S_ISREG(Stat.st_mode))
        return {ESaveFailure::NotRegularFile, QStringLiteral("not a regular file")};
    // QSaveFile follows a link to the file it names, writes beside it, and
    // flushes the new file to disk before it renames it over the old one.
    QSaveFile File(sPath);
    if (!File.open(QIODevice::WriteOnly) || File.write(Contents) != Contents.size() || !File.commit())
        return {ESaveFailure::NotWritten, File.errorString()};
    return {};
}

bool CProgramFiles::OpenRegularFile(const QString &sPath, QFile &File)
{
    const int iFile = ::open(QFile::encodeName(sPath).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (iFile < 0)
        return false;
    struct stat Stat;
    if (::fstat(iFile, &Stat) != 0 || !S_ISREG(Stat.st_mode) ||
        !File.open(iFile, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    {
        ::close(iFile);
        return false;
    }
    return true;
}

QString CProgramFiles::NotWrittenLine(const QString &sWhat, const QString &sPath, const QString &sReason)
{
    return QStringLiteral("larkspur: Could not write the %1 %2 (%3).").arg(sWhat, sPath, sReason);
}

}  // namespace Larkspur
