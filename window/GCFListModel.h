#pragma once
// The rows of the item list as one model, shown by the Icons and List views
// (a QListView) and the Details view (a QTreeView) alike. The views share one
// selection model too, so switching views keeps the rows, their order and
// the selection.

#include "window/GCFListViewItem.h"

#include <QAbstractTableModel>

#include <vector>

namespace Larkspur
{

class GCFListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum EColumn
    {
        colItemName,
        colItemSize,
        colItemExt,
        COLUMN_COUNT
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &Index, int iRole) const override;
    QVariant headerData(int iSection, Qt::Orientation eOrientation, int iRole) const override;

    // Replaces all rows at once (the views are told once).
    void SetRows(std::vector<GCFListViewItem> &&NewRows);
    void Clear();

    const GCFListViewItem &Row(int iRow) const { return Rows[size_t(iRow)]; }
    int RowCount() const { return int(Rows.size()); }

private:
    std::vector<GCFListViewItem> Rows;
};

}  // namespace Larkspur
