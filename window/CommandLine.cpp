// SPDX-License-Identifier: MIT
#include "window/CommandLine.h"

#include "Version.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <system_error>

namespace Larkspur
{

static bool HoldsWhiteSpace(const QString &sArgument)
{
    for (QChar Character : sArgument)
    {
        if (Character.isSpace())
            return true;
    }
    return false;
}

QString RebuildCommandLine(const QStringList &Arguments)
{
    QStringList Quoted;
    Quoted.reserve(Arguments.size());
    for (const QString &sArgument : Arguments)
    {
        // An empty argument still takes a place on the line, as "".
        if (sArgument.isEmpty() || HoldsWhiteSpace(sArgument))
            Quoted.append(QLatin1Char('"') + sArgument + QLatin1Char('"'));
        else
            Quoted.append(sArgument);
    }
    return Quoted.join(QLatin1Char(' '));
}

QString PathFromArguments(const QStringList &Arguments)
{
    const QStringList Operands =
        !Arguments.isEmpty() && Arguments.first() == QLatin1String("--") ? Arguments.mid(1) : Arguments;
    if (Operands.size() == 1)
        return Operands.first();
    return PathFromCommandLine(RebuildCommandLine(Operands));
}

QString PathFromCommandLine(const QString &sCommandLine)
{
    const QString sLine = sCommandLine.trimmed();
    if (sLine.isEmpty())
        return QString();

    if (sLine.startsWith(QLatin1Char('"')))
    {
        const qsizetype iClosingQuote = sLine.indexOf(QLatin1Char('"'), 1);
        if (iClosingQuote < 0)
            return sLine.mid(1);
        return sLine.mid(1, iClosingQuote - 1);
    }

    const qsizetype iFirstBlank = sLine.indexOf(QLatin1Char(' '));
    if (iFirstBlank < 0)
        return sLine;
    return sLine.left(iFirstBlank);
}

QString AbsoluteArchivePath(const QString &sPath, const QString &sCurrentFolder)
{
    if (sPath.isEmpty() || QDir::isAbsolutePath(sPath))
        return sPath;
    const QString sJoined = sCurrentFolder + QLatin1Char('/') + sPath;
    const QString sCleaned = QDir::cleanPath(sJoined);
    std::error_code Error;
    if (std::filesystem::equivalent(QFile::encodeName(sJoined).toStdString(), QFile::encodeName(sCleaned).toStdString(),
                                    Error))
        return sCleaned;
    return sJoined;
}

std::optional<QString> InformationText(const QStringList &Arguments)
{
    if (Arguments.isEmpty())
        return std::nullopt;
    const QString &sFirst = Arguments.first();
    if (sFirst == QLatin1String("--version"))
        return QStringLiteral("larkspur " LARKSPUR_VERSION "\n");
    if (sFirst != QLatin1String("--help") && sFirst != QLatin1String("-h"))
        return std::nullopt;
    return QStringLiteral(
        "Usage: larkspur [--] [ARCHIVE]\n"
        "Browses and extracts GCF game-cache archives and VPK sets in a window.\n"
        "\n"
        "  ARCHIVE      the GCF file, or the VPK set's _dir.vpk file (or single .vpk file), to open,\n"
        "               as one argument (quote a path holding blanks)\n"
        "  --           ends the options: an ARCHIVE after it may begin with \"-\"\n"
        "  -h, --help   show this help and exit\n"
        "  --version    show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/larkspur/larkspur.cfg (default ~/.config/larkspur/)\n"
        "Log:      $XDG_STATE_HOME/larkspur/larkspur.log (default ~/.local/state/larkspur/)\n"
        "Temp:     $XDG_CACHE_HOME/larkspur/larkspur-XXXXXX/ (default ~/.cache/larkspur/)\n"
        "A larkspur.cfg beside the executable keeps settings and log there instead (a portable copy).\n"
        "SIGTERM, SIGHUP, SIGINT and the session's end close the window as File > Exit does.\n"
        "The same engine on the command line: larkspur-cli --help\n");
}

}  // namespace Larkspur
