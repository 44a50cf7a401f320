// SPDX-License-Identifier: MIT
// Where the structures of a GCF file lie: worked out at open from a table of
// the structures in file order, each row placed and checked by one step, and
// written into the structure dump from there.

#include "CGCF.h"

#include "CDump.h"

#include <span>

namespace Larkspur
{

namespace
{

// The versions a structure is in.
constexpr uint8_t VERSION_3 = 1, VERSION_5 = 2, VERSION_6 = 4;
constexpr uint8_t ALL_VERSIONS = VERSION_3 | VERSION_5 | VERSION_6;

uint8_t VersionBit(uint32_t uiVersion)
{
    return uiVersion == 3 ? VERSION_3 : uiVersion == 5 ? VERSION_5 : VERSION_6;
}

// Where a structure starts.
enum class EPlace
{
    Follows,                 // right after the structure before it
    AfterDirectory,          // at the Directory Header + uiDirectorySize
    DirectoryMap,            // after its header, or (version 3, no header) as AfterDirectory
    AfterChecksumMapHeader,  // at the Checksum Map Header + uiChecksumSize (4 bytes earlier in version 3)
    DataStart,               // at uiDataStart
};

template <class T>
std::span<uint8_t> BytesOf(T &Value)
{
    return {reinterpret_cast<uint8_t *>(&Value), sizeof Value};
}

// One structure: where it goes, how long it is (from the headers copied
// before it), and what its check decides.
struct SStructureRow
{
    EGCFStructure eStructure;
    uint8_t uiVersions;
    EPlace ePlace;
    uint64_t (*Length)(const SGCFHeaders &Headers);
    // The refusal when it does not lie wholly inside the file; None for a
    // structure that is located only (never read, so never refused).
    EOpenRefusal eOutside;
    // The places of the structures after it depend on the counts it holds:
    // the walk ends at its refusal.
    bool bStopOutside;
    // Never read whole: located when its start is inside the file.
    bool bLocatedByStart;
    // A header: its bytes are copied into the headers, for the counts above.
    std::span<uint8_t> (*Copy)(SGCFHeaders &Headers);
};

template <class T>
constexpr uint64_t Fixed(const SGCFHeaders &)
{
    return sizeof(T);
}

constexpr uint64_t Nothing(const SGCFHeaders &)
{
    return 0;
}

using R = EOpenRefusal;
using S = EGCFStructure;
constexpr bool STOP = true, GO_ON = false, BY_START = true, WHOLE = false;

// Every structure after the GCF Header, in file order.
constexpr SStructureRow STRUCTURES[] = {
    {S::BlockEntryHeader, ALL_VERSIONS, EPlace::Follows, Fixed<GCFBlockEntryHeader>, R::BlockEntryHeaderOutside, STOP,
     WHOLE, [](SGCFHeaders &H) { return BytesOf(H.BlockEntryHeader); }},
    {S::BlockEntries, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.BlockEntryHeader.uiEntryCount} * sizeof(GCFBlockEntry); },
     R::BlockEntriesOutside, GO_ON, WHOLE, nullptr},
    {S::FragmentationMapHeader, ALL_VERSIONS, EPlace::Follows, Fixed<GCFFragmentationMapHeader>,
     R::FragmentationMapHeaderOutside, STOP, WHOLE, [](SGCFHeaders &H) { return BytesOf(H.FragmentationMapHeader); }},
    {S::FragmentationMap, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.FragmentationMapHeader.uiLinkCount} * sizeof(GCFFragmentationMap); },
     R::FragmentationMapOutside, GO_ON, WHOLE, nullptr},
    // Version 6 dropped the block entry map.
    {S::BlockEntryMapHeader, VERSION_3 | VERSION_5, EPlace::Follows, Fixed<GCFBlockEntryMapHeader>,
     R::BlockEntryMapHeaderOutside, STOP, WHOLE, [](SGCFHeaders &H) { return BytesOf(H.BlockEntryMapHeader); }},
    // Never read; the Directory Header after it is tested anyway.
    {S::BlockEntryMap, VERSION_3 | VERSION_5, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.BlockEntryMapHeader.uiMapCount} * sizeof(GCFBlockEntryMap); },
     R::None, GO_ON, BY_START, nullptr},
    {S::DirectoryHeader, ALL_VERSIONS, EPlace::Follows, Fixed<GCFDirectoryHeader>, R::DirectoryHeaderOutside, STOP,
     WHOLE, [](SGCFHeaders &H) { return BytesOf(H.DirectoryHeader); }},
    {S::DirectoryEntries, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.DirectoryHeader.uiItemCount} * sizeof(GCFDirectoryEntry); },
     R::DirectoryOutside, GO_ON, WHOLE, nullptr},
    {S::NameTable, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.DirectoryHeader.uiNameTableSize}; }, R::NameTableOutside, GO_ON,
     WHOLE, nullptr},
    // The side tables are located only.
    {S::SideTableA, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return 4 * uint64_t{H.DirectoryHeader.uiSideACount}; }, R::None, GO_ON, BY_START,
     nullptr},
    {S::SideTableB, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return 4 * uint64_t{H.DirectoryHeader.uiItemCount}; }, R::None, GO_ON, BY_START,
     nullptr},
    {S::SideTableC, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return 4 * uint64_t{H.DirectoryHeader.uiSideCCount}; }, R::None, GO_ON, BY_START,
     nullptr},
    {S::SideTableD, ALL_VERSIONS, EPlace::Follows, Nothing, R::None, GO_ON, BY_START, nullptr},
    // Version 3 has no Directory Map Header: its map starts right there.
    {S::DirectoryMapHeader, VERSION_5 | VERSION_6, EPlace::AfterDirectory, Fixed<GCFDirectoryMapHeader>,
     R::DirectoryMapHeaderOutside, STOP, WHOLE, nullptr},
    {S::DirectoryMap, ALL_VERSIONS, EPlace::DirectoryMap,
     [](const SGCFHeaders &H) { return uint64_t{H.DirectoryHeader.uiItemCount} * sizeof(GCFDirectoryMap); },
     R::DirectoryMapOutside, STOP, WHOLE, nullptr},
    {S::ChecksumHeader, ALL_VERSIONS, EPlace::Follows, Fixed<GCFChecksumHeader>, R::ChecksumHeaderOutside, STOP,
     WHOLE, [](SGCFHeaders &H) { return BytesOf(H.ChecksumHeader); }},
    {S::ChecksumMapHeader, ALL_VERSIONS, EPlace::Follows, Fixed<GCFChecksumMapHeader>, R::ChecksumMapHeaderOutside,
     STOP, WHOLE, [](SGCFHeaders &H) { return BytesOf(H.ChecksumMapHeader); }},
    {S::ChecksumMap, ALL_VERSIONS, EPlace::Follows,
     [](const SGCFHeaders &H) { return uint64_t{H.ChecksumMapHeader.uiChecksumMapCount} * sizeof(GCFChecksumMap); },
     R::None, GO_ON, BY_START, nullptr},
    {S::ChecksumEntries, ALL_VERSIONS, EPlace::Follows, Nothing, R::None, GO_ON, BY_START, nullptr},
    {S::DataBlockHeader, ALL_VERSIONS, EPlace::AfterChecksumMapHeader, Fixed<GCFDataBlockHeader>,
     R::DataBlockHeaderOutside, STOP, WHOLE, [](SGCFHeaders &H) { return BytesOf(H.DataBlockHeader); }},
    // The data area: the file is refused when it ends beyond the file's end
    // (ending exactly there is fine). At most (2^32 - 1)^2 + 2^32 - 1 bytes
    // from the start: no 64-bit wrap.
    {S::FirstDataBlock, ALL_VERSIONS, EPlace::DataStart,
     [](const SGCFHeaders &H)
     { return uint64_t{H.DataBlockHeader.uiTotalBlocks} * uint64_t{H.DataBlockHeader.uiDataBlockSize}; },
     R::DataAreaOutside, GO_ON, BY_START, nullptr},
};

