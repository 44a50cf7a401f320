#include "window/QtDesktop.h"

#include "window/Images.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDrag>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>

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

void QtDesktop::ShowErrorBox(QWidget *lpOwner, const QString &sText)
{
    QMessageBox Box(QMessageBox::Critical, QStringLiteral("Larkspur"), sText, QMessageBox::Ok, lpOwner);
    Box.exec();
}

QString QtDesktop::GetOpenFileName(QWidget *lpOwner)
{
    if (!dlgOpenGCFFile)
    {
        dlgOpenGCFFile = new QFileDialog(lpOwner, QStringLiteral("Open GCF File"), QString(),
                                         QStringLiteral("GCF Files (*.gcf)"));
        dlgOpenGCFFile->setFileMode(QFileDialog::ExistingFile);
        dlgOpenGCFFile->setAcceptMode(QFileDialog::AcceptOpen);
    }
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
    const QString sFolder = QFileDialog::getExistingDirectory(lpOwner, QStringLiteral("Extract GCF Item"),
                                                              sStartFolder);
    if (sFolder.isEmpty())
        return std::nullopt;
    return sFolder;
}

bool QtDesktop::OpenUrl(const QUrl &Url)
{
    return QDesktopServices::openUrl(Url);
}

void QtDesktop::StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions)
{
    auto *lpDrag = new QDrag(lpSource);
    lpDrag->setMimeData(lpData);
    lpDrag->setPixmap(FileImage().pixmap(32, 32));
    lpDrag->exec(eActions, Qt::CopyAction);
}

int QtDesktop::ExecDialog(QDialog &Dialog)
{
    return Dialog.exec();
}

}  // namespace Larkspur
