#include "window/CommandLine.h"

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

}  // namespace Larkspur
