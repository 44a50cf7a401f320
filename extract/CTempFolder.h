// SPDX-License-Identifier: MIT
#pragma once
// The window's private temporary folder, where Shell Execute and drag-out
// extract an item before handing it to another program. It is made when the
// window loads (and again when it has gone), locked as this process's, and
// removed with everything in it when the window closes; folders that windows
// killed outright left behind are removed at the next start. Every folder
// made and every removal is a line on the console.

#include "window/Console.h"

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

namespace Larkspur
{

class CTempFolder
{
public:
    // Parents: where the folder may go, best first (SProgramFiles::TempParents).
    CTempFolder(QStringList Parents, IConsole &Console) : Parents(std::move(Parents)), Console(Console) {}
    CTempFolder(const CTempFolder &) = delete;
    CTempFolder &operator=(const CTempFolder &) = delete;

    // Makes the folder, or a new one when the folder made before is gone or
    // no longer this user's own; reports "Created ..." or "Faild to create
    // directory ...". True when the folder exists afterwards.
    bool Make();
    // The folder, ending in "/"; "" until made.
    const QString &GetPath() const { return sPath; }
    // Removes the folder with everything in it, if it is still the one made
    // here: whatever now stands under its name (a cleaner removed it,
    // someone else made a new one) is left alone.
    void Remove();
    // Removes the temporary folders that windows no longer running left
    // behind.
    void RemoveAbandoned();
    // Removes what an extraction into the folder left at sItem (a file, or a
    // folder with everything in it).
    void RemoveItem(const QByteArray &sItem);

    // Removes a folder and everything in it, reporting each removal:
    // subfolders first, then files, then the folder itself. Walks by
    // descriptors, so no depth is too deep; a link in place of the folder is
    // not followed.
    static void DeleteDirectory(const std::string &sDirectory, IConsole &Console);

private:
    const QStringList Parents;
    IConsole &Console;
    QString sPath;
    std::unique_ptr<QLockFile> Lock;  // marks the folder as this process's
};

}  // namespace Larkspur
