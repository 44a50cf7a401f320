// SPDX-License-Identifier: MIT
#include "settings/CProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// An XDG folder variable's value, or "" when it is unset, empty or relative.
QString AbsoluteFolder(const QProcessEnvironment &Environment, const char *szName)
{
    const QString sValue = Environment.value(QLatin1String(szName));
    return QDir::isAbsolutePath(sValue) ? QDir::cleanPath(sValue) : QString();
}

QString HomeFolder(const QProcessEnvironment &Environment)
{
    const QString sHome = AbsoluteFolder(Environment, "HOME");
    if (!sHome.isEmpty())
        return sHome;
    // Without HOME (a service, a stripped environment) the account knows it.
    if (const passwd *lpAccount = ::getpwuid(::getuid()); lpAccount && lpAccount->pw_dir)
        return QFile::decodeName(lpAccount->pw_dir);
    return QStringLiteral("/");
}

QString UserFolder(const QProcessEnvironment &Environment, const char *szVariable, const char *szDefault)
{
    const QString sFolder = AbsoluteFolder(Environment, szVariable);
    if (!sFolder.isEmpty())
        return sFolder;
    return HomeFolder(Environment) + QLatin1Char('/') + QLatin1String(szDefault);
}

QString ErrnoText(int iError)
{
    return QString::fromLocal8Bit(std::strerror(iError));
}

}  // namespace

SProgramFiles CProgramFiles::Locate(const QString &sProgramFolder, const QProcessEnvironment &Environment)
{
    SProgramFiles Files;
    const QString sBeside = sProgramFolder + QLatin1Char('/');
    if (QFileInfo(sBeside + QLatin1String(CONFIG_FILE_NAME)).isFile())
    {
        Files.sConfigFile = sBeside + QLatin1String(CONFIG_FILE_NAME);
        Files.sLogFile = sBeside + QLatin1String(LOG_FILE_NAME);
    }
    else
    {
        // Qt 6.4 has no state location of its own, so both follow one rule here.
        Files.sConfigFile = UserFolder(Environment, "XDG_CONFIG_HOME", ".config") + QStringLiteral("/larkspur/") +
                            QLatin1String(CONFIG_FILE_NAME);
        Files.sLogFile = UserFolder(Environment, "XDG_STATE_HOME", ".local/state") + QStringLiteral("/larkspur/") +
                         QLatin1String(LOG_FILE_NAME);
    }

    // A runtime folder that is not this user's (a su or sudo that kept the
    // variable) refuses the folder, and the next place is tried.
    for (const char *szVariable : {"XDG_RUNTIME_DIR", "TMPDIR"})
    {
        const QString sFolder = AbsoluteFolder(Environment, szVariable);
        if (!sFolder.isEmpty() && !Files.TempParents.contains(sFolder))
            Files.TempParents.append(sFolder);
    }
    if (!Files.TempParents.contains(QStringLiteral("/tmp")))
        Files.TempParents.append(QStringLiteral("/tmp"));
    return Files;
}

QString CProgramFiles::MakePrivateTempDirectory(const QStringList &Parents)
{
    for (const QString &sParent : Parents)
    {
        QByteArray Template = QFile::encodeName(sParent + QLatin1Char('/') + QLatin1String(TEMP_NAME_TEMPLATE));
        // mkdtemp makes the folder with mode 0700 under a name no one had.
        if (::mkdtemp(Template.data()))
            return QFile::decodeName(Template) + QLatin1Char('/');
    }
    return QString();
}

QString CProgramFiles::TempDirectoryTemplate(const QStringList &Parents)
{
    const QString sParent = Parents.isEmpty() ? QStringLiteral("/tmp") : Parents.first();
    return sParent + QLatin1Char('/') + QLatin1String(TEMP_NAME_TEMPLATE) + QLatin1Char('/');
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

bool CProgramFiles::MakeParentFolder(const QString &sPath, QString &sError)
{
    const QString sFolder = QFileInfo(sPath).absolutePath();
    // The folders are made one by one from the top, so that each new one is
    // closed to other users as the XDG rules ask.
    std::vector<QString> Missing;
    for (QString sStep = sFolder; !QFileInfo(sStep).isDir(); sStep = QFileInfo(sStep).path())
    {
        if (sStep == QLatin1String("/") || sStep.isEmpty())
            break;
        Missing.push_back(sStep);
    }
    for (auto It = Missing.rbegin(); It != Missing.rend(); ++It)
    {
        if (::mkdir(QFile::encodeName(*It).constData(), 0700) != 0 && errno != EEXIST)
        {
            sError = ErrnoText(errno);
            return false;
        }
    }
    if (!QFileInfo(sFolder).isDir())
    {
        sError = ErrnoText(ENOTDIR);
        return false;
    }
    return true;
}

bool CProgramFiles::WriteFile(const QString &sPath, const QByteArray &Contents, QString &sError)
{
    return MakeParentFolder(sPath, sError) && WriteRegularFile(sPath, Contents, sError);
}

bool CProgramFiles::WriteRegularFile(const QString &sPath, const QByteArray &Contents, QString &sError)
{
    // No O_TRUNC: the file is emptied only once it is known to be a regular
    // file. O_NONBLOCK keeps a FIFO without a reader from hanging the open.
    const int iFile =
        ::open(QFile::encodeName(sPath).constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (iFile < 0)
    {
        sError = ErrnoText(errno);
        return false;
    }
    struct stat Stat;
    if (::fstat(iFile, &Stat) != 0 || !S_ISREG(Stat.st_mode))
    {
        ::close(iFile);
        sError = QStringLiteral("not a regular file");
        return false;
    }
    if (::ftruncate(iFile, 0) != 0)
    {
        sError = ErrnoText(errno);
        ::close(iFile);
        return false;
    }
    const char *lpNext = Contents.constData();
    qsizetype iLeft = Contents.size();
    while (iLeft > 0)
    {
        const ssize_t iWritten = ::write(iFile, lpNext, size_t(iLeft));
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten <= 0)
        {
            sError = ErrnoText(iWritten < 0 ? errno : EIO);
            ::close(iFile);
            return false;
        }
        lpNext += iWritten;
        iLeft -= iWritten;
    }
    // A failed close can be the first report of a failed write.
    if (::close(iFile) != 0)
    {
        sError = ErrnoText(errno);
        return false;
    }
    return true;
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
