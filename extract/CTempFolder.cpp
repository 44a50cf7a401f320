// SPDX-License-Identifier: MIT
#include "extract/CTempFolder.h"

#include "settings/CProgramFiles.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace Larkspur
{

namespace
{

void WriteLine(IConsole &Console, const QString &sLine, ELineColor eColor)
{
    Console.WriteLine(QFile::encodeName(sLine).toStdString(), eColor);
}

}  // namespace

bool CTempFolder::Make()
{
    if (!sPath.isEmpty() && CProgramFiles::IsPrivateDirectory(sPath))
        return true;
    STempDirectory Made = CProgramFiles::MakePrivateTempDirectory(Parents);
    if (Made.sPath.isEmpty())
    {
        WriteLine(Console,
                  QStringLiteral("Faild to create directory ") + CProgramFiles::TempDirectoryTemplate(Parents) +
                      QLatin1Char('.'),
                  ELineColor::Red);
        return false;
    }
    sPath = Made.sPath;
    Lock = std::move(Made.Lock);
    WriteLine(Console, QStringLiteral("Created ") + sPath + QLatin1Char('.'), ELineColor::Gray);
    return true;
}

void CTempFolder::Remove()
{
    // The lock goes first: a window starting meanwhile leaves a folder
    // without one alone, and its removal is no line of the log.
    Lock.reset();
    if (!sPath.isEmpty() && CProgramFiles::IsPrivateDirectory(sPath))
        DeleteDirectory(QFile::encodeName(sPath).toStdString(), Console);
}

void CTempFolder::RemoveAbandoned()
{
    for (STempDirectory &Abandoned : CProgramFiles::TakeAbandonedTempDirectories(Parents))
    {
        Abandoned.Lock.reset();
        DeleteDirectory(QFile::encodeName(Abandoned.sPath).toStdString(), Console);
    }
}

void CTempFolder::RemoveItem(const QByteArray &sItem)
{
    struct stat Stat;
    if (::lstat(sItem.constData(), &Stat) != 0)
        return;
    if (S_ISDIR(Stat.st_mode))
        DeleteDirectory(sItem.toStdString(), Console);
    else if (::unlink(sItem.constData()) == 0)
        Console.WriteLine("Deleted " + sItem.toStdString() + ".", ELineColor::Gray);
}

}  // namespace Larkspur
