// SPDX-License-Identifier: MIT
#pragma once
// A desktop that answers from a script and records what it was asked, so
// that window tests never open a modal window or start another program.

#include "window/IDesktop.h"

#include <QDialog>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class FakeDesktop final : public Larkspur::IDesktop
{
public:
    struct SDrag
    {
        QString sSource;  // the object name of the widget the drag started from
        QStringList Formats;
        QList<QUrl> Urls;
        Qt::DropActions eActions;
    };

    // Answers.
    QString sOpenFileName;                   // "" acts as Cancel
    std::optional<QString> sFolder;          // nullopt acts as Cancel
    bool bOpenUrlSucceeds = true;
    bool bOpenUrlAnswersLater = false;       // a failure waits in LateFailures
    std::function<int(QDialog &)> OnDialog;  // default: reject at once
    std::function<void()> OnBrowseForFolder; // runs before the folder is given
    bool bModalRuns = false;                 // as if a dialog were up: CancelModal takes AfterModal
    uint64_t uiFreeBytes = UINT64_MAX;

    // Records.
    QStringList ErrorBoxes;
    int iOpenFileDialogs = 0;
    QStringList FolderPickerStarts;
    std::vector<QUrl> OpenedUrls;
    std::vector<std::function<void()>> LateFailures;
    std::vector<SDrag> Drags;
    int iDialogs = 0;
    std::function<void()> AfterModal;  // what CancelModal was given
    QStringList FreeSpaceFolders;

    void ShowErrorBox(QWidget *, const QString &sText) override { ErrorBoxes.append(sText); }

    QString GetOpenFileName(QWidget *) override
    {
        ++iOpenFileDialogs;
        return sOpenFileName;
    }

    std::optional<QString> BrowseForFolder(QWidget *, const QString &sStartFolder) override
    {
        FolderPickerStarts.append(sStartFolder);
        if (OnBrowseForFolder)
            OnBrowseForFolder();
        return sFolder;
    }

    void OpenUrl(const QUrl &Url, std::function<void()> OnFailure) override
    {
        OpenedUrls.push_back(Url);
        if (!bOpenUrlSucceeds && OnFailure)
        {
            if (bOpenUrlAnswersLater)
                LateFailures.push_back(std::move(OnFailure));
            else
                OnFailure();
        }
    }

    void StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions) override
    {
        Drags.push_back({lpSource ? lpSource->objectName() : QString(), lpData->formats(), lpData->urls(), eActions});
        delete lpData;
    }

    int ExecDialog(QDialog &Dialog) override
    {
        ++iDialogs;
        return OnDialog ? OnDialog(Dialog) : int(QDialog::Rejected);
    }

    bool CancelModal(std::function<void()> Then) override
    {
        if (bModalRuns)
            AfterModal = std::move(Then);
        return bModalRuns;
    }

    std::optional<uint64_t> FreeBytes(const QString &sFolder) override
    {
        FreeSpaceFolders.append(sFolder);
        return uiFreeBytes;
    }
};
