// SPDX-License-Identifier: MIT
#pragma once
// The project's own GCF writer: builds archives of versions 3, 5 and 6 from a
// described tree, for the tests, the benchmarks, the fuzzer's seeds and the
// sample archive. It can scatter block chains, split files over several block
// entries and write damaged variants through the field setters below.

#include <cstdint>
#include <string>
#include <vector>

namespace GcfBuilder
{

// One item of the described tree. The root's name is stored too (the reader
// ignores it and calls the root "root").
struct SItem
{
    std::string sName;
    bool bFolder = false;
    std::string sData;             // a file's bytes
    uint32_t uiFlags = 0;          // a file's flags; 0 is replaced by 0x00004000 (any non-zero marks a file)
    bool bNoData = false;          // directory map says "no data" (uiEntryCount)
    bool bOverrideItemSize = false;
    uint32_t uiItemSize = 0;       // used when bOverrideItemSize: the recorded size differs from the data
    std::vector<SItem> Children;   // a folder's items, in sibling order
    uint32_t uiBlocksPerEntry = 0; // >0: this file's entries hold at most this many blocks (overrides the options)

    static SItem Folder(std::string sName, std::vector<SItem> Children = {});
    static SItem File(std::string sName, std::string sData);
};

struct SOptions
{
    uint32_t uiVersion = 6;          // 3, 5 or 6 (any value is written as given)
    uint32_t uiBlockSize = 8192;     // the GCF Header's copy step
    uint32_t uiDataBlockSize = 8192; // the Data Block Header's block placement
    bool bScatter = false;           // shuffle the blocks of every chain over the data area
    uint32_t uiSeed = 1;             // for the shuffle
    uint32_t uiBlocksPerEntry = 0;   // >0: a file spans entries of at most this many blocks
    uint32_t uiSpareBlocks = 0;      // unused blocks added to the data area
    uint32_t uiEntryChainEnd = 0xFFFFFFFFu;
    bool bHasRecordedSize = false;
    uint32_t uiRecordedSize = 0;     // used when bHasRecordedSize; otherwise the real size
    uint32_t uiChecksumMapCount = 2;
    uint32_t uiMapCount = 2;         // block entry map records (versions 3 and 5)
    uint32_t uiSideACount = 1;
    uint32_t uiSideCCount = 1;
    uint32_t uiTrailingBytes = 0;    // bytes after the data area (0: the data ends the file)

    // Structure sizes the builder normally derives. 0 derives the size; a
    // larger value pads the structure with zeros (side table D for the
    // directory, checksum entries for the checksum area); a value below what
    // the contents need is raised to it.
    uint32_t uiNameTableSize = 0;
    uint32_t uiDirectorySize = 0;
    uint32_t uiChecksumSize = 0;
    uint32_t uiChecksumEntryBytes = 8; // checksum entry bytes before the Data Block Header (derived sizes)
    uint8_t uiFiller = 0xCD;           // the bytes of a block that no copy step reads, spare blocks, trailing bytes
};

// Where the builder put everything: offsets from the start of the file.
struct SLayout
{
    uint32_t uiBlockEntryHeader = 0, uiBlockEntries = 0;
    uint32_t uiFragmentationMapHeader = 0, uiFragmentationMap = 0;
    uint32_t uiBlockEntryMapHeader = 0, uiBlockEntryMap = 0;  // 0 for version 6
    uint32_t uiDirectoryHeader = 0, uiDirectoryEntries = 0, uiNameTable = 0;
    uint32_t uiDirectoryMapHeader = 0, uiDirectoryMap = 0;    // header 0 for version 3
    uint32_t uiChecksumHeader = 0, uiChecksumMapHeader = 0;
    uint32_t uiDataBlockHeader = 0;                           // as the reader reads it (version 3: 4 bytes earlier)
    uint32_t uiDataStart = 0;
    uint32_t uiEntryCount = 0, uiLinkCount = 0, uiItemCount = 0, uiTotalBlocks = 0;
    std::vector<std::string> Paths;      // per directory index: "\root\a\b.txt" ("" past 64 KiB)
    std::vector<uint32_t> FirstEntry;    // per directory index: directory map value

