// SPDX-License-Identifier: MIT
#pragma once
// How the readers say what went wrong, whatever the format: an Open that was
// refused (EOpenRefusal), and an item whose data could be described only in
// part, or not at all (EDataWalk). Each value has one text, looked up in one
// table, so callers and tests compare values and a changed text is one edit.

namespace Larkspur
{

// Why an archive was not opened. Both readers and the opening function
// (OpenArchive.h) report by these; the texts keep the readers' own lines: a
// first line that says what kind of failure it is ("Corrupt file.") and a
// second that says precisely what is wrong.
enum class EOpenRefusal
{
    None,  // no Open has failed since the last one began

    // A GCF file.
    MapFailed,               // missing, unreadable, empty or not mappable
    TooLarge,                // 4 GiB or more: no 32-bit position reaches that far
    GCFHeaderOutside,        // too short to hold the GCF Header
    BadVersion,              // uiVersion is not 3, 5 or 6
    BlockSizeZero,
    BlockEntryHeaderOutside,
    BlockEntriesOutside,
    FragmentationMapHeaderOutside,
    FragmentationMapOutside,
    BlockEntryMapHeaderOutside,
    DirectoryHeaderOutside,
    DirectoryOutside,
    NameTableOutside,
    DirectoryMapHeaderOutside,
    DirectoryMapOutside,
    ChecksumHeaderOutside,
    ChecksumMapHeaderOutside,
    DataBlockHeaderOutside,
    DataAreaOutside,         // the data area ends beyond the end of the file

    // A VPK directory file.
    VPKMapFailed,            // missing, unreadable, empty or not mappable (or no memory for its tree)
    VPKHeaderOutside,        // too short for the header of its version
    VPKBadSignature,
    VPKBadVersion,           // neither 1 nor 2
    TreeOutside,
    FileDataOutside,         // version 2 sections, in file order
    ArchiveMD5Outside,
    ArchiveMD5NotWhole,      // not a whole number of 28-byte records
    OtherMD5Outside,
    OtherMD5BadSize,         // neither 48 nor 0
    SignatureOutside,
    SignatureDamaged,        // key and signature sizes do not fill the section
    StringNotEnded,          // a string of the tree runs on past its end
    EntryOutside,            // a directory entry runs past the end of the tree
    BadTerminator,           // an entry's terminator is not 0xFFFF
    PreloadOutside,          // preload bytes run past the end of the tree
    TreeEndsEarly,           // the tree's lists end before its recorded size

    // Either.
    CutShort,                // the file was cut short while it was being opened
};

// The user-facing text of a refusal; null for None.
const char *OpenRefusalText(EOpenRefusal eRefusal);

// How an Open ended: the refusal, None when the archive is open.
struct SOpenResult
{
    EOpenRefusal eRefusal = EOpenRefusal::None;

    bool Opened() const { return eRefusal == EOpenRefusal::None; }
    const char *Text() const { return OpenRefusalText(eRefusal); }
};

// How describing an item's data ended. What lies before the damage stays
// described, so a command can write or show that much.
enum class EDataWalk
{
    Complete,         // every byte described
    NoData,           // the archive holds no data for the item (a folder; a GCF file its directory map says so of)
    BadEntry,         // a block entry index at or beyond uiEntryCount
    EntryLoop,        // a block entry reached a second time
    BadBlock,         // a data block index at or beyond uiTotalBlocks
    BlockOutsideFile, // a copy step would read past the end of the file
    BadLink,          // a fragmentation map index at or beyond uiLinkCount
    BlockLoop,        // a data block reached a second time (a loop, or a block
                      // shared between entries), or more data than the data area holds
    TooLong,          // the chains hold more data than the item's recorded size
    CutShort,         // a file of the archive was cut short while it was open
    WrongOwner,       // the first block entry's owner is another item
    SharedData,       // a data block that an earlier item of the command used
    MissingDataFile,  // a VPK file whose data file is not there
    OutsideDataFile,  // a VPK file whose bytes run past the end of its data file
    Overlap,          // a VPK file whose bytes partly overlap those of a file before it
};

// A short English reason for a damaged item ("" for Complete and NoData).
const char *DataWalkReason(EDataWalk eResult);

}  // namespace Larkspur
