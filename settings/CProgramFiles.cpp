#include "settings/CProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (!MakeParentFolder(sPath, sError))
        return false;
    QFile File(sPath);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate) || File.write(Contents) != Contents.size())
    {
        sError = File.errorString();
        return false;
    }
    // The last bytes may still sit in the buffer: only a clean close means
    // the whole file was written.
    File.close();
    if (File.error() != QFileDevice::NoError)
    {
        sError = File.errorString();
        return false;
    }
    return true;
}

QString CProgramFiles::NotWrittenLine(const QString &sWhat, const QString &sPath, const QString &sReason)
{
    return QStringLiteral("larkspur: Could not write the %1 %2 (%3).").arg(sWhat, sPath, sReason);
}

}  // namespace Larkspur