// The nine headers, as the dump names them.
struct SDumpSection
{
    const char *szName;
    EGCFStructure eStructure;
    uint32_t dwLength;
};
constexpr SDumpSection DUMP_SECTIONS[] = {
    {"GCF Header", S::Header, sizeof(GCFHeader)},
    {"Block Entry Header", S::BlockEntryHeader, sizeof(GCFBlockEntryHeader)},
    {"Fragmentation Map Header", S::FragmentationMapHeader, sizeof(GCFFragmentationMapHeader)},
    {"Block Entry Map Header", S::BlockEntryMapHeader, sizeof(GCFBlockEntryMapHeader)},
    {"Directory Header", S::DirectoryHeader, sizeof(GCFDirectoryHeader)},
    {"Directory Map Header", S::DirectoryMapHeader, sizeof(GCFDirectoryMapHeader)},
    {"Checksum Header", S::ChecksumHeader, sizeof(GCFChecksumHeader)},
    {"Checksum Map Header", S::ChecksumMapHeader, sizeof(GCFChecksumMapHeader)},
    {"Data Block Header", S::DataBlockHeader, sizeof(GCFDataBlockHeader)},
};

}  // namespace

CGCF::SOffsets CGCF::NoOffsets()
{
    SOffsets None;
    None.fill(NOT_LOCATED);
    return None;
}

