// SPDX-License-Identifier: MIT
#pragma once
// Helpers shared by the archive reader's tests: a reader opened on an exactly
// sized heap copy of some bytes, so that a sanitized build sees any read past
// their end, with a temporary folder for the dump of a refused archive; and
// the names of walk results and refusals for readable failures.

#include "archive/CGCF.h"
#include "archive/CItemData.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Larkspur
{

inline void PrintTo(EDataWalk eResult, std::ostream *pStream)
{
    *pStream << "data walk " << static_cast<int>(eResult) << " (" << DataWalkReason(eResult) << ")";
}

inline void PrintTo(EOpenRefusal eRefusal, std::ostream *pStream)
{
    *pStream << "refusal " << static_cast<int>(eRefusal) << " ("
             << (OpenRefusalText(eRefusal) != nullptr ? OpenRefusalText(eRefusal) : "none") << ")";
}

}  // namespace Larkspur

namespace ArchiveTest
{

using namespace Larkspur;
using namespace TestSupport;

// Keeps the bytes alive for as long as the reader views them. A refusal's
// dump goes to DumpFolder.
struct SMemoryArchive
{
    SMemoryArchive() { GCF.SetDumpFolder(DumpFolder.sPath); }

    CTempDir DumpFolder;
    std::unique_ptr<uint8_t[]> Bytes;
    CGCF GCF;

    bool Open(const std::vector<uint8_t> &Source)
    {
        GCF.Close();
        Bytes.reset(new uint8_t[Source.empty() ? 1 : Source.size()]);
        std::copy(Source.begin(), Source.end(), Bytes.get());
        return GCF.OpenMemory(Bytes.get(), Source.size(), "memory.gcf");
    }

    // Where a structure lies in the file, -1 where it is not located.
    int64_t Offset(EGCFStructure eStructure) const
    {
        const std::optional<uint64_t> uiOffset = GCF.GetStructureOffset(eStructure);
        return uiOffset ? static_cast<int64_t>(*uiOffset) : -1;
    }
};

inline void PutU32(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue)
{
    for (int i = 0; i < 4; i++)
        Bytes.at(uiOffset + i) = static_cast<uint8_t>(uiValue >> (8 * i));
}

}  // namespace ArchiveTest
