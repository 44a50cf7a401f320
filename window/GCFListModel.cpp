// SPDX-License-Identifier: MIT
#include "window/GCFListModel.h"

#include "window/GCFTreeNode.h"
#include "window/Images.h"

#include <QTextDocument>

namespace Larkspur
{

namespace
{

// A tooltip that looks like markup is shown as markup: such a name is
// escaped and shown as it is written.
QString NameToolTip(const QString &sName)
{
    if (!Qt::mightBeRichText(sName))
        return sName;
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(sName.toHtmlEscaped());
}

}  // namespace

int GCFListModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : RowCount();
}

int GCFListModel::columnCount(const QModelIndex &Parent) const
{
    if (Parent.isValid())
        return 0;
    return lpLocations ? COLUMN_COUNT_WITH_LOCATION : COLUMN_COUNT;
}

QVariant GCFListModel::data(const QModelIndex &Index, int iRole) const
{
    if (!Index.isValid() || Index.row() >= RowCount())
        return QVariant();
    const GCFListViewItem &Item = Row(Index.row());
    if (iRole == Qt::DisplayRole)
    {
        switch (Index.column())
        {
        case colItemName: return Item.GetName();
        case colItemSize: return Item.GetSizeText();
        case colItemExt: return Item.GetTypeText();
        case colItemLocation: return lpLocations ? lpLocations->Location(Item.GetDirectoryIndex()) : QVariant();
        default: return QVariant();
        }
    }
    // The whole name, for the views that cut it (Icons cuts after three lines).
    if (iRole == Qt::ToolTipRole && Index.column() == colItemName)
        return NameToolTip(Item.GetName());
    if (iRole == Qt::DecorationRole && Index.column() == colItemName)
        return ListViewItemImage(Item.GetListViewItemType());
    return QVariant();
}

QVariant GCFListModel::headerData(int iSection, Qt::Orientation eOrientation, int iRole) const
{
    if (eOrientation != Qt::Horizontal || iRole != Qt::DisplayRole)
        return QVariant();
    switch (iSection)
    {
    case colItemName: return QStringLiteral("Name");
    case colItemSize: return QStringLiteral("Size");
    case colItemExt: return QStringLiteral("Type");
    case colItemLocation: return QStringLiteral("Location");
    default: return QVariant();
    }
}

void GCFListModel::SetRows(std::vector<GCFListViewItem> &&NewRows, const CFolderLocations *lpNewLocations)
{
    beginResetModel();
    Rows = std::move(NewRows);
    lpLocations = lpNewLocations;
    if (!lpLocations && GetSort().eKey == ESortKey::Location)
        Arrangement.SetSort(SListSort());
    std::vector<SListRowKeys> Keys;
    Keys.reserve(Rows.size());
    for (const GCFListViewItem &Item : Rows)
        Keys.push_back({&Item.GetName(), &Item.GetTypeText(), Item.GetListViewItemType(), Item.GetItemSize(),
                        lpLocations ? lpLocations->FolderPlace(Item.GetDirectoryIndex()) : 0});
    Arrangement.SetRows(std::move(Keys));
    endResetModel();
}

void GCFListModel::Clear()
{
    SetRows({});
}

void GCFListModel::SetSort(SListSort Sort)
{
    if (Sort != GetSort())
        Rearrange([&] { Arrangement.SetSort(Sort); });
}

void GCFListModel::SetFilter(const QString &sFilter)
{
    if (sFilter != GetFilter())
        Rearrange([&] { Arrangement.SetFilter(sFilter); });
}

ESortKey GCFListModel::SortKeyOfColumn(int iColumn)
{
    switch (iColumn)
    {
    case colItemName: return ESortKey::Name;
    case colItemSize: return ESortKey::Size;
    case colItemExt: return ESortKey::Type;
    case colItemLocation: return ESortKey::Location;
    default: return ESortKey::ArchiveOrder;
    }
}

int GCFListModel::ColumnOfSortKey(ESortKey eKey)
{
    switch (eKey)
    {
    case ESortKey::Name: return colItemName;
    case ESortKey::Size: return colItemSize;
    case ESortKey::Type: return colItemExt;
    case ESortKey::Location: return colItemLocation;
    case ESortKey::ArchiveOrder: break;
    }
    return -1;
}

void GCFListModel::Rearrange(const std::function<void()> &Change)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> OldShown = Arrangement.GetShown();
    Change();
    const std::vector<int> &NewShown = Arrangement.GetShown();
    const QModelIndexList From = persistentIndexList();
    if (!From.isEmpty())
    {
        std::vector<int> NewRowOf(Rows.size(), -1);
        for (size_t uiRow = 0; uiRow < NewShown.size(); ++uiRow)
            NewRowOf[size_t(NewShown[uiRow])] = int(uiRow);
        QModelIndexList To;
        To.reserve(From.size());
        for (const QModelIndex &Index : From)
        {
            const size_t uiOldRow = size_t(Index.row());
            const int iRow = uiOldRow < OldShown.size() ? NewRowOf[size_t(OldShown[uiOldRow])] : -1;
            To.append(iRow < 0 ? QModelIndex() : createIndex(iRow, Index.column()));
        }
        changePersistentIndexList(From, To);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace Larkspur
