// SPDX-License-Identifier: MIT
#pragma once
// Size texts and file type names, the same in every view: the status bar, the
// item list, the extraction lines and the properties dialog.

#include <QHash>
#include <QString>

#include <cstdint>
#include <string_view>

namespace Larkspur
{

class Utils
{
public:
    // Fills ExtTable (extension, upper case, no dot -> type name) once.
    static void BuildExtTable();
    // "1,023 B", "1.50 KB", "117.74 MB"; detailed adds " (1,536 B)" from 1024 bytes on.
    static QString FileSizeToString(uint32_t iFileSize, bool bDetailed);
    static QString FileSizeToString(uint32_t iFileSize);
    // The same for sizes past 4 GiB (a VPK set, a large folder of one):
    // below that exactly FileSizeToString; above, still in megabytes.
    static QString LargeFileSizeToString(uint64_t uiFileSize, bool bDetailed = false);
    // "Text File", "GZ File", "File" for a name without a dot.
    static QString FileTypeToString(const QString &sFileName);
    // A whole number grouped by thousands in the user's locale ("#,##0").
    static QString GroupedNumber(uint64_t uiNumber);
    // An item name as the archive stores it (bytes), decoded as UTF-8, or as
    // Latin-1 where it is not valid UTF-8.
    static QString DecodeName(std::string_view sName);

    static QHash<QString, QString> *ExtTable;
};

}  // namespace Larkspur
