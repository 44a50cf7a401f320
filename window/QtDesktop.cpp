// SPDX-License-Identifier: MIT
#include "window/QtDesktop.h"

#include "window/Images.h"
#include "window/WindowTexts.h"

#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QTimer>

#include <sys/statvfs.h>

#include <memory>
#include <utility>

namespace Larkspur
{

QUrl LocalFileUrl(const QByteArray &sLocalPath)
{
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + sLocalPath.toPercentEncoding("/"), QUrl::StrictMode);
}

QMimeData *MakeFileDragData(const QUrl &File)
{
    auto *lpData = new QMimeData;
    lpData->setUrls({File});
    return lpData;
}

QtDesktop::~QtDesktop()
{
    delete dlgOpenGCFFile.data();
}

QtDesktop::CModalRun::~CModalRun()
{
    // Queued: the caller of the modal run goes on first, so that whatever
    // waits (the window's closing) does not pull its state from under it.
    if (--Desktop.iModalRuns == 0 && Desktop.AfterModal)
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::exchange(Desktop.AfterModal, nullptr),
                                  Qt::QueuedConnection);
}

void QtDesktop::ShowErrorBox(QWidget *lpOwner, const QString &sText)
{
    const CModalRun Run(*this);
    QMessageBox Box(QMessageBox::Critical, QStringLiteral("Larkspur"), sText, QMessageBox::Ok, lpOwner);
    Box.exec();
}

QString QtDesktop::GetOpenFileName(QWidget *lpOwner)
{
    if (!dlgOpenGCFFile)
    {
        dlgOpenGCFFile = new QFileDialog(lpOwner, QStringLiteral("Open GCF File"));
        dlgOpenGCFFile->setNameFilters(OpenFileFilters());
        dlgOpenGCFFile->setFileMode(QFileDialog::ExistingFile);
        dlgOpenGCFFile->setAcceptMode(QFileDialog::AcceptOpen);
    }
    const CModalRun Run(*this);
    const QStringList Previous = dlgOpenGCFFile->selectedFiles();
    if (!Previous.isEmpty())
        dlgOpenGCFFile->selectFile(Previous.first());
    if (dlgOpenGCFFile->exec() != QDialog::Accepted)
        return QString();
    const QStringList Chosen = dlgOpenGCFFile->selectedFiles();
    return Chosen.isEmpty() ? QString() : Chosen.first();
}

std::optional<QString> QtDesktop::BrowseForFolder(QWidget *lpOwner, const QString &sStartFolder)
{
    const CModalRun Run(*this);
    const QString sFolder = QFileDialog::getExistingDirectory(lpOwner, QStringLiteral("Extract GCF Item"),
                                                              sStartFolder);
    if (sFolder.isEmpty())
        return std::nullopt;
    return sFolder;
}

void QtDesktop::OpenUrl(const QUrl &Url, std::function<void()> OnFailure)
{
    // QDesktopServices starts xdg-open detached and never learns that it
    // found no program for the file. Run here, its exit status tells; the
    // window is not held while it (or the program it waits for) runs.
    auto *lpRun = new QProcess(&OpenServiceRuns);
    auto Fail = std::make_shared<std::function<void()>>(std::move(OnFailure));
    // Past the window, an exit status belongs to the program opened.
    QTimer::singleShot(iFailureWindowMs, lpRun, [Fail] { *Fail = nullptr; });
    const auto Report = [Fail] {
        if (*Fail)
            std::exchange(*Fail, nullptr)();
    };
    QObject::connect(lpRun, &QProcess::errorOccurred, lpRun, [lpRun, Report](QProcess::ProcessError eError) {
        if (eError == QProcess::FailedToStart)
        {
            Report();
            lpRun->deleteLater();
        }
    });
    QObject::connect(lpRun, &QProcess::finished, lpRun, [lpRun, Report](int iExitCode, QProcess::ExitStatus eStatus) {
        if (iExitCode != 0 || eStatus != QProcess::NormalExit)
            Report();
        lpRun->deleteLater();
    });
    // What it says about a failure reaches the terminal the program runs in.
    lpRun->setProcessChannelMode(QProcess::ForwardedChannels);
    lpRun->setStandardInputFile(QProcess::nullDevice());
    // The encoded address keeps a name's bytes that are not UTF-8 intact.
    lpRun->start(QStringLiteral("xdg-open"), {QString::fromLatin1(Url.toEncoded())});
}

void QtDesktop::StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions)
{
    const CModalRun Run(*this);
    auto *lpDrag = new QDrag(lpSource);
    lpDrag->setMimeData(lpData);
    lpDrag->setPixmap(FileImage().pixmap(32, 32));
    lpDrag->exec(eActions, Qt::CopyAction);
}

int QtDesktop::ExecDialog(QDialog &Dialog)
{
    const CModalRun Run(*this);
    return Dialog.exec();
}

bool QtDesktop::CancelModal(std::function<void()> Then)
{
    if (iModalRuns == 0)
        return false;
    AfterModal = std::move(Then);
    QDrag::cancel();
    // The topmost first; each one's run returns once the one above it has.
    for (QWidget *lpModal = QApplication::activeModalWidget(); lpModal;)
    {
        if (auto *lpDialog = qobject_cast<QDialog *>(lpModal))
            lpDialog->reject();
        else
            lpModal->close();
        QWidget *lpNext = QApplication::activeModalWidget();
        if (lpNext == lpModal)
            break;  // it would not go
        lpModal = lpNext;
    }
    return true;
}

std::optional<uint64_t> QtDesktop::FreeBytes(const QString &sFolder)
{
    struct statvfs Disk;
    if (::statvfs(QFile::encodeName(sFolder).constData(), &Disk) != 0)
        return std::nullopt;
    return uint64_t(Disk.f_bavail) * Disk.f_frsize;
}

}  // namespace Larkspur
