// SPDX-License-Identifier: MIT
#pragma once
// The main window's title and status bar texts, for the open archive or for
// no archive.

#include <QString>

namespace Larkspur
{

class CGCF;

// "Larkspur - z.gcf": the file name is what follows the path's last
// separator, or the whole path when it holds none.
QString WindowTitle(const QString &sFileName);
inline const char *const EMPTY_TITLE = "Larkspur";

// The four status bar texts of the open archive, or of no archive.
struct SStatusTexts
{
    QString sFile, sFileSize, sGCFVersion, sUsedBlocks;
};
SStatusTexts StatusTexts(const CGCF &GCFFile, const QString &sFileName);
SStatusTexts EmptyStatusTexts();

}  // namespace Larkspur
