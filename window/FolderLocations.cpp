// SPDX-License-Identifier: MIT
#include "window/FolderLocations.h"

#include "archive/IArchive.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <algorithm>

namespace Larkspur
{

namespace
{

// The room a cut location keeps on either side of its "...", or a little
// more: a location's start and end are read from the names up to this many
// bytes, and the cut (ShortenedPath) then takes what it keeps of them.
constexpr qsizetype SIDE_BYTES = qsizetype(MAX_SHOWN_PATH_BYTES) / 2;

bool IsContinuation(char cByte)
{
    return (static_cast<unsigned char>(cByte) & 0xC0) == 0x80;
}

bool IsUtf8(std::string_view sName)
{
    return QByteArrayView(sName.data(), qsizetype(sName.size())).isValidUtf8();
}

// A piece of a name, decoded as the whole name is (Utils::DecodeName).
QString DecodePiece(std::string_view sPiece, bool bUtf8)
{
    const QByteArrayView Bytes(sPiece.data(), qsizetype(sPiece.size()));
    return bUtf8 ? QString::fromUtf8(Bytes) : QString::fromLatin1(Bytes);
}

// The first uiBytes of a name, or its last; in a UTF-8 name, ending or
// starting where a character does (at most 3 bytes fewer).
std::string_view NameStart(std::string_view sName, size_t uiBytes, bool bUtf8)
{
    if (uiBytes >= sName.size())
        return sName;
    while (bUtf8 && uiBytes > 0 && IsContinuation(sName[uiBytes]))
        --uiBytes;
    return sName.substr(0, uiBytes);
}

std::string_view NameEnd(std::string_view sName, size_t uiBytes, bool bUtf8)
{
    if (uiBytes >= sName.size())
        return sName;
    size_t uiStart = sName.size() - uiBytes;
    while (bUtf8 && uiStart < sName.size() && IsContinuation(sName[uiStart]))
        ++uiStart;
    return sName.substr(uiStart);
}

}  // namespace

CFolderLocations::CFolderLocations(const IArchive &Archive, std::vector<SDirectoryWalkItem> NewItems)
    : Archive(Archive), Items(std::move(NewItems)), SlotOfIndex(Archive.GetItemCount(), NO_SLOT),
      PathBytes(Items.size(), 0), FirstOverSlot(Items.size(), NO_SLOT), NameIsUtf8(Items.size(), 0)
{
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        SDirectoryWalkItem &Item = Items[uiSlot];
        // A walk lists each folder before its items; an item out of that
        // order, or out of the directory, gets no place.
        const bool bRoot = uiSlot == 0;
        const bool bPlaced = bRoot || (Item.uiParentSlot < uiSlot && PathBytes[Item.uiParentSlot] != 0);
        if (!bPlaced || Item.uiDirectoryIndex >= SlotOfIndex.size())
        {
            Item.uiParentSlot = NO_SLOT;
            continue;
        }
        if (bRoot)
            Item.uiParentSlot = NO_SLOT;
        SlotOfIndex[Item.uiDirectoryIndex] = uint32_t(uiSlot);
        const std::string_view sName = Name(uint32_t(uiSlot));
        NameIsUtf8[uiSlot] = IsUtf8(sName);
        const uint64_t uiParentBytes = bRoot ? 0 : PathBytes[Item.uiParentSlot];
        const uint64_t uiBytes = uiParentBytes + 1 + sName.size();
        PathBytes[uiSlot] = uint32_t(std::min<uint64_t>(uiBytes, UINT32_MAX));
        if (!bRoot && FirstOverSlot[Item.uiParentSlot] != NO_SLOT)
            FirstOverSlot[uiSlot] = FirstOverSlot[Item.uiParentSlot];
        else if (uiBytes > uint64_t(SIDE_BYTES))
            FirstOverSlot[uiSlot] = uint32_t(uiSlot);
    }
}

std::string_view CFolderLocations::Name(uint32_t uiSlot) const
{
    // The reader names index 0, the root, "root".
    return Archive.GetDirectoryItemName(Items[uiSlot].uiDirectoryIndex);
}

uint32_t CFolderLocations::FolderSlot(uint32_t uiDirectoryIndex) const
{
    if (uiDirectoryIndex >= SlotOfIndex.size() || SlotOfIndex[uiDirectoryIndex] == NO_SLOT)
        return NO_SLOT;
    return Items[SlotOfIndex[uiDirectoryIndex]].uiParentSlot;
}

QString CFolderLocations::Path(uint32_t uiSlot) const
{
    std::vector<uint32_t> Slots;
    for (uint32_t uiAt = uiSlot; uiAt != NO_SLOT; uiAt = Items[uiAt].uiParentSlot)
        Slots.push_back(uiAt);
    QString sPath;
    for (auto Slot = Slots.rbegin(); Slot != Slots.rend(); ++Slot)
        sPath += QLatin1Char('\\') + DecodePiece(Name(*Slot), NameIsUtf8[*Slot]);
    return sPath;
}

QString CFolderLocations::PathStart(uint32_t uiSlot, qsizetype iRoom) const
{
    const uint32_t uiFolder = Items[uiSlot].uiParentSlot;
    const QString sFolder = uiFolder == NO_SLOT ? QString() : Path(uiFolder);
    const bool bUtf8 = NameIsUtf8[uiSlot];
    return sFolder + QLatin1Char('\\') + DecodePiece(NameStart(Name(uiSlot), size_t(iRoom), bUtf8), bUtf8);
}

QString CFolderLocations::PathEnd(uint32_t uiSlot, qsizetype iRoom) const
{
    // Names from the deepest up, until the room is taken.
    std::vector<std::pair<std::string_view, bool>> Names;
    qsizetype iTaken = 0;
    for (uint32_t uiAt = uiSlot; uiAt != NO_SLOT && iTaken < iRoom; uiAt = Items[uiAt].uiParentSlot)
    {
        const bool bUtf8 = NameIsUtf8[uiAt];
        Names.emplace_back(NameEnd(Name(uiAt), size_t(iRoom), bUtf8), bUtf8);
        iTaken += qsizetype(Names.back().first.size()) + 1;
    }
    QString sEnd;
    for (auto Piece = Names.rbegin(); Piece != Names.rend(); ++Piece)
        sEnd += QLatin1Char('\\') + DecodePiece(Piece->first, Piece->second);
    return sEnd;
}

QString CFolderLocations::Location(uint32_t uiDirectoryIndex) const
{
    const uint32_t uiFolder = FolderSlot(uiDirectoryIndex);
    if (uiFolder == NO_SLOT)
        return QString();
    // Names decoded as Latin-1 take more bytes shown than stored: the cut
    // is made on the text as shown.
    if (PathBytes[uiFolder] <= MAX_SHOWN_PATH_BYTES)
        return ShortenedPath(Path(uiFolder));
    // A start and an end a little longer than the cut keeps, which never
    // make a text short enough to be kept whole: the cut then keeps the
    // path's own first and last bytes.
    constexpr qsizetype MARGIN = 8;
    return ShortenedPath(PathStart(FirstOverSlot[uiFolder], SIDE_BYTES + MARGIN) +
                         PathEnd(uiFolder, SIDE_BYTES + MARGIN));
}

uint32_t CFolderLocations::FolderPlace(uint32_t uiDirectoryIndex) const
{
    const uint32_t uiFolder = FolderSlot(uiDirectoryIndex);
    return uiFolder == NO_SLOT ? 0 : uiFolder + 1;
}

}  // namespace Larkspur
