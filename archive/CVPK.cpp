// SPDX-License-Identifier: MIT
// Opening a VPK directory file: the header, the version 2 sections and the
// refusal texts. The tree is read in CVPKTree.cpp, the queries answered in
// CVPKDirectory.cpp, the data files mapped in CVPKData.cpp.

#include "CVPK.h"


#include <algorithm>
#include <cstring>
#include <new>

namespace Larkspur
{

namespace
{

constexpr uint32_t OTHER_MD5_SECTION_SIZE = sizeof(VPKOtherMD5Section);
constexpr std::string_view DIRECTORY_FILE_SUFFIX = "_dir.vpk";

}  // namespace

const char *VPKRefusalText(EVPKRefusal eRefusal)
{
    switch (eRefusal)
    {
    case EVPKRefusal::None:
        return nullptr;
    case EVPKRefusal::MapFailed:
        return "Failed to map VPK file to memory.\n\nMake sure the file is not already open and that Steam is not "
               "running.";
    case EVPKRefusal::HeaderOutside:
        return "Corrupt file.\n\nThe VPK Header is not within file bounds.";
    case EVPKRefusal::BadSignature:
        return "Invalid VPK signature.\n\nYou have a file that Larkspur does not know how to read as a VPK file.  "
               "Check for product updates.";
    case EVPKRefusal::BadVersion:
        return "Invalid VPK version number.\n\nYou have a version of a VPK file that Larkspur does not know how to "
               "read.  Check for product updates.";
    case EVPKRefusal::TreeOutside:
        return "Corrupt file.\n\nThe directory tree is not within file bounds.";
    case EVPKRefusal::FileDataOutside:
        return "Corrupt file.\n\nThe file data section is not within file bounds.";
    case EVPKRefusal::ArchiveMD5Outside:
        return "Corrupt file.\n\nThe archive MD5 section is not within file bounds.";
    case EVPKRefusal::ArchiveMD5NotWhole:
        return "Corrupt file.\n\nThe archive MD5 section is not a whole number of records.";
    case EVPKRefusal::OtherMD5Outside:
        return "Corrupt file.\n\nThe other MD5 section is not within file bounds.";
    case EVPKRefusal::OtherMD5BadSize:
        return "Corrupt file.\n\nThe other MD5 section is not 48 bytes long.";
    case EVPKRefusal::SignatureOutside:
        return "Corrupt file.\n\nThe signature section is not within file bounds.";
    case EVPKRefusal::SignatureDamaged:
        return "Corrupt file.\n\nThe key and signature sizes do not fill the signature section.";
    case EVPKRefusal::StringNotEnded:
        return "Corrupt file.\n\nA name in the directory tree runs past the end of the tree.";
    case EVPKRefusal::EntryOutside:
        return "Corrupt file.\n\nA directory entry is not within the tree.";
    case EVPKRefusal::BadTerminator:
        return "Corrupt file.\n\nA directory entry does not end with its terminator.";
    case EVPKRefusal::PreloadOutside:
        return "Corrupt file.\n\nA file's preload bytes are not within the tree.";
    case EVPKRefusal::TreeEndsEarly:
        return "Corrupt file.\n\nThe directory tree ends before its recorded size.";
    case EVPKRefusal::CutShort:
        return "Corrupt file.\n\nThe file was cut short while it was being opened.";
    }
    return nullptr;
}

const char *VPKDamageReason(EVPKDamage eDamage)
{
    switch (eDamage)
    {
    case EVPKDamage::None:
        return "";
    case EVPKDamage::NotAFile:
        return "not a file";
    case EVPKDamage::MissingDataFile:
        return "missing data file";
    case EVPKDamage::OutsideDataFile:
        return "data beyond the end of its data file";
    case EVPKDamage::Overlap:
        return "data overlapping another file's";
    case EVPKDamage::DuplicateName:
        return "duplicate name";
    case EVPKDamage::NameTooLong:
        return "name too long";
    }
    return "damaged data";
}

CVPK::CVPK() = default;

CVPK::~CVPK()
{
    Close();
}

bool CVPK::Open(const char *szFileName)
{
    // The path may be our own stored name, which Close empties: keep a copy.
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    eLastRefusal = EVPKRefusal::None;
    Close();
    if (szFileName == nullptr || !Directory.Map(sPath.c_str()))
        return Refuse(EVPKRefusal::MapFailed);
    sFileName = sPath;
    if (!Validate())
        return false;
    PrepareDataFiles(nullptr);
    return true;
}

bool CVPK::OpenMemory(const void *lpData, size_t uiSize, const char *szFileName,
                      const std::vector<SVPKMemoryFile> &MemoryFiles)
{
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    eLastRefusal = EVPKRefusal::None;
    Close();
    if (lpData == nullptr || uiSize == 0)
        return Refuse(EVPKRefusal::MapFailed);
    Directory.Borrow(lpData, uiSize);
    bInMemory = true;
    sFileName = sPath;
    if (!Validate())
        return false;
    PrepareDataFiles(&MemoryFiles);
    return true;
}

bool CVPK::Validate()
{
    Directory.sPath = sFileName;
    Directory.uiArchiveIndex = VPK_DIRECTORY_FILE_INDEX;
    // A set has data files only when its directory file says so by its name;
    // a single file holds all its data.
    bHasDataFiles = sFileName.size() > DIRECTORY_FILE_SUFFIX.size() &&
                    std::string_view(sFileName).substr(sFileName.size() - DIRECTORY_FILE_SUFFIX.size()) ==
                        DIRECTORY_FILE_SUFFIX;

    EVPKRefusal eRefusal = ReadSections(Directory.GetSize());
    if (eRefusal == EVPKRefusal::None)
    {
        try
        {
            eRefusal = ReadTree();
            if (eRefusal == EVPKRefusal::None)
            {
                MarkOverlaps();
                AddUpFolders();
            }
        }
        catch (const std::bad_alloc &)
        {
            eRefusal = EVPKRefusal::MapFailed;
        }
    }
    if (eRefusal != EVPKRefusal::None)
        return Refuse(eRefusal);
    return true;
}

EVPKRefusal CVPK::ReadSections(uint64_t uiSize)
{
    VPKHeaderV2 Header{};
    if (uiSize < sizeof(VPKHeaderV1))
        return EVPKRefusal::HeaderOutside;
    if (!Directory.ReadBytes(0, &Header, std::min<uint64_t>(uiSize, sizeof Header)))
        return EVPKRefusal::CutShort;
    if (Header.uiSignature != VPK_SIGNATURE)
        return EVPKRefusal::BadSignature;
    const uint32_t uiVersion = Header.uiVersion;
    if (uiVersion != 1 && uiVersion != 2)
        return EVPKRefusal::BadVersion;
    const uint32_t uiHeaderSize = uiVersion == 1 ? sizeof(VPKHeaderV1) : sizeof(VPKHeaderV2);
    if (uiSize < uiHeaderSize)
        return EVPKRefusal::HeaderOutside;

    // Each section follows the one before; 64-bit sums of 32-bit sizes
    // cannot wrap back into the file.
    SVPKSections Placed;
    Placed.uiVersion = uiVersion;
    Placed.uiHeaderSize = uiHeaderSize;
    Placed.uiTreeSize = Header.uiTreeSize;
    Placed.uiFileDataOffset = uint64_t{uiHeaderSize} + Placed.uiTreeSize;
    if (Placed.uiFileDataOffset > uiSize)
        return EVPKRefusal::TreeOutside;
    if (uiVersion == 1)
    {
        Placed.uiFileDataSize = uiSize - Placed.uiFileDataOffset;
        Sections = Placed;
        return EVPKRefusal::None;
    }

    Placed.uiFileDataSize = Header.uiFileDataSectionSize;
    Placed.uiArchiveMD5Offset = Placed.uiFileDataOffset + Placed.uiFileDataSize;
    if (Placed.uiArchiveMD5Offset > uiSize)
        return EVPKRefusal::FileDataOutside;
    Placed.uiArchiveMD5Size = Header.uiArchiveMD5SectionSize;
    Placed.uiOtherMD5Offset = Placed.uiArchiveMD5Offset + Placed.uiArchiveMD5Size;
    if (Placed.uiOtherMD5Offset > uiSize)
        return EVPKRefusal::ArchiveMD5Outside;
    if (Placed.uiArchiveMD5Size % sizeof(VPKArchiveMD5Entry) != 0)
        return EVPKRefusal::ArchiveMD5NotWhole;
    Placed.uiOtherMD5Size = Header.uiOtherMD5SectionSize;
    Placed.uiSignatureOffset = Placed.uiOtherMD5Offset + Placed.uiOtherMD5Size;
    if (Placed.uiSignatureOffset > uiSize)
        return EVPKRefusal::OtherMD5Outside;
    if (Placed.uiOtherMD5Size != 0 && Placed.uiOtherMD5Size != OTHER_MD5_SECTION_SIZE)
        return EVPKRefusal::OtherMD5BadSize;
    Placed.uiSignatureSize = Header.uiSignatureSectionSize;
    if (Placed.uiSignatureOffset + Placed.uiSignatureSize > uiSize)
        return EVPKRefusal::SignatureOutside;

    if (Placed.uiSignatureSize > 0)
    {
        // Public key size, key, signature size, signature: exactly the section.
        const uint64_t uiSection = Placed.uiSignatureSize;
        LE32 KeySize{}, SignatureSize{};
        if (uiSection < 8)
            return EVPKRefusal::SignatureDamaged;
        if (!Directory.ReadAt(Placed.uiSignatureOffset, KeySize))
            return EVPKRefusal::CutShort;
        if (uint64_t{KeySize} > uiSection - 8)
            return EVPKRefusal::SignatureDamaged;
        if (!Directory.ReadAt(Placed.uiSignatureOffset + 4 + KeySize, SignatureSize))
            return EVPKRefusal::CutShort;
        if (8 + uint64_t{KeySize} + SignatureSize != uiSection)
            return EVPKRefusal::SignatureDamaged;
        Placed.uiPublicKeySize = KeySize;
        Placed.uiSignatureBytes = SignatureSize;
    }

    // The records lie inside the file, so their number is bounded by its size.
    ArchiveMD5Entries.resize(Placed.uiArchiveMD5Size / sizeof(VPKArchiveMD5Entry));
    if (!Directory.ReadBytes(Placed.uiArchiveMD5Offset, ArchiveMD5Entries.data(), Placed.uiArchiveMD5Size) ||
        (Placed.uiOtherMD5Size > 0 && !Directory.ReadAt(Placed.uiOtherMD5Offset, OtherMD5)))
        return EVPKRefusal::CutShort;
    Sections = Placed;
    return EVPKRefusal::None;
}

bool CVPK::Refuse(EVPKRefusal eRefusal)
{
    eLastRefusal = eRefusal;
    Close();
    return false;
}

void CVPK::Close()
{
    sFileName.clear();
    bHasDataFiles = false;
    bInMemory = false;
    Sections = SVPKSections();
    Summary = SVPKSummary();
    OtherMD5 = VPKOtherMD5Section{};
    // Given back at once: a large tree's copy should not outlive it.
    std::vector<VPKArchiveMD5Entry>().swap(ArchiveMD5Entries);
    std::vector<SItem>().swap(Items);
    std::vector<SFolder>().swap(Folders);
    std::vector<SVPKFileEntry>().swap(Files);
    std::string().swap(Names);
    std::vector<SVPKLeftOut>().swap(LeftOut);
    DataFiles.clear();
    Directory.Unmap();
    Directory.sPath.clear();
}

bool CVPK::Opened() const
{
    return Directory.IsMapped();
}

uint64_t CVPK::GetFileSize() const
{
    return Directory.GetSize();
}

const VPKOtherMD5Section *CVPK::GetOtherMD5() const
{
    return Opened() && Sections.uiOtherMD5Size > 0 ? &OtherMD5 : nullptr;
}

}  // namespace Larkspur
