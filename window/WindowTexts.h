// SPDX-License-Identifier: MIT
#pragma once
// The main window's title and status bar texts, for the open archive or for
// no archive.

#include <QString>
#include <QStringList>

namespace Larkspur
{

class IArchive;

// "Larkspur - z.gcf": the file name is what follows the path's last
// separator, or the whole path when it holds none.
QString WindowTitle(const QString &sFileName);
inline const char *const EMPTY_TITLE = "Larkspur";

// The Open dialog's filters, the first chosen at first: GCF files, then VPK
// files (a set is opened by its directory file, pak01_dir.vpk), then both.
QStringList OpenFileFilters();

// The four status bar texts of the open archive, or of no archive.
struct SStatusTexts
{
    QString sFile, sFileSize, sGCFVersion, sUsedBlocks;
};
SStatusTexts StatusTexts(const IArchive &Archive, const QString &sFileName);
SStatusTexts EmptyStatusTexts();

}  // namespace Larkspur
