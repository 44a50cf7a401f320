// SPDX-License-Identifier: MIT
#include "dialogs/ItemChecksums.h"

#include "archive/IArchive.h"
#include "window/Utils.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>

namespace Larkspur
{

namespace
{

std::string HexText(const uint8_t *lpBytes, size_t uiCount)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string sText;
    sText.reserve(uiCount * 2);
    for (size_t i = 0; i < uiCount; ++i)
    {
        sText.push_back(DIGITS[lpBytes[i] >> 4]);
        sText.push_back(DIGITS[lpBytes[i] & 0x0F]);
    }
    return sText;
}

}  // namespace

struct CItemChecksums::SSha256
{
    SSha256() : lpContext(EVP_MD_CTX_new())
    {
        bUsable = lpContext != nullptr && EVP_DigestInit_ex(lpContext, EVP_sha256(), nullptr) == 1;
    }
    ~SSha256() { EVP_MD_CTX_free(lpContext); }
    SSha256(const SSha256 &) = delete;
    SSha256 &operator=(const SSha256 &) = delete;

    EVP_MD_CTX *lpContext;
    bool bUsable = false;
};

CItemChecksums::CItemChecksums(const IArchive &Archive, uint32_t uiDirectoryIndex, EChecksums eWanted)
    : Archive(Archive), uiDirectoryIndex(uiDirectoryIndex), eWanted(eWanted)
{
    if (Archive.IsValidDirectoryIndex(uiDirectoryIndex) && !Archive.IsFolder(uiDirectoryIndex))
        uiItemSize = Archive.GetDirectoryItemSize(uiDirectoryIndex);
}

CItemChecksums::~CItemChecksums() = default;

void CItemChecksums::Begin()
{
    const EDataWalk eWalk = Data.DescribeItem(Archive, uiDirectoryIndex);
    // An empty file may have no data at all: its sums are those of no bytes.
    if (eWalk == EDataWalk::NoData && uiItemSize > 0)
    {
        eState = EChecksumState::NoData;
        return;
    }
    if (eWalk == EDataWalk::CutShort)
    {
        eState = EChecksumState::CutShort;
        return;
    }
    // Sums of a part of the data, or of more than the file's size, would
    // match no copy of the file: a damaged item gets none.
    if ((eWalk != EDataWalk::Complete && eWalk != EDataWalk::NoData) || Data.GetSize() != uiItemSize)
    {
        eState = EChecksumState::Damaged;
        return;
    }
    if ((unsigned(eWanted) & unsigned(EChecksums::Sha256)) != 0)
    {
        Sha256 = std::make_unique<SSha256>();
        if (!Sha256->bUsable)
        {
            bHashFailed = true;
            eState = EChecksumState::Damaged;
            return;
        }
    }
    uiCrc32 = uint32_t(crc32_z(0, nullptr, 0));
    Buffer.resize(size_t(std::min<uint64_t>(READ_BYTES, uiItemSize)));
    eState = EChecksumState::Running;
}

EChecksumState CItemChecksums::Step(uint64_t uiBytes)
{
    if (eState == EChecksumState::Ready)
        Begin();
    if (eState != EChecksumState::Running)
        return eState;

    const bool bCrc32 = (unsigned(eWanted) & unsigned(EChecksums::Crc32)) != 0;
    uint64_t uiBudget = std::max<uint64_t>(uiBytes, 1);
    while (uiDone < uiItemSize && uiBudget > 0)
    {
        const size_t uiChunk = size_t(std::min<uint64_t>({Buffer.size(), uiBudget, uiItemSize - uiDone}));
        size_t uiRead = 0;
        if (!Data.Read(uiDone, Buffer.data(), uiChunk, uiRead) || uiRead != uiChunk)
        {
            eState = Archive.IsCutShort() ? EChecksumState::CutShort : EChecksumState::Damaged;
            return eState;
        }
        if (Sha256)
            EVP_DigestUpdate(Sha256->lpContext, Buffer.data(), uiChunk);
        if (bCrc32)
            uiCrc32 = uint32_t(crc32_z(uiCrc32, Buffer.data(), uiChunk));
        uiDone += uiChunk;
        uiBudget -= uiChunk;
    }
    if (uiDone == uiItemSize)
        Finish();
    return eState;
}

EChecksumState CItemChecksums::Run()
{
    while (Step(UINT64_MAX) == EChecksumState::Running)
    {
    }
    return eState;
}

void CItemChecksums::Finish()
{
    if ((unsigned(eWanted) & unsigned(EChecksums::Crc32)) != 0)
    {
        const uint8_t Bytes[4] = {uint8_t(uiCrc32 >> 24), uint8_t(uiCrc32 >> 16), uint8_t(uiCrc32 >> 8),
                                  uint8_t(uiCrc32)};
        sCrc32 = HexText(Bytes, sizeof Bytes);
    }
    if (Sha256)
    {
        uint8_t Digest[EVP_MAX_MD_SIZE];
        unsigned int uiLength = 0;
        if (EVP_DigestFinal_ex(Sha256->lpContext, Digest, &uiLength) != 1)
        {
            bHashFailed = true;
            eState = EChecksumState::Damaged;
            return;
        }
        sSha256 = HexText(Digest, uiLength);
        Sha256.reset();
    }
    Buffer = std::vector<uint8_t>();
    eState = EChecksumState::Done;
}

std::string CItemChecksums::Problem() const
{
    switch (eState)
    {
    case EChecksumState::NoData:
        return "no physical data";
    case EChecksumState::CutShort:
        return DataWalkReason(EDataWalk::CutShort);
    case EChecksumState::Damaged:
        if (bHashFailed)
            return "the hash library failed";
        if (Data.GetResult() != EDataWalk::Complete)
            return DataWalkReason(Data.GetResult());
        return "the data holds " + Utils::GroupedNumber(Data.GetSize()).toStdString() + " of " +
               Utils::GroupedNumber(uiItemSize).toStdString() + " bytes";
    default:
        return std::string();
    }
}

}  // namespace Larkspur
