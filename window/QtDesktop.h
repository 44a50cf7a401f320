#pragma once
// The desktop as Qt provides it: QMessageBox, QFileDialog, QDesktopServices
// and QDrag.

#include "window/IDesktop.h"

#include <QPointer>

class QFileDialog;

namespace Larkspur
{

class QtDesktop final : public IDesktop
{
public:
    QtDesktop() = default;
    ~QtDesktop() override;

    void ShowErrorBox(QWidget *lpOwner, const QString &sText) override;
    QString GetOpenFileName(QWidget *lpOwner) override;
    std::optional<QString> BrowseForFolder(QWidget *lpOwner, const QString &sStartFolder) override;
    bool OpenUrl(const QUrl &Url) override;
    void StartDrag(QWidget *lpSource, QMimeData *lpData, Qt::DropActions eActions) override;
    int ExecDialog(QDialog &Dialog) override;

private:
    // Made on first use and kept, so that the next use opens where the last
    // one ended.
    QPointer<QFileDialog> dlgOpenGCFFile;
};

}  // namespace Larkspur
