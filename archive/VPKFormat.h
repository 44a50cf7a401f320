// SPDX-License-Identifier: MIT
#pragma once
// The on-disk structures of a VPK set (versions 1 and 2): the header of the
// directory file, the 18-byte directory entry of each file, and the records
// of the version 2 sections. Every integer is little-endian; fields are byte
// arrays (alignment 1), so a structure can be viewed at any offset, as the
// GCF structures are.

#include "GCFFormat.h"

#include <cstdint>

namespace Larkspur
{

struct LE16
{
    uint8_t b[2];

    constexpr operator uint16_t() const { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }

    constexpr LE16 &operator=(uint16_t uiValue)
    {
        b[0] = static_cast<uint8_t>(uiValue);
        b[1] = static_cast<uint8_t>(uiValue >> 8);
        return *this;
    }
};
static_assert(sizeof(LE16) == 2 && alignof(LE16) == 1);

constexpr uint32_t VPK_SIGNATURE = 0x55AA1234u;
// The archive index of data stored in the directory file itself, after the
// tree; also the index by which CVPK names the directory file as a source.
constexpr uint16_t VPK_DIRECTORY_FILE_INDEX = 0x7FFF;
constexpr uint16_t VPK_ENTRY_TERMINATOR = 0xFFFF;

// Version 1: 12 bytes, then the tree.
struct VPKHeaderV1
{
    LE32 uiSignature;
    LE32 uiVersion;
    LE32 uiTreeSize;  // bytes of the tree right after the header
};
static_assert(sizeof(VPKHeaderV1) == 12);

// Version 2: 28 bytes, then the tree, the file data section, the archive MD5
// section, the other MD5 section and the signature section, in that order.
struct VPKHeaderV2
{
    LE32 uiSignature;
    LE32 uiVersion;
    LE32 uiTreeSize;
    LE32 uiFileDataSectionSize;   // data stored in this file (archive index 0x7FFF)
    LE32 uiArchiveMD5SectionSize; // a whole number of VPKArchiveMD5Entry records
    LE32 uiOtherMD5SectionSize;   // 48 (VPKOtherMD5Section), or 0 when absent
    LE32 uiSignatureSectionSize;  // 0 when the set is not signed
};
static_assert(sizeof(VPKHeaderV2) == 28);

// Follows each file name in the tree; uiPreloadBytes bytes of the file's data
// follow it.
struct VPKDirectoryEntry
{
    LE32 uiCRC;             // CRC32 of the whole file's data
    LE16 uiPreloadBytes;
    LE16 uiArchiveIndex;    // data file number, or VPK_DIRECTORY_FILE_INDEX
    LE32 uiEntryOffset;     // for 0x7FFF counted from the end of the tree
    LE32 uiEntryLength;     // bytes at uiEntryOffset (0: all data is preload)
    LE16 uiTerminator;      // VPK_ENTRY_TERMINATOR
};
static_assert(sizeof(VPKDirectoryEntry) == 18);

// One checksum of a chunk of a data file.
struct VPKArchiveMD5Entry
{
    LE32 uiArchiveIndex;
    LE32 uiStartingOffset;
    LE32 uiCount;
    uint8_t MD5[16];  // of uiCount bytes at uiStartingOffset in that data file
};
static_assert(sizeof(VPKArchiveMD5Entry) == 28);

struct VPKOtherMD5Section
{
    uint8_t TreeMD5[16];
    uint8_t ArchiveMD5SectionMD5[16];
    uint8_t ThirdMD5[16];  // its coverage is not known for certain: shown, never judged
};
static_assert(sizeof(VPKOtherMD5Section) == 48);

}  // namespace Larkspur
