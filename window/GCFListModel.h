// SPDX-License-Identifier: MIT
#pragma once
// The rows of the item list as one model, shown by the Icons and List views
// (a QListView) and the Details view (a QTreeView) alike. The views share one
// selection model too, so switching views keeps the rows, their order and
// the selection.
//
// The model holds every row it was given, in the archive's order, and shows
// those that pass the filter, in the chosen order (CListArrangement). Its row
// numbers are the shown rows: what the views show is what the list's
// commands act on. Sorting and filtering keep the selection of the rows that
// stay shown.

#include "window/FolderLocations.h"
#include "window/GCFListViewItem.h"
#include "window/ListOrder.h"

#include <QAbstractTableModel>

#include <functional>
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
        colItemLocation,  // only while the list holds search results
    };
    static constexpr int COLUMN_COUNT = 3;
    static constexpr int COLUMN_COUNT_WITH_LOCATION = 4;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &Index, int iRole) const override;
    QVariant headerData(int iSection, Qt::Orientation eOrientation, int iRole) const override;

    // Replaces all rows at once (the views are told once). Locations (kept
    // by the caller while the rows are shown) adds the Location column, for
    // search results; a cell's location is made when the cell is painted.
    // Rows without it end an order by location.
    void SetRows(std::vector<GCFListViewItem> &&NewRows, const CFolderLocations *lpLocations = nullptr);
    void Clear();

    void SetSort(SListSort Sort);
    const SListSort &GetSort() const { return Arrangement.GetSort(); }
    void SetFilter(const QString &sFilter);
    const QString &GetFilter() const { return Arrangement.GetFilter(); }
    // The key a column header sorts by, and the column of a key (-1 for the
    // archive's order).
    static ESortKey SortKeyOfColumn(int iColumn);
    static int ColumnOfSortKey(ESortKey eKey);

    // A shown row, counted as the views count them.
    const GCFListViewItem &Row(int iRow) const { return Rows[size_t(Arrangement.GetShown()[size_t(iRow)])]; }
    int RowCount() const { return int(Arrangement.GetShown().size()); }
    // Every row given, the hidden ones included.
    int AllRowCount() const { return int(Rows.size()); }
    bool ShowsLocations() const { return lpLocations != nullptr; }

private:
    // Runs a change of the arrangement as one change of the layout, moving
    // the views' persistent indexes (the selection among them) with their
    // rows; those of rows no longer shown become invalid.
    void Rearrange(const std::function<void()> &Change);

    std::vector<GCFListViewItem> Rows;
    CListArrangement Arrangement;
    const CFolderLocations *lpLocations = nullptr;
};

}  // namespace Larkspur
