// SPDX-License-Identifier: MIT
#include "window/WindowTexts.h"

#include "archive/IArchive.h"
#include "window/Utils.h"

namespace Larkspur
{

QString WindowTitle(const QString &sFileName)
{
    const qsizetype iLastSeparator = sFileName.lastIndexOf(QLatin1Char('/'));
    return QString::fromLatin1(EMPTY_TITLE) + QStringLiteral(" - ") + sFileName.mid(iLastSeparator + 1);
}

QStringList OpenFileFilters()
{
    return {QStringLiteral("GCF Files (*.gcf)"), QStringLiteral("VPK Files (*.vpk)"),
            QStringLiteral("All Archives (*.gcf *.vpk)")};
}

SStatusTexts StatusTexts(const IArchive &Archive, const QString &sFileName)
{
    if (!Archive.Opened())
        return EmptyStatusTexts();
    // A GCF shows "v6" and its used and total blocks; a VPK set "VPK v2"
    // and its number of files, in the same two panels.
    const SArchiveSummary Summary = Archive.GetArchiveSummary();
    return SStatusTexts{
        sFileName,
        Utils::LargeFileSizeToString(Summary.uiSize),
        QString::fromStdString(Summary.sVersion),
        QString::fromStdString(Summary.sCounts),
    };
}

SStatusTexts EmptyStatusTexts()
{
    return SStatusTexts{QString(), QStringLiteral("0 B"), QStringLiteral("v0"), QStringLiteral("0/0")};
}

}  // namespace Larkspur
