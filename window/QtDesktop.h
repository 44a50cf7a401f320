// SPDX-License-Identifier: MIT
#pragma once
// The desktop as Qt provides it: QMessageBox, QFileDialog, QDrag, the
// desktop's open service (xdg-open) run through QProcess, and statvfs.

#include "window/IDesktop.h"

#include <QObject>
#include <QPointer>

class QFileDialog;

namespace Larkspur
{

class QtDesktop final : public IDesktop
{
public:
    // An open service that fails within iFailureWindowMs failed to find a
    // program; an exit after that is the opened program's own (xdg-open
    // waits for a program run in a terminal) and is not reported.
    explicit QtDesktop(int iFailureWindowMs = 5000) : iFailureWindowMs(iFailureWindowMs) {}
    ~QtDesktop() override;

    void ShowErrorBox(QWidget *lpOwner, const QString &sText) override;
    QString GetOpenFileName(QWidget *lpOwner) override;
    std::optional<QString> BrowseForFolder(QWidget *lpOwner, const QString &sStartFolder) override;
    void OpenUrl(const QUrl &Url, std::function<void()> OnFailure) override;
    void StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions) override;
    int ExecDialog(QDialog &Dialog) override;
    bool CancelModal(std::function<void()> AfterModal) override;
    std::optional<uint64_t> FreeBytes(const QString &sFolder) override;

private:
    // Counts the modal runs under way, and hands the one waiting for them
    // all to end to the event loop when the outermost has returned.
    class CModalRun
    {
    public:
        explicit CModalRun(QtDesktop &Desktop) : Desktop(Desktop) { ++Desktop.iModalRuns; }
        ~CModalRun();
        CModalRun(const CModalRun &) = delete;
        CModalRun &operator=(const CModalRun &) = delete;

    private:
        QtDesktop &Desktop;
    };

    const int iFailureWindowMs;
    int iModalRuns = 0;
    std::function<void()> AfterModal;
    // Made on first use and kept, so that the next use opens where the last
    // one ended.
    QPointer<QFileDialog> dlgOpenGCFFile;
    // Holds the open service's runs that have not ended; ending the program
    // ends them (not the programs they started).
    QObject OpenServiceRuns;
};

}  // namespace Larkspur
