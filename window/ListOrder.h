// SPDX-License-Identifier: MIT
#pragma once
// The order and the filter of the item list, worked out apart from the
// widgets. The list shows its rows in the archive's order until the user
// sorts it by name, size, type or (search results) location; sorted, folders come before files in
// either direction, and unsorted they stay interleaved as the archive has
// them. The filter hides the rows whose names do not contain its text, in
// any case. Both stay when the list is given new rows (another folder, or
// search results).

#include "window/ItemType.h"

#include <QString>
#include <Qt>

#include <cstdint>
#include <vector>

namespace Larkspur
{

enum class ESortKey
{
    ArchiveOrder,  // unsorted: the archive's own order
    Name,          // case-insensitive, with runs of digits compared as numbers
    Size,          // a file's bytes, a folder's number of items
    Type,          // the Type column's text, case-insensitive
    Location,      // search results: where each item's folder stands in the tree's order
};

struct SListSort
{
    ESortKey eKey = ESortKey::ArchiveOrder;
    Qt::SortOrder eOrder = Qt::AscendingOrder;
    bool operator==(const SListSort &) const = default;
};

// A click on a column header: a new column sorts up, a second click on the
// same column sorts down, a third returns to the archive's order. A click on
// a column that does not sort (eClicked ArchiveOrder) changes nothing.
SListSort NextListSort(SListSort Current, ESortKey eClicked);

// What the order and the filter read of one row. The texts belong to the
// caller and must outlive the arrangement's use of them.
struct SListRowKeys
{
    const QString *lpName;
    const QString *lpType;
    EItemType eType;
    uint32_t uiItemSize;       // a file's bytes, a folder's number of items
    uint32_t uiFolderPlace;    // the place of the item's folder in the tree (CFolderLocations::FolderPlace)
};

// The name as the Name order compares it: case-folded, each run of ASCII
// digits without its leading zeros and preceded by its length, so that a
// plain comparison of two keys puts "file9" before "file10".
QString NaturalSortKey(const QString &sName);

class CListArrangement
{
public:
    // New rows: the sort and the filter apply to them as they are.
    void SetRows(std::vector<SListRowKeys> NewRows);
    void SetSort(SListSort NewSort);
    void SetFilter(const QString &sNewFilter);

    const SListSort &GetSort() const { return Sort; }
    const QString &GetFilter() const { return sFilter; }
    // The rows shown, as indexes into the rows given, in the order shown.
    const std::vector<int> &GetShown() const { return Shown; }

private:
    void ApplySort();
    void ApplyFilter();

    std::vector<SListRowKeys> Rows;
    SListSort Sort;
    QString sFilter;
    std::vector<int> Sorted;  // every row, in the sort's order
    std::vector<int> Shown;   // the sorted rows that pass the filter
};

}  // namespace Larkspur
