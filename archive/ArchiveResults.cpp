// SPDX-License-Identifier: MIT
// The one text of each refusal and each kind of damage.

#include "ArchiveResults.h"

namespace Larkspur
{

// One case per refusal: the table of texts, long only by its rows.
const char *OpenRefusalText(EOpenRefusal eRefusal)
{
    switch (eRefusal)
    {
    case EOpenRefusal::None:
        return nullptr;
    case EOpenRefusal::MapFailed:
        return "Failed to map GCF file to memory.\n\nMake sure the file is not already open and that Steam is not "
               "running.";
    case EOpenRefusal::TooLarge:
        return "File too large.\n\nA GCF file is smaller than 4 GB; this file is 4 GB or larger.";
    case EOpenRefusal::GCFHeaderOutside:
        return "Corrupt file.\n\nThe GCF Header is not within file bounds.";
    case EOpenRefusal::BadVersion:
        return "Invalid GCF version number.\n\nYou have a version of a GCF file that Larkspur does not know how to "
               "read.  Check for product updates.";
    case EOpenRefusal::BlockSizeZero:
        return "Corrupt file.\n\nThe block size is zero.";
    case EOpenRefusal::BlockEntryHeaderOutside:
        return "Corrupt file.\n\nThe Block Entry Header is not within file bounds.";
    case EOpenRefusal::BlockEntriesOutside:
        return "Corrupt file.\n\nThe block entries are not within file bounds.";
    case EOpenRefusal::FragmentationMapHeaderOutside:
        return "Corrupt file.\n\nThe Fragmentation Map Header is not within file bounds.";
    case EOpenRefusal::FragmentationMapOutside:
        return "Corrupt file.\n\nThe fragmentation map is not within file bounds.";
    case EOpenRefusal::BlockEntryMapHeaderOutside:
        return "Corrupt file.\n\nThe Block Entry Map Header is not within file bounds.";
    case EOpenRefusal::DirectoryHeaderOutside:
        return "Corrupt file.\n\nThe Directory Header is not within file bounds.";
    case EOpenRefusal::DirectoryOutside:
        return "Corrupt file.\n\nThe directory is not within file bounds.";
    case EOpenRefusal::NameTableOutside:
        return "Corrupt file.\n\nThe name table is not within file bounds.";
    case EOpenRefusal::DirectoryMapHeaderOutside:
        return "Corrupt file.\n\nThe Directory Map Header is not within file bounds.";
    case EOpenRefusal::DirectoryMapOutside:
        return "Corrupt file.\n\nThe directory map is not within file bounds.";
    case EOpenRefusal::ChecksumHeaderOutside:
        return "Corrupt file.\n\nThe Checksum Header is not within file bounds.";
    case EOpenRefusal::ChecksumMapHeaderOutside:
        return "Corrupt file.\n\nThe Checksum Map Header is not within file bounds.";
    case EOpenRefusal::DataBlockHeaderOutside:
        return "Corrupt file.\n\nThe Data Block Header is not within file bounds.";
    case EOpenRefusal::DataAreaOutside:
        return "Corrupt file.\n\nThe file map is not within file bounds.";
    case EOpenRefusal::VPKMapFailed:
        return "Failed to map VPK file to memory.\n\nMake sure the file is not already open and that Steam is not "
               "running.";
    case EOpenRefusal::VPKHeaderOutside:
        return "Corrupt file.\n\nThe VPK Header is not within file bounds.";
    case EOpenRefusal::VPKBadSignature:
        return "Invalid VPK signature.\n\nYou have a file that Larkspur does not know how to read as a VPK file.  "
               "Check for product updates.";
    case EOpenRefusal::VPKBadVersion:
        return "Invalid VPK version number.\n\nYou have a version of a VPK file that Larkspur does not know how to "
               "read.  Check for product updates.";
    case EOpenRefusal::TreeOutside:
        return "Corrupt file.\n\nThe directory tree is not within file bounds.";
    case EOpenRefusal::FileDataOutside:
        return "Corrupt file.\n\nThe file data section is not within file bounds.";
    case EOpenRefusal::ArchiveMD5Outside:
        return "Corrupt file.\n\nThe archive MD5 section is not within file bounds.";
    case EOpenRefusal::ArchiveMD5NotWhole:
        return "Corrupt file.\n\nThe archive MD5 section is not a whole number of records.";
    case EOpenRefusal::OtherMD5Outside:
        return "Corrupt file.\n\nThe other MD5 section is not within file bounds.";
    case EOpenRefusal::OtherMD5BadSize:
        return "Corrupt file.\n\nThe other MD5 section is not 48 bytes long.";
    case EOpenRefusal::SignatureOutside:
        return "Corrupt file.\n\nThe signature section is not within file bounds.";
    case EOpenRefusal::SignatureDamaged:
        return "Corrupt file.\n\nThe key and signature sizes do not fill the signature section.";
    case EOpenRefusal::StringNotEnded:
        return "Corrupt file.\n\nA name in the directory tree runs past the end of the tree.";
    case EOpenRefusal::EntryOutside:
        return "Corrupt file.\n\nA directory entry is not within the tree.";
    case EOpenRefusal::BadTerminator:
        return "Corrupt file.\n\nA directory entry does not end with its terminator.";
    case EOpenRefusal::PreloadOutside:
        return "Corrupt file.\n\nA file's preload bytes are not within the tree.";
    case EOpenRefusal::TreeEndsEarly:
        return "Corrupt file.\n\nThe directory tree ends before its recorded size.";
    case EOpenRefusal::CutShort:
        return "Corrupt file.\n\nThe file was cut short while it was being opened.";
    }
    return nullptr;
}

const char *DataWalkReason(EDataWalk eResult)
{
    switch (eResult)
    {
    case EDataWalk::Complete:
    case EDataWalk::NoData:
        return "";
    case EDataWalk::BadEntry:
        return "block entry index out of range";
    case EDataWalk::EntryLoop:
        return "damaged block entry chain";
    case EDataWalk::BadBlock:
        return "data block index out of range";
    case EDataWalk::BlockOutsideFile:
        return "data block beyond the end of the file";
    case EDataWalk::BadLink:
        return "fragmentation map index out of range";
    case EDataWalk::BlockLoop:
        return "damaged block chain";
    case EDataWalk::TooLong:
        return "more data than the item's recorded size";
    case EDataWalk::CutShort:
        return "the archive was cut short while it was open";
    case EDataWalk::WrongOwner:
        return "the data belongs to another item";
    case EDataWalk::SharedData:
        return "data shared with another item";
    case EDataWalk::MissingDataFile:
        return "missing data file";
    case EDataWalk::OutsideDataFile:
        return "data beyond the end of its data file";
    case EDataWalk::Overlap:
        return "data overlapping another file's";
    }
    return "damaged data";
}

}  // namespace Larkspur
