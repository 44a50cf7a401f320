// SPDX-License-Identifier: MIT
#include "window/Images.h"

#include <QPixmap>

// Outside any namespace: the resource initialiser is a global function.
static void InitImageResources()
{
    // The resources live in a static library; naming them here keeps the
    // linker from dropping them.
    Q_INIT_RESOURCE(larkspur);
}

namespace Larkspur
{

static QIcon LoadIcon(const char *szName, bool bSameWhenSelected)
{
    InitImageResources();
    QIcon Icon;
    for (const int iSize : {16, 32})
    {
        const QPixmap Picture(QStringLiteral(":/images/%1-%2.png").arg(QLatin1String(szName)).arg(iSize));
        Icon.addPixmap(Picture, QIcon::Normal);
        if (bSameWhenSelected)
            Icon.addPixmap(Picture, QIcon::Selected);
    }
    return Icon;
}

const QIcon &ProgramIcon()
{
    static const QIcon Icon = [] {
        InitImageResources();
        QIcon Program;
        for (const int iSize : {16, 32, 48, 64, 128, 256})
            Program.addFile(QStringLiteral(":/images/larkspur-%1.png").arg(iSize), QSize(iSize, iSize));
        return Program;
    }();
    return Icon;
}

const QIcon &FolderImage()
{
    static const QIcon Icon = LoadIcon("folder", false);
    return Icon;
}

const QIcon &FolderSelectedImage()
{
    static const QIcon Icon = LoadIcon("folder-open", true);
    return Icon;
}

const QIcon &FileImage()
{
    static const QIcon Icon = LoadIcon("file", false);
    return Icon;
}

const QIcon &TreeNodeImage(EItemType eTreeNodeType)
{
    static const QIcon Folder = [] {
        QIcon Icon = LoadIcon("folder", false);
        for (const int iSize : {16, 32})
            Icon.addPixmap(FolderSelectedImage().pixmap(iSize, iSize), QIcon::Selected);
        return Icon;
    }();
    static const QIcon File = LoadIcon("file", true);
    return eTreeNodeType == EItemType::Folder ? Folder : File;
}

const QIcon &ListViewItemImage(EItemType eListViewItemType)
{
    return eListViewItemType == EItemType::Folder ? FolderImage() : FileImage();
}

}  // namespace Larkspur
