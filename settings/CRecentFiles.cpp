// SPDX-License-Identifier: MIT
#include "settings/CRecentFiles.h"

#include "settings/CConfigFile.h"

namespace Larkspur
{

bool CRecentFiles::Add(const QString &sFile)
{
    // Such a path could not be kept in the settings file.
    if (!CConfigFile::IsRecentFileAllowed(sFile))
        return false;
    Opened.append(sFile);
    const QString sLowerFile = sFile.toLower();
    qsizetype iFound = -1;
    for (qsizetype i = 0; i < RecentFiles.size(); ++i)
    {
        if (RecentFiles[i].toLower() == sLowerFile)
        {
            iFound = i;
            break;
        }
    }

    if (iFound == 0)
        return false;
    if (iFound > 0)
    {
        // The path just used replaces the old entry in its own letter case.
        RecentFiles.removeAt(iFound);
        RecentFiles.insert(0, sFile);
        return true;
    }
    RecentFiles.insert(0, sFile);
    while (RecentFiles.size() > MAX_RECENT_FILES)
        RecentFiles.removeLast();
    return true;
}

QStringList CRecentFiles::MergedWith(const QStringList &StoredOldestFirst) const
{
    CRecentFiles Merged;
    for (const QString &sFile : StoredOldestFirst)
        Merged.Add(sFile);
    for (const QString &sFile : Opened)
        Merged.Add(sFile);
    return Merged.RecentFiles;
}

}  // namespace Larkspur
