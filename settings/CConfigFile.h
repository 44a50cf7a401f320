// SPDX-License-Identifier: MIT
#pragma once
// The settings file, larkspur.cfg: "key = value" lines
// under section headers that carry no meaning when read. It is read once while
// the main window loads and rewritten whole once while it closes.
//
// Text is UTF-8 both ways, so folders and archive paths with non-ASCII names
// survive a save; a plain ASCII file reads the same. A hand-edited line that
// is not valid UTF-8 is read as Latin-1, as item names are.

#include "settings/CFormPlacement.h"
#include "settings/SaveResult.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace Larkspur
{

class CRecentFiles;

// The three list view modes, as the View menu's radio items offer them.
enum class EListView
{
    Icons,
    List,
    Details,
};

// What the file holds. After Load, a value is present only when the file set
// it (the last valid line wins); an absent one leaves the window's own value.
// For Write, an absent value writes what the window holds after construction
// ("", 0, Normal), and an absent view writes no view line.
struct SConfigValues
{
    std::optional<QString> sExtractDirectory;  // Load: only a path where a folder exists
    std::optional<QString> sSearchWord;
    std::optional<EListView> eView;
    std::optional<int32_t> iX, iY, iWidth, iHeight;
    std::optional<EWindowState> eWindowState;
    std::optional<bool> bPreview;  // the preview pane shows; Write: absent writes False
    // Load: every recent-file line in file order (oldest first), each to be
    // handed to the recent list in turn. Write: the recent list as it stands,
    // most recent first; the file gets it oldest first, so that reading it
    // back through the recent list restores the same order.
    QStringList RecentFiles;
};

class CConfigFile
{
public:
    // Splits one line into a lower-cased key and a value with its case kept,
    // both trimmed. A "//" starts a comment running to the line's end. False
    // for a line that holds no "=" once the comment is gone (blank lines,
    // comments, section headers); both outputs are then empty.
    static bool ProcessLine(const QString &sLine, QString &sArg, QString &sVal);

    // Reads the file line by line (CR, LF or CR LF ends; a last line without
    // an end counts), its first MAX_FILE_BYTES only. False when the file is
    // missing, cannot be opened or is no regular file (a FIFO, a device, a
    // link to one), or when reading fails part-way; what was read before the
    // failure stays in Values. Values that the file does not set are left
    // untouched.
    static bool Load(const QString &sPath, SConfigValues &Values);

    // Replaces the file with every line, CR LF ends; a value holding a line
    // break is left out. The new file is written beside the old one and
    // renamed over it, so a failure leaves the old file whole.
    static SSaveResult Write(const QString &sPath, const SConfigValues &Values);

    // What a window does at closing: makes the file's folder when it is
    // missing, then, under a lock beside the file (sPath + ".lock"), reads
    // the file as it stands now and writes Values with the recent list
    // merged: the archives the window opened put in front of what the file
    // holds (CRecentFiles::MergedWith). Windows closing at the same moment
    // therefore each keep the other's archives.
    static SSaveResult WriteMerged(const QString &sPath, SConfigValues Values, const CRecentFiles &Recent);
    static constexpr int SETTINGS_LOCK_WAIT_MS = 10000;
    static constexpr int SETTINGS_LOCK_STALE_MS = 10000;

    // Only this much of the file is read.
    static constexpr qint64 MAX_FILE_BYTES = 1 << 20;
    // A recent entry longer than this (in UTF-8), or one holding a line
    // break, is neither read nor written: no real path is that long, and a
    // line break would start a settings line of its own.
    static constexpr qsizetype MAX_RECENT_FILE_BYTES = 4096;
    static bool IsRecentFileAllowed(const QString &sFile);

    // An optional sign followed by decimal digits, within the signed 32-bit
    // range; nothing else.
    static bool ParseInt32(const QString &sText, int32_t &iValue);

private:
    static void ApplyLine(const QString &sLine, SConfigValues &Values);
};

}  // namespace Larkspur
