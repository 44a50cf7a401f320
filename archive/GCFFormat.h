// SPDX-License-Identifier: MIT
#pragma once
// The on-disk structures of a GCF file. Every field is an unsigned 32-bit
// little-endian integer. Fields are stored as byte arrays (alignment 1), so a
// structure can be viewed at any offset of the mapping without unaligned
// access, and reading a field is the same on every host byte order.

#include <cstddef>
#include <cstdint>

namespace Larkspur
{

struct LE32
{
    uint8_t b[4];

    constexpr operator uint32_t() const
    {
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }

    constexpr LE32 &operator=(uint32_t uiValue)
    {
        b[0] = static_cast<uint8_t>(uiValue);
        b[1] = static_cast<uint8_t>(uiValue >> 8);
        b[2] = static_cast<uint8_t>(uiValue >> 16);
        b[3] = static_cast<uint8_t>(uiValue >> 24);
        return *this;
    }
};
static_assert(sizeof(LE32) == 4 && alignof(LE32) == 1);

// Reads the little-endian word at lpData (no alignment needed).
constexpr uint32_t ReadLE32(const uint8_t *lpData)
{
    return static_cast<uint32_t>(lpData[0]) | (static_cast<uint32_t>(lpData[1]) << 8) |
           (static_cast<uint32_t>(lpData[2]) << 16) | (static_cast<uint32_t>(lpData[3]) << 24);
}

struct GCFHeader
{
    LE32 uiDummy0;
    LE32 uiDummy1;
    LE32 uiVersion;
    LE32 uiDummy3;
    LE32 uiDummy4;
    LE32 uiDummy5;
    LE32 uiDummy6;
    LE32 uiRecordedSize;
    LE32 uiBlockSize;      // one copy step, and the unit of the size on disk
    LE32 uiEntryChainEnd;  // the uiNextEntry that ends an item's entry chain
    LE32 uiDummy10;
};
static_assert(sizeof(GCFHeader) == 44);

struct GCFBlockEntryHeader
{
    LE32 uiEntryCount;  // also the directory map value for "no data"
    LE32 uiDummy[7];
};
static_assert(sizeof(GCFBlockEntryHeader) == 32);

struct GCFBlockEntry
{
    LE32 uiDummy0;
    LE32 uiDummy1;
    LE32 uiDataLength;
    LE32 uiFirstBlock;
    LE32 uiNextEntry;
    LE32 uiDummy5;
    LE32 uiOwner;
};
static_assert(sizeof(GCFBlockEntry) == 28);

struct GCFFragmentationMapHeader
{
    LE32 uiLinkCount;
    LE32 uiDummy[3];
};
static_assert(sizeof(GCFFragmentationMapHeader) == 16);

struct GCFFragmentationMap
{
    LE32 uiNextBlock;
};
static_assert(sizeof(GCFFragmentationMap) == 4);

// Versions 3 and 5 only.
struct GCFBlockEntryMapHeader
{
    LE32 uiMapCount;
    LE32 uiDummy[4];
};
static_assert(sizeof(GCFBlockEntryMapHeader) == 20);

struct GCFBlockEntryMap
{
    LE32 uiDummy[2];
};
static_assert(sizeof(GCFBlockEntryMap) == 8);

struct GCFDirectoryHeader
{
    LE32 uiDummy0;
    LE32 uiDummy1;
    LE32 uiDummy2;
    LE32 uiItemCount;
    LE32 uiDummy4;
    LE32 uiDummy5;
    LE32 uiDirectorySize;  // bytes from this header to the directory map section
    LE32 uiNameTableSize;
    LE32 uiSideACount;
    LE32 uiSideCCount;
    LE32 uiDummy[4];
};
static_assert(sizeof(GCFDirectoryHeader) == 56);

struct GCFDirectoryEntry
{
    LE32 uiNameStart;
    LE32 uiItemSize;  // a file's bytes, or a folder's number of items
    LE32 uiDummy2;
    LE32 uiFlags;     // 0: folder
    LE32 uiParent;    // 0xFFFFFFFF for the root
    LE32 uiNextSibling;
    LE32 uiFirstChild;
};
static_assert(sizeof(GCFDirectoryEntry) == 28);

// Versions 5 and 6 only.
struct GCFDirectoryMapHeader
{
    LE32 uiDummy[2];
};
static_assert(sizeof(GCFDirectoryMapHeader) == 8);

struct GCFDirectoryMap
{
    LE32 uiFirstEntry;  // equal to uiEntryCount when the item has no data
};
static_assert(sizeof(GCFDirectoryMap) == 4);

struct GCFChecksumHeader
{
    LE32 uiDummy0;
    LE32 uiChecksumSize;
};
static_assert(sizeof(GCFChecksumHeader) == 8);

struct GCFChecksumMapHeader
{
    LE32 uiDummy0;
    LE32 uiDummy1;
    LE32 uiChecksumMapCount;
    LE32 uiDummy3;
};
static_assert(sizeof(GCFChecksumMapHeader) == 16);

struct GCFChecksumMap
{
    LE32 uiDummy[2];
};
static_assert(sizeof(GCFChecksumMap) == 8);

// In version 3 this is read 4 bytes before the position versions 5 and 6 use.
struct GCFDataBlockHeader
{
    LE32 uiDummy0;
    LE32 uiTotalBlocks;
    LE32 uiDataBlockSize;  // places the blocks in the file
    LE32 uiDataStart;
    LE32 uiUsedBlocks;
    LE32 uiDummy5;
};
static_assert(sizeof(GCFDataBlockHeader) == 24);

inline constexpr uint32_t GCF_ROOT_PARENT = 0xFFFFFFFFu;

}  // namespace Larkspur
