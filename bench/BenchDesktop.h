// SPDX-License-Identifier: MIT
#pragma once
// The desktop seam as the benchmarks drive the window: it answers the Open
// dialog, the folder picker and the Find dialog with what the bench set,
// and shows nothing.

#include "window/IDesktop.h"

#include <QDialog>
#include <QLineEdit>
#include <QMimeData>

#include <cstdio>
#include <optional>

class CBenchDesktop final : public Larkspur::IDesktop
{
public:
    QString sOpenFileName;
    QString sFolder;
    QString sSearchWord;

    void ShowErrorBox(QWidget *, const QString &sText) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(sText));
    }
    QString GetOpenFileName(QWidget *) override { return sOpenFileName; }
    std::optional<QString> BrowseForFolder(QWidget *, const QString &) override
    {
        return sFolder.isEmpty() ? std::nullopt : std::optional<QString>(sFolder);
    }
    void OpenUrl(const QUrl &, std::function<void()>) override {}
    void StartDrag(QWidget *, QMimeData *lpData, Qt::DropActions) override { delete lpData; }
    int ExecDialog(QDialog &Dialog) override
    {
        if (auto *lpText = Dialog.findChild<QLineEdit *>(QStringLiteral("txtFind")))
        {
            lpText->setText(sSearchWord);
            return QDialog::Accepted;
        }
        return QDialog::Rejected;
    }
    bool CancelModal(std::function<void()>) override { return false; }
    std::optional<uint64_t> FreeBytes(const QString &) override { return std::nullopt; }
};
