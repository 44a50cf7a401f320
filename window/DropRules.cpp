// SPDX-License-Identifier: MIT
#include "window/DropRules.h"

#include <QMimeData>
#include <QUrl>

namespace Larkspur
{

QString ArchiveOfDrop(const QMimeData &Data)
{
    if (!Data.hasUrls())
        return QString();
    const QList<QUrl> Urls = Data.urls();
    if (Urls.size() != 1 || !Urls.front().isLocalFile())
        return QString();
    const QString sPath = Urls.front().toLocalFile();
    // The file's existence is the open path's to check, with its message.
    if (!sPath.endsWith(QLatin1String(".gcf"), Qt::CaseInsensitive) &&
        !sPath.endsWith(QLatin1String(".vpk"), Qt::CaseInsensitive))
        return QString();
    return sPath;
}

}  // namespace Larkspur
