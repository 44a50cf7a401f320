// SPDX-License-Identifier: MIT
#pragma once
// Helpers of the VPK reader's tests: a set opened from exactly sized heap
// copies of its files (a sanitized build sees any read past their ends), the
// directory index of a path, a file's whole data read back, and readable
// names of refusals and damage.

#include "archive/CVPK.h"
#include "archive/CVPKItemData.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/support/TestSupport.h"

#include "VpkBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Larkspur
{

inline void PrintTo(EVPKDamage eDamage, std::ostream *pStream)
{
    *pStream << "damage " << static_cast<int>(eDamage) << " (" << VPKDamageReason(eDamage) << ")";
}

}  // namespace Larkspur

namespace VpkTest
{

using namespace Larkspur;

struct SMemoryVpk
{
    std::vector<std::unique_ptr<uint8_t[]>> Copies;
    CVPK VPK;

    const uint8_t *Copy(const std::vector<uint8_t> &Bytes)
    {
        Copies.emplace_back(new uint8_t[Bytes.empty() ? 1 : Bytes.size()]);
        std::memcpy(Copies.back().get(), Bytes.data(), Bytes.size());
        return Copies.back().get();
    }

    bool Open(const VpkBuilder::SSet &Set, const char *szName = "pak01_dir.vpk")
    {
        VPK.Close();
        Copies.clear();
        std::vector<SVPKMemoryFile> DataFiles;
        for (const auto &[uiIndex, Bytes] : Set.DataFiles)
            DataFiles.push_back({uiIndex, Copy(Bytes), Bytes.size()});
        return VPK.OpenMemory(Copy(Set.Directory), Set.Directory.size(), szName, DataFiles);
    }
};

// Every item's path ("\root\maps\a.bsp") and its directory index.
inline std::map<std::string, uint32_t> IndexByPath(const IArchive &VPK)
{
    std::map<std::string, uint32_t> Indexes;
    for (uint32_t i = 0; i < VPK.GetItemCount(); i++)
    {
        std::string sPath;
        VPK.GetDirectoryItemPath(i, sPath);
        EXPECT_TRUE(Indexes.emplace(sPath, i).second) << "two items at " << sPath;
    }
    return Indexes;
}

// The described bytes of a file, read in one call.
inline std::string ReadAll(const CVPK &VPK, uint32_t uiIndex, EVPKDamage &eResult)
{
    CVPKItemData Data;
    eResult = Data.DescribeItem(VPK, uiIndex);
    std::string sBytes(Data.GetSize(), '\0');
    size_t uiRead = 0;
    EXPECT_TRUE(Data.Read(0, sBytes.data(), sBytes.size(), uiRead));
    EXPECT_EQ(uiRead, sBytes.size());
    return sBytes;
}

}  // namespace VpkTest
