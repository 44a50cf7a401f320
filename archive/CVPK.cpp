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

const char *VPKDamageReason(EVPKDamage eDamage)
{
    switch (eDamage)
    {
    case EVPKDamage::None:
        return "";
    case EVPKDamage::NotAFile:
        return "not a file";
    // A damaged file reads as any archive's damaged item does.
    case EVPKDamage::MissingDataFile:
        return DataWalkReason(EDataWalk::MissingDataFile);
    case EVPKDamage::OutsideDataFile:
        return DataWalkReason(EDataWalk::OutsideDataFile);
    case EVPKDamage::Overlap:
        return DataWalkReason(EDataWalk::Overlap);
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
    eLastRefusal = EOpenRefusal::None;
    Close();
    if (szFileName == nullptr || !Directory.Map(sPath.c_str()))
        return Refuse(EOpenRefusal::VPKMapFailed);
    sFileName = sPath;
    return Validate(nullptr);
}

bool CVPK::OpenMemory(const void *lpData, size_t uiSize, const char *szFileName,
                      const std::vector<SVPKMemoryFile> &MemoryFiles)
{
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    eLastRefusal = EOpenRefusal::None;
    Close();
    if (lpData == nullptr || uiSize == 0)
        return Refuse(EOpenRefusal::VPKMapFailed);
    Directory.Borrow(lpData, uiSize);
    bInMemory = true;
    sFileName = sPath;
    return Validate(&MemoryFiles);
}

bool CVPK::Validate(const std::vector<SVPKMemoryFile> *lpMemoryFiles)
{
    Directory.sPath = sFileName;
    Directory.uiArchiveIndex = VPK_DIRECTORY_FILE_INDEX;
    // A set has data files only when its directory file says so by its name;
    // a single file holds all its data.
    bHasDataFiles = sFileName.size() > DIRECTORY_FILE_SUFFIX.size() &&
                    std::string_view(sFileName).substr(sFileName.size() - DIRECTORY_FILE_SUFFIX.size()) ==
                        DIRECTORY_FILE_SUFFIX;

    EOpenRefusal eRefusal = ReadSections(Directory.GetSize());
    if (eRefusal == EOpenRefusal::None)
    {
        try
        {
            eRefusal = ReadTree();
            if (eRefusal == EOpenRefusal::None)
            {
                PrepareDataFiles(lpMemoryFiles);
                MarkOutside();
                MarkOverlaps();
                AddUpFolders();
            }
        }
        catch (const std::bad_alloc &)
        {
            eRefusal = EOpenRefusal::VPKMapFailed;
        }
    }
    if (eRefusal != EOpenRefusal::None)
        return Refuse(eRefusal);
    return true;
}

EOpenRefusal CVPK::ReadSections(uint64_t uiSize)
{
    VPKHeaderV2 Header{};
    if (uiSize < sizeof(VPKHeaderV1))
        return EOpenRefusal::VPKHeaderOutside;
    if (!Directory.ReadBytes(0, &Header, std::min<uint64_t>(uiSize, sizeof Header)))
        return EOpenRefusal::CutShort;
    if (Header.uiSignature != VPK_SIGNATURE)
        return EOpenRefusal::VPKBadSignature;
    const uint32_t uiVersion = Header.uiVersion;
    if (uiVersion != 1 && uiVersion != 2)
        return EOpenRefusal::VPKBadVersion;
    const uint32_t uiHeaderSize = uiVersion == 1 ? sizeof(VPKHeaderV1) : sizeof(VPKHeaderV2);
    if (uiSize < uiHeaderSize)
        return EOpenRefusal::VPKHeaderOutside;

    // Each section follows the one before; 64-bit sums of 32-bit sizes
    // cannot wrap back into the file.
    SVPKSections Placed;
    Placed.uiVersion = uiVersion;
    Placed.uiHeaderSize = uiHeaderSize;
    Placed.uiTreeSize = Header.uiTreeSize;
    Placed.uiFileDataOffset = uint64_t{uiHeaderSize} + Placed.uiTreeSize;
    if (Placed.uiFileDataOffset > uiSize)
        return EOpenRefusal::TreeOutside;
    if (uiVersion == 1)
    {
        Placed.uiFileDataSize = uiSize - Placed.uiFileDataOffset;
        Sections = Placed;
        return EOpenRefusal::None;
    }

    Placed.uiFileDataSize = Header.uiFileDataSectionSize;
    Placed.uiArchiveMD5Offset = Placed.uiFileDataOffset + Placed.uiFileDataSize;
    if (Placed.uiArchiveMD5Offset > uiSize)
        return EOpenRefusal::FileDataOutside;
    Placed.uiArchiveMD5Size = Header.uiArchiveMD5SectionSize;
    Placed.uiOtherMD5Offset = Placed.uiArchiveMD5Offset + Placed.uiArchiveMD5Size;
    if (Placed.uiOtherMD5Offset > uiSize)
        return EOpenRefusal::ArchiveMD5Outside;
    if (Placed.uiArchiveMD5Size % sizeof(VPKArchiveMD5Entry) != 0)
        return EOpenRefusal::ArchiveMD5NotWhole;
    Placed.uiOtherMD5Size = Header.uiOtherMD5SectionSize;
    Placed.uiSignatureOffset = Placed.uiOtherMD5Offset + Placed.uiOtherMD5Size;
    if (Placed.uiSignatureOffset > uiSize)
        return EOpenRefusal::OtherMD5Outside;
    if (Placed.uiOtherMD5Size != 0 && Placed.uiOtherMD5Size != OTHER_MD5_SECTION_SIZE)
        return EOpenRefusal::OtherMD5BadSize;
    Placed.uiSignatureSize = Header.uiSignatureSectionSize;
    if (Placed.uiSignatureOffset + Placed.uiSignatureSize > uiSize)
        return EOpenRefusal::SignatureOutside;

    if (Placed.uiSignatureSize > 0)
    {
        // Public key size, key, signature size, signature: exactly the section.
        const uint64_t uiSection = Placed.uiSignatureSize;
        LE32 KeySize{}, SignatureSize{};
        if (uiSection < 8)
            return EOpenRefusal::SignatureDamaged;
        if (!Directory.ReadAt(Placed.uiSignatureOffset, KeySize))
            return EOpenRefusal::CutShort;
        if (uint64_t{KeySize} > uiSection - 8)
            return EOpenRefusal::SignatureDamaged;
        if (!Directory.ReadAt(Placed.uiSignatureOffset + 4 + KeySize, SignatureSize))
            return EOpenRefusal::CutShort;
        if (8 + uint64_t{KeySize} + SignatureSize != uiSection)
            return EOpenRefusal::SignatureDamaged;
        Placed.uiPublicKeySize = KeySize;
        Placed.uiSignatureBytes = SignatureSize;
    }

    // The records lie inside the file, so their number is bounded by its size.
    ArchiveMD5Entries.resize(Placed.uiArchiveMD5Size / sizeof(VPKArchiveMD5Entry));
    if (!Directory.ReadBytes(Placed.uiArchiveMD5Offset, ArchiveMD5Entries.data(), Placed.uiArchiveMD5Size) ||
        (Placed.uiOtherMD5Size > 0 && !Directory.ReadAt(Placed.uiOtherMD5Offset, OtherMD5)))
        return EOpenRefusal::CutShort;
    Sections = Placed;
    return EOpenRefusal::None;
}

bool CVPK::Refuse(EOpenRefusal eRefusal)
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