    uint32_t uiGcfHeader = 0;
    uint32_t uiSideTableA = 0, uiSideTableB = 0, uiSideTableC = 0, uiSideTableD = 0;
    uint32_t uiChecksumMap = 0, uiChecksumEntries = 0;
    uint32_t uiNameTableSize = 0, uiDirectorySize = 0, uiChecksumSize = 0, uiMapCount = 0;
    uint32_t uiUsedBlocks = 0, uiBlockSize = 0, uiDataBlockSize = 0;
    uint64_t uiFileSize = 0;             // the real size of the written file
    std::vector<std::vector<uint32_t>> Entries; // per directory index: its block entries in chain order
    std::vector<std::vector<uint32_t>> Blocks;  // per directory index: its data blocks in walk order
};

struct SArchive
{
    std::vector<uint8_t> Bytes;
    SLayout Layout;
};

// Directory indexes are given in pre-order (root 0, then each folder's items
// in sibling order, each followed by its own subtree).
SArchive Build(const SItem &Root, const SOptions &Options = {});

// Field setters for damaged variants (fields as the format names them).
void SetU32(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue);
uint32_t GetU32(const std::vector<uint8_t> &Bytes, uint64_t uiOffset);
enum class EDirField { NameStart = 0, ItemSize = 4, Flags = 12, Parent = 16, NextSibling = 20, FirstChild = 24 };
void SetDirectoryField(SArchive &Archive, uint32_t uiIndex, EDirField eField, uint32_t uiValue);
enum class EEntryField { DataLength = 8, FirstBlock = 12, NextEntry = 16, Owner = 24 };
void SetBlockEntryField(SArchive &Archive, uint32_t uiEntry, EEntryField eField, uint32_t uiValue);
void SetNextBlock(SArchive &Archive, uint32_t uiBlock, uint32_t uiNextBlock);
void SetDirectoryMap(SArchive &Archive, uint32_t uiIndex, uint32_t uiFirstEntry);
// The header fields that the reader interprets, by their offsets in each header.
enum class EHeaderField { Version = 8, RecordedSize = 28, BlockSize = 32, EntryChainEnd = 36 };
void SetHeaderField(SArchive &Archive, EHeaderField eField, uint32_t uiValue);
void SetEntryCount(SArchive &Archive, uint32_t uiValue);  // Block Entry Header
void SetLinkCount(SArchive &Archive, uint32_t uiValue);   // Fragmentation Map Header
enum class EDirectoryHeaderField { ItemCount = 12, DirectorySize = 24, NameTableSize = 28, SideACount = 32, SideCCount = 36 };
void SetDirectoryHeaderField(SArchive &Archive, EDirectoryHeaderField eField, uint32_t uiValue);
void SetChecksumSize(SArchive &Archive, uint32_t uiValue);  // Checksum Header
enum class EDataBlockHeaderField { TotalBlocks = 4, DataBlockSize = 8, DataStart = 12, UsedBlocks = 16 };
// Offsets are those of the 24 bytes as the reader takes them (see SLayout::uiDataBlockHeader).
void SetDataBlockHeaderField(SArchive &Archive, EDataBlockHeaderField eField, uint32_t uiValue);
// SetU32/GetU32 and the setters throw std::out_of_range for a field outside
// the bytes: a test that aims a damaged field at the wrong place should fail
// loudly rather than grow the file.

// Writes the bytes to a file; true on success.
bool WriteFile(const std::string &sPath, const std::vector<uint8_t> &Bytes);

// Builds straight into a file, writing the data area block by block, so that
// a large archive needs little memory beyond its tree. The bytes are those
// that Build gives. True on success; the layout is filled when asked for.
bool BuildToFile(const SItem &Root, const SOptions &Options, const std::string &sPath, SLayout *pLayout = nullptr);

// Deterministic content: uiSize bytes, different for each seed and each
// position, so that a block out of place or a shifted copy shows.
std::string PatternData(uint64_t uiSize, uint32_t uiSeed);
// Readable lines ("0001 <name> line text\n"...) of exactly uiSize bytes.
std::string PatternText(uint64_t uiSize, const std::string &sName);

// A small tree with nested folders, files of several types and sizes
// (empty, one byte, exact block multiples, 1.5 blocks, several blocks) and a
// file ("sound\ambience\wind.wav", 40000 bytes) split over three block
// entries of at most two blocks.
SItem SampleTree();

// uiFolders folders "folder0000"... under the root, each holding
// uiFilesPerFolder files "file00000.txt"... of uiFileSize pattern bytes (0:
// empty files, which take no data block). 5,000 x 19 gives 100,000 items.
SItem WideTree(uint32_t uiFolders, uint32_t uiFilesPerFolder, uint32_t uiFileSize = 0);

// uiFileCount files of about uiTotalBytes in all, in folders of at most 100
// files two levels deep ("pack00\set000\file00042.dat"); sizes range from a
// few bytes to tens of MiB (with the default 1 GiB: a few large files hold
// about a third of the bytes). Deterministic for a given seed.
SItem BulkTree(uint64_t uiTotalBytes = uint64_t(1) << 30, uint32_t uiFileCount = 10000, uint32_t uiSeed = 1);

// Hostile shapes: small archives that make every command's work grow with
// something other than the archive's size unless it is bounded. Used by
// the tests, bench_hostile and the fuzzer's seeds.

// uiDepth folders nested one in the other below the root, each named by
// uiNameBytes letters "a", with a file "bottom" (one byte) in the deepest.
// With bShareNames every folder's name is the same bytes of the name table,
// so the paths grow with depth x name while the archive grows with depth.
SArchive NestedFolders(uint32_t uiDepth, uint32_t uiNameBytes, bool bShareNames, const SOptions &Options = {});

// uiFiles files "file0000"... under the root whose block entries all read
// the first file's chain of uiChainBytes (blocks of uiBlockSize bytes,
// placed in order): each entry is its own file's (its owner is right), and
// each recorded size is the chain's.
SArchive SharedChain(uint32_t uiFiles, uint32_t uiChainBytes, uint32_t uiBlockSize);

// Two files a.txt and b.txt under the root, where b.txt's directory map
// leads to a.txt's first block entry, whose owner is a.txt.
SArchive BorrowedEntry();

// uiNames files with unsafe names ("..", "a/b", ...) in the deepest of
// uiDepth nested folders named by 255 letters each.
SItem UnsafeNamesDeep(uint32_t uiNames, uint32_t uiDepth);

}  // namespace GcfBuilder