std::optional<uint64_t> CGCF::GetStructureOffset(EGCFStructure eStructure) const
{
    if (eStructure >= EGCFStructure::Count || OffsetOf(eStructure) == NOT_LOCATED)
        return std::nullopt;
    return OffsetOf(eStructure);
}

// Places the structures after the GCF Header in file order, each only where
// it lies inside the file, copies each header into Headers, and returns the
// first reason to refuse the file (eRefusal when one was found before; None
// when every structure and the data area are inside). Offsets are 64-bit: no
// sum of 32-bit counts and sizes can wrap back into the file. A header that
// lies outside ends the walk, since the places after it depend on counts it
// would hold; those stay unlocated. A header that cannot be read (the file
// was cut short meanwhile) ends it too.
EOpenRefusal CGCF::LocateStructures(EOpenRefusal eRefusal)
{
    const uint32_t uiVersion = Headers.Header.uiVersion;
    uint64_t uiFollowing = sizeof(GCFHeader);
    for (const SStructureRow &Row : STRUCTURES)
    {
        if ((Row.uiVersions & VersionBit(uiVersion)) == 0)
            continue;
        uint64_t uiStart = uiFollowing;
        switch (Row.ePlace)
        {
        case EPlace::Follows:
            break;
        case EPlace::DirectoryMap:
            if (uiVersion != 3)
                break;
            [[fallthrough]];
        case EPlace::AfterDirectory:
            uiStart = OffsetOf(S::DirectoryHeader) + Headers.DirectoryHeader.uiDirectorySize;
            break;
        case EPlace::AfterChecksumMapHeader:
            // Version 3 files place the header's fields 4 bytes earlier than
            // the later versions do; reading from 4 bytes back puts them at
            // the same offsets.
            uiStart = OffsetOf(S::ChecksumMapHeader) + Headers.ChecksumHeader.uiChecksumSize - (uiVersion == 3 ? 4 : 0);
            break;
        case EPlace::DataStart:
            uiStart = Headers.DataBlockHeader.uiDataStart;
            break;
        }
        const uint64_t uiLength = Row.Length(Headers);
        const bool bInside = Source.Contains(uiStart, uiLength);
        if (bInside || (Row.bLocatedByStart && Source.Contains(uiStart, 0)))
            Offsets[static_cast<size_t>(Row.eStructure)] = uiStart;
        if (!bInside && Row.eOutside != EOpenRefusal::None)
        {
            if (eRefusal == EOpenRefusal::None)
                eRefusal = Row.eOutside;
            if (Row.bStopOutside)
                return eRefusal;
        }
        if (bInside && Row.Copy != nullptr)
        {
            const std::span<uint8_t> Target = Row.Copy(Headers);
            if (!Source.ReadBytes(uiStart, Target.data(), Target.size()))
                return EOpenRefusal::CutShort;
        }
        uiFollowing = uiStart + uiLength;
    }
    return eRefusal;
}

bool CGCF::Dump() const
{
    CDump File;
    if (!File.Open(GetDumpPath().c_str()))
        return false;
    // A refused archive may place a header near its end: one that does not
    // lie wholly inside the file is not located, and is written as null. So
    // is one that can no longer be read because the file was cut short.
    for (const SDumpSection &Section : DUMP_SECTIONS)
    {
        uint8_t Bytes[64];
        static_assert(sizeof(GCFDirectoryHeader) <= sizeof Bytes);
        const uint64_t uiOffset = OffsetOf(Section.eStructure);
        const bool bRead = uiOffset != NOT_LOCATED && Source.ReadBytes(uiOffset, Bytes, Section.dwLength);
        File.Dump(Section.szName, bRead ? Bytes : nullptr, Section.dwLength);
    }
    return File.Close();
}

}  // namespace Larkspur
