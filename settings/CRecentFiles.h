// SPDX-License-Identifier: MIT
#pragma once
// The recently opened archives, most recent first, at most eight, no two
// equal when compared without regard to case. The File menu's Recent Files
// submenu shows them in this order.

#include <QString>
#include <QStringList>

namespace Larkspur
{

class CRecentFiles
{
public:
    static constexpr int MAX_RECENT_FILES = 8;

    // Puts sFile at the front. The match is of the whole path, lower-cased,
    // with no path normalisation. Returns true when the list changed and the
    // submenu must be rebuilt; false when sFile was already first (the stored
    // letter case is then kept). A path that the settings file cannot keep
    // (a line break in it, or longer than 4,096 bytes) is not added: false.
    bool Add(const QString &sFile);

    const QStringList &Files() const { return RecentFiles; }

    // What the settings file gave at load is no news of this window's own:
    // only archives added from here on count as opened by it.
    void ForgetOpened() { Opened.clear(); }
    // The list to keep at closing when another window may have written the
    // file since it was read: the list the file holds now (oldest first, as
    // read), with the archives this window opened put in front in the order
    // it opened them. Neither window's archives are lost to the other.
    QStringList MergedWith(const QStringList &StoredOldestFirst) const;

private:
    QStringList RecentFiles;
    QStringList Opened;  // added since ForgetOpened, oldest first
};

}  // namespace Larkspur
