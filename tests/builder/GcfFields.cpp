// SPDX-License-Identifier: MIT
// The field setters that make damaged variants of a built archive, by the
// positions the builder recorded in its layout.

#include "GcfBuilder.h"

#include <stdexcept>
#include <string>

namespace GcfBuilder
{

namespace
{

constexpr uint32_t BLOCK_ENTRY_SIZE = 28;
constexpr uint32_t DIRECTORY_ENTRY_SIZE = 28;

void CheckRange(const std::vector<uint8_t> &Bytes, uint64_t uiOffset)
{
    if (uiOffset > Bytes.size() || Bytes.size() - uiOffset < 4)
        throw std::out_of_range("GcfBuilder: field at " + std::to_string(uiOffset) + " lies outside the " +
                                std::to_string(Bytes.size()) + " bytes");
}

}  // namespace

void SetU32(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue)
{
    CheckRange(Bytes, uiOffset);
    Bytes[uiOffset] = static_cast<uint8_t>(uiValue);
    Bytes[uiOffset + 1] = static_cast<uint8_t>(uiValue >> 8);
    Bytes[uiOffset + 2] = static_cast<uint8_t>(uiValue >> 16);
    Bytes[uiOffset + 3] = static_cast<uint8_t>(uiValue >> 24);
}

uint32_t GetU32(const std::vector<uint8_t> &Bytes, uint64_t uiOffset)
{
    CheckRange(Bytes, uiOffset);
    return static_cast<uint32_t>(Bytes[uiOffset]) | (static_cast<uint32_t>(Bytes[uiOffset + 1]) << 8) |
           (static_cast<uint32_t>(Bytes[uiOffset + 2]) << 16) | (static_cast<uint32_t>(Bytes[uiOffset + 3]) << 24);
}

void SetDirectoryField(SArchive &Archive, uint32_t uiIndex, EDirField eField, uint32_t uiValue)
{
    SetU32(Archive.Bytes,
           Archive.Layout.uiDirectoryEntries + uint64_t(DIRECTORY_ENTRY_SIZE) * uiIndex + static_cast<uint32_t>(eField),
           uiValue);
}

void SetBlockEntryField(SArchive &Archive, uint32_t uiEntry, EEntryField eField, uint32_t uiValue)
{
    SetU32(Archive.Bytes,
           Archive.Layout.uiBlockEntries + uint64_t(BLOCK_ENTRY_SIZE) * uiEntry + static_cast<uint32_t>(eField),
           uiValue);
}

void SetNextBlock(SArchive &Archive, uint32_t uiBlock, uint32_t uiNextBlock)
{
    SetU32(Archive.Bytes, Archive.Layout.uiFragmentationMap + uint64_t(4) * uiBlock, uiNextBlock);
}

void SetDirectoryMap(SArchive &Archive, uint32_t uiIndex, uint32_t uiFirstEntry)
{
    SetU32(Archive.Bytes, Archive.Layout.uiDirectoryMap + uint64_t(4) * uiIndex, uiFirstEntry);
}

void SetHeaderField(SArchive &Archive, EHeaderField eField, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiGcfHeader + static_cast<uint32_t>(eField), uiValue);
}

void SetEntryCount(SArchive &Archive, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiBlockEntryHeader, uiValue);
}

void SetLinkCount(SArchive &Archive, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiFragmentationMapHeader, uiValue);
}

void SetDirectoryHeaderField(SArchive &Archive, EDirectoryHeaderField eField, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiDirectoryHeader + static_cast<uint32_t>(eField), uiValue);
}

void SetChecksumSize(SArchive &Archive, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiChecksumHeader + 4, uiValue);
}

void SetDataBlockHeaderField(SArchive &Archive, EDataBlockHeaderField eField, uint32_t uiValue)
{
    SetU32(Archive.Bytes, Archive.Layout.uiDataBlockHeader + static_cast<uint32_t>(eField), uiValue);
}

}  // namespace GcfBuilder
