#include "window/GCFListModel.h"

#include "window/Images.h"

namespace Larkspur
{

int GCFListModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : int(Rows.size());
}

int GCFListModel::columnCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : COLUMN_COUNT;
}

QVariant GCFListModel::data(const QModelIndex &Index, int iRole) const
{
    if (!Index.isValid() || Index.row() >= int(Rows.size()))
        return QVariant();
    const GCFListViewItem &Item = Rows[size_t(Index.row())];
    if (iRole == Qt::DisplayRole)
    {
        switch (Index.column())
        {
        case colItemName: return Item.GetName();
        case colItemSize: return Item.GetSizeText();
        case colItemExt: return Item.GetTypeText();
        default: return QVariant();
        }
    }
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
    default: return QVariant();
    }
}

void GCFListModel::SetRows(std::vector<GCFListViewItem> &&NewRows)
{
    beginResetModel();
    Rows = std::move(NewRows);
    endResetModel();
}

void GCFListModel::Clear()
{
    SetRows({});
}

}  // namespace Larkspur
