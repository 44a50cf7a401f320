// SPDX-License-Identifier: MIT
#include "window/ListOrder.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>

namespace Larkspur
{

namespace
{

bool IsAsciiDigit(QChar cChar)
{
    return cChar.unicode() >= u'0' && cChar.unicode() <= u'9';
}

// Ranks the distinct type texts case-insensitively, so that sorting compares
// two numbers instead of two texts for each pair of rows.
std::vector<int> TypeRanks(const std::vector<SListRowKeys> &Rows)
{
    QHash<QString, int> RankOf;
    for (const SListRowKeys &Row : Rows)
        RankOf.insert(*Row.lpType, 0);
    QStringList Types = RankOf.keys();
    std::sort(Types.begin(), Types.end(), [](const QString &sLeft, const QString &sRight) {
        const int iOrder = sLeft.compare(sRight, Qt::CaseInsensitive);
        return iOrder != 0 ? iOrder < 0 : sLeft < sRight;
    });
    for (int iRank = 0; iRank < int(Types.size()); ++iRank)
        RankOf[Types[iRank]] = iRank;
    std::vector<int> Ranks;
    Ranks.reserve(Rows.size());
    for (const SListRowKeys &Row : Rows)
        Ranks.push_back(RankOf.value(*Row.lpType));
    return Ranks;
}

// The most a name's key can take: a run of digits adds two characters
// before it, and at most every other character starts one.
size_t NaturalSortKeyCapacity(qsizetype iNameLength)
{
    return 2 * size_t(iNameLength) + 1;
}

// Writes the key at lpKey (room for NaturalSortKeyCapacity characters) and
// gives its length.
size_t WriteNaturalSortKey(QStringView sName, char16_t *lpKey)
{
    char16_t *lpOut = lpKey;
    const qsizetype iLength = sName.size();
    for (qsizetype i = 0; i < iLength;)
    {
        const QChar cChar = sName[i];
        if (!IsAsciiDigit(cChar))
        {
            // Letters compare without their case; ASCII takes the short way.
            const char16_t uChar = cChar.unicode();
            if (uChar < 0x80)
                *lpOut++ = uChar >= u'A' && uChar <= u'Z' ? char16_t(uChar + (u'a' - u'A')) : uChar;
            else
                *lpOut++ = cChar.toCaseFolded().unicode();
            ++i;
            continue;
        }
        qsizetype iEnd = i;
        while (iEnd < iLength && IsAsciiDigit(sName[iEnd]))
            ++iEnd;
        // "007" is 7; a run of zeros keeps one.
        while (i + 1 < iEnd && sName[i] == u'0')
            ++i;
        // The marker stands where the digits stood, so digits still sort
        // between "/" and ":"; the length after it puts shorter numbers
        // first, and numbers of one length compare digit by digit.
        *lpOut++ = u'0';
        *lpOut++ = char16_t(std::min<qsizetype>(iEnd - i, 0xFFFF));
        for (; i < iEnd; ++i)
            *lpOut++ = sName[i].unicode();
    }
    return size_t(lpOut - lpKey);
}

// One row's sort keys side by side, the name keys of all rows in one
// buffer: a hundred thousand rows sort without chasing a pointer per
// comparison but where two names agree in their first eight characters.
struct SSortEntry
{
    uint64_t uiNameHead[2];  // the name key's first eight characters, zero-padded
    uint32_t uiGroup;        // folders before files
    uint32_t uiPrimary;      // the size, the type's rank or the folder's place; 0 for the Name order
    size_t uiKeyStart, uiKeyLength;
    int iRow;
};

// The rows' entries for the order eKey (not ArchiveOrder), their name keys
// written into NameKeys.
std::vector<SSortEntry> SortEntries(const std::vector<SListRowKeys> &Rows, ESortKey eKey, std::u16string &NameKeys)
{
    size_t uiKeyCapacity = 0;
    for (const SListRowKeys &Row : Rows)
        uiKeyCapacity += NaturalSortKeyCapacity(Row.lpName->size());
    NameKeys.assign(uiKeyCapacity, u'\0');
    size_t uiKeysEnd = 0;
    std::vector<SSortEntry> Entries(Rows.size());
    const std::vector<int> Ranks = eKey == ESortKey::Type ? TypeRanks(Rows) : std::vector<int>();
    for (size_t uiRow = 0; uiRow < Rows.size(); ++uiRow)
    {
        const SListRowKeys &Row = Rows[uiRow];
        SSortEntry &Entry = Entries[uiRow];
        Entry.uiKeyStart = uiKeysEnd;
        Entry.uiKeyLength = WriteNaturalSortKey(*Row.lpName, NameKeys.data() + uiKeysEnd);
        uiKeysEnd += Entry.uiKeyLength;
        for (size_t uiChar = 0; uiChar < 8; ++uiChar)
        {
            const uint64_t uiUnit = uiChar < Entry.uiKeyLength ? NameKeys[Entry.uiKeyStart + uiChar] : 0;
            Entry.uiNameHead[uiChar / 4] = (uiChar % 4 ? Entry.uiNameHead[uiChar / 4] << 16 : 0) | uiUnit;
        }
        Entry.uiGroup = Row.eType == EItemType::Folder ? 0 : 1;
        switch (eKey)
        {
        case ESortKey::Size: Entry.uiPrimary = Row.uiItemSize; break;
        case ESortKey::Type: Entry.uiPrimary = uint32_t(Ranks[uiRow]); break;
        case ESortKey::Location: Entry.uiPrimary = Row.uiFolderPlace; break;
        case ESortKey::Name:
        case ESortKey::ArchiveOrder: Entry.uiPrimary = 0; break;
        }
        Entry.iRow = int(uiRow);
    }
    return Entries;
}

// The names break ties of size and type; rows alike in every key keep the
// archive's order, whichever way the list is sorted.
struct CSortOrder
{
    std::u16string_view Keys;
    bool bDescending;

