// SPDX-License-Identifier: MIT
#pragma once
// The project's own VPK writer: builds sets of versions 1 and 2 (a directory
// file and numbered data files) from a list of files, for the tests, the
// benchmarks and the fuzzer's seeds. Preload bytes, entries stored in the
// directory file (archive index 0x7FFF), several data files, identical data
// stored once, MD5 sections and a signature section; damaged variants through
// the field setters below.

#include "GcfBuilder.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace VpkBuilder
{

constexpr uint16_t IN_DIRECTORY_FILE = 0x7FFF;

// One file of the set, as the tree stores it: folder path, name and
// extension apart ("" for the root path and for no extension: both are
// written as a blank).
struct SFile
{
    std::string sPath;
    std::string sName;
    std::string sExtension;
    std::string sData;
    uint16_t uiPreload = 0;                     // first bytes kept in the tree (at most the data's size)
    uint16_t uiArchiveIndex = IN_DIRECTORY_FILE; // or the data file's number

    // Splits "maps/sub/a.bsp" into path, name and extension (at the last dot,
    // unless the name begins or ends with it).
    static SFile At(const std::string &sFullPath, std::string sData, uint16_t uiArchiveIndex = IN_DIRECTORY_FILE,
                    uint16_t uiPreload = 0);
    // "maps/sub/a.bsp", as At takes it.
    std::string FullPath() const;
};

struct SOptions
{
    uint32_t uiVersion = 2;       // 1 or 2 (any value is written as given)
    bool bShareIdentical = false; // identical data in one file of the set is stored once
    bool bArchiveMD5 = true;      // version 2: a record per chunk of each data file
    uint32_t uiChunkSize = 1u << 20;
    bool bOtherMD5 = true;        // version 2: the 48-byte section
    bool bSignature = false;      // version 2: a signature section with these bytes
    std::string sPublicKey = "public key";
    std::string sSignature = "signature";
};

// Where the builder put everything in the directory file.
struct SLayout
{
    uint32_t uiHeaderSize = 0, uiTreeSize = 0;
    uint64_t uiFileDataOffset = 0, uiFileDataSize = 0;
    uint64_t uiArchiveMD5Offset = 0, uiArchiveMD5Size = 0;
    uint64_t uiOtherMD5Offset = 0, uiOtherMD5Size = 0;
    uint64_t uiSignatureOffset = 0, uiSignatureSize = 0;
    // Per file given to Build, in its order:
    std::vector<uint64_t> EntryOffsets;  // of its 18-byte entry
    std::vector<uint64_t> NameOffsets;   // of its name string in the tree
    std::vector<std::string> Paths;      // "\root\maps\a.bsp", as the reader builds them
};

struct SSet
{
    std::vector<uint8_t> Directory;
    std::map<uint16_t, std::vector<uint8_t>> DataFiles;
    SLayout Layout;
};

// The tree lists the files by extension, then by path, each in the order
// they first appear in Files.
SSet Build(const std::vector<SFile> &Files, const SOptions &Options = {});

// Writes NAME_dir.vpk and NAME_000.vpk and up into sFolder (NAME.vpk alone
// when bSingle; data files are then not written). True on success.
bool WriteSet(const SSet &Set, const std::string &sFolder, const std::string &sName, bool bSingle = false);

// The files of a GCF builder tree (folders below the root become paths;
// empty folders cannot be stored and are left out), each with the given
// preload and, round robin, in data files 0 to uiDataFiles - 1 (0: all in
// the directory file).
std::vector<SFile> FilesFromTree(const GcfBuilder::SItem &Root, uint32_t uiDataFiles = 0, uint16_t uiPreload = 0);

// The inverse: a GCF builder tree ("root") holding the same files at the
// same paths, folders made as the paths name them, in the files' order.
GcfBuilder::SItem TreeFromFiles(const std::vector<SFile> &Files);

// A small set's files of every kind: root files, nested paths, empty and
// preload-only files, no extension, data in the directory file and in data
// files 0 and 1.
std::vector<SFile> SampleFiles();

// Field setters for damaged variants.
enum class EHeaderField { Signature = 0, Version = 4, TreeSize = 8, FileDataSize = 12, ArchiveMD5Size = 16,
                          OtherMD5Size = 20, SignatureSize = 24 };
void SetHeaderField(SSet &Set, EHeaderField eField, uint32_t uiValue);
enum class EEntryField { CRC = 0, PreloadBytes = 4, ArchiveIndex = 6, EntryOffset = 8, EntryLength = 12,
                         Terminator = 16 };
// Preload bytes, archive index and terminator are 16-bit (the value is cut).
void SetEntryField(SSet &Set, size_t uiFile, EEntryField eField, uint32_t uiValue);

// CRC32 (zlib's) and MD5 of some bytes, as the set records them.
uint32_t Crc32(const std::string &sData);
std::string Md5(const void *lpData, size_t uiSize);

}  // namespace VpkBuilder
