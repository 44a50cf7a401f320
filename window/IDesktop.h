// SPDX-License-Identifier: MIT
#pragma once
// What the window asks of the desktop: message boxes, the open-file dialog,
// the folder picker, opening a document or an address with its associated
// program, dragging a file out to another program, and the free space of a
// folder's disk. The window reaches these only through this interface, so
// tests can answer them with a recording fake instead of a modal window,
// another program or a full disk.

#include <QString>
#include <QUrl>
#include <Qt>

#include <cstdint>
#include <functional>
#include <optional>

class QDialog;
class QMimeData;
class QWidget;

namespace Larkspur
{

class IDesktop
{
public:
    virtual ~IDesktop() = default;

    // A modal message box: caption "Larkspur", one OK button, the error icon.
    virtual void ShowErrorBox(QWidget *lpOwner, const QString &sText) = 0;

    // The "Open GCF File" dialog with the filter "GCF Files (*.gcf)" chosen,
    // and the VPK and both-formats filters after it (OpenFileFilters). It opens
    // in the folder and on the file of its previous use within the run. ""
    // when the user cancels.
    virtual QString GetOpenFileName(QWidget *lpOwner) = 0;

    // The "Extract GCF Item" folder picker, opening at sStartFolder (the
    // picker's own default when that is ""). None when the user cancels.
    virtual std::optional<QString> BrowseForFolder(QWidget *lpOwner, const QString &sStartFolder) = 0;

    // Opens a file or a web address with the program that the desktop
    // associates with it, and returns at once: the window goes on while the
    // desktop looks for that program and starts it. OnFailure (may be empty)
    // runs once the desktop has said that it cannot, which may be later:
    // no program for the type, or no open service at all.
    virtual void OpenUrl(const QUrl &Url, std::function<void()> OnFailure) = 0;

    // Drags lpData (taken over) out of lpSource with the actions allowed;
    // returns when the user drops or cancels.
    virtual void StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions) = 0;

    // Shows a dialog of the program modally and returns its result.
    virtual int ExecDialog(QDialog &Dialog) = 0;

    // Cancels what runs modally through this desktop (dialogs, boxes, a
    // drag), as Cancel or Escape would, and runs AfterModal from the event
    // loop once the outermost of them has returned to its caller. False,
    // and AfterModal never runs, when nothing modal runs.
    virtual bool CancelModal(std::function<void()> AfterModal) = 0;

    // The bytes that this user may still write on the disk that holds
    // sFolder; none when that cannot be told.
    virtual std::optional<uint64_t> FreeBytes(const QString &sFolder) = 0;
};

// A file URL holding exactly the bytes of sLocalPath: names that are not
// valid UTF-8 still reach the desktop unchanged, percent-encoded.
QUrl LocalFileUrl(const QByteArray &sLocalPath);

// What a drag of one extracted item offers: its path as the one entry of a
// file list (text/uri-list), the form file managers take.
QMimeData *MakeFileDragData(const QUrl &File);

}  // namespace Larkspur