    bool operator()(const SSortEntry &Left, const SSortEntry &Right) const
    {
        if (Left.uiGroup != Right.uiGroup)
            return Left.uiGroup < Right.uiGroup;
        int iOrder = 0;
        if (Left.uiPrimary != Right.uiPrimary)
            iOrder = Left.uiPrimary < Right.uiPrimary ? -1 : 1;
        else if (Left.uiNameHead[0] != Right.uiNameHead[0])
            iOrder = Left.uiNameHead[0] < Right.uiNameHead[0] ? -1 : 1;
        else if (Left.uiNameHead[1] != Right.uiNameHead[1])
            iOrder = Left.uiNameHead[1] < Right.uiNameHead[1] ? -1 : 1;
        else
            iOrder = Keys.substr(Left.uiKeyStart, Left.uiKeyLength).compare(Keys.substr(Right.uiKeyStart, Right.uiKeyLength));
        if (iOrder == 0)
            return Left.iRow < Right.iRow;
        return bDescending ? iOrder > 0 : iOrder < 0;
    }
};

}  // namespace

SListSort NextListSort(SListSort Current, ESortKey eClicked)
{
    if (eClicked == ESortKey::ArchiveOrder)
        return Current;
    if (Current.eKey != eClicked)
        return SListSort{eClicked, Qt::AscendingOrder};
    if (Current.eOrder == Qt::AscendingOrder)
        return SListSort{eClicked, Qt::DescendingOrder};
    return SListSort{};
}

QString NaturalSortKey(const QString &sName)
{
    std::u16string sKey(NaturalSortKeyCapacity(sName.size()), u'\0');
    sKey.resize(WriteNaturalSortKey(sName, sKey.data()));
    return QString::fromUtf16(sKey.data(), qsizetype(sKey.size()));
}

void CListArrangement::SetRows(std::vector<SListRowKeys> NewRows)
{
    Rows = std::move(NewRows);
    ApplySort();
}

void CListArrangement::SetSort(SListSort NewSort)
{
    Sort = NewSort;
    ApplySort();
}

void CListArrangement::SetFilter(const QString &sNewFilter)
{
    sFilter = sNewFilter;
    ApplyFilter();
}

void CListArrangement::ApplySort()
{
    Sorted.resize(Rows.size());
    if (Sort.eKey == ESortKey::ArchiveOrder)
    {
        std::iota(Sorted.begin(), Sorted.end(), 0);
        ApplyFilter();
        return;
    }
    std::u16string NameKeys;
    std::vector<SSortEntry> Entries = SortEntries(Rows, Sort.eKey, NameKeys);
    std::sort(Entries.begin(), Entries.end(), CSortOrder{NameKeys, Sort.eOrder == Qt::DescendingOrder});
    for (size_t uiRow = 0; uiRow < Entries.size(); ++uiRow)
        Sorted[uiRow] = Entries[uiRow].iRow;
    ApplyFilter();
}

void CListArrangement::ApplyFilter()
{
    if (sFilter.isEmpty())
    {
        Shown = Sorted;
        return;
    }
    // The names are tested in the archive's order, the order in which they
    // lie in memory, then taken in the sorted order.
    std::vector<char> Passes(Rows.size());
    for (size_t uiRow = 0; uiRow < Rows.size(); ++uiRow)
        Passes[uiRow] = Rows[uiRow].lpName->contains(sFilter, Qt::CaseInsensitive);
    Shown.clear();
    for (const int iRow : Sorted)
    {
        if (Passes[size_t(iRow)])
            Shown.push_back(iRow);
    }
}

}  // namespace Larkspur
