// SPDX-License-Identifier: MIT
#pragma once
// An archive written by the builder into a temporary folder and opened from
// there, for the tests that read item data (preview, checksums, cat and
// hash): the items' indexes by path, their data blocks, damage to their
// chains, and the file cut short under the open archive.

#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

namespace DataTest
{

// A file whose directory map says it has no data, with a recorded size.
inline GcfBuilder::SItem Ghost(const char *szName, uint32_t uiSize)
{
    GcfBuilder::SItem Item = GcfBuilder::SItem::File(szName, "");
    Item.bNoData = true;
    Item.bOverrideItemSize = true;
    Item.uiItemSize = uiSize;
    return Item;
}

class CDataArchive
{
public:
    explicit CDataArchive(const GcfBuilder::SItem &Root, const GcfBuilder::SOptions &Options = {})
        : Archive(GcfBuilder::Build(Root, Options)), sPath(Temp / "data.gcf")
    {
        GCF.SetDumpFolder(Temp.sPath);
    }

    // Writes the archive as it stands (damage included) and opens it.
    bool Open()
    {
        GCF.Close();
        return GcfBuilder::WriteFile(sPath, Archive.Bytes) && GCF.Open(sPath.c_str());
    }

    // The directory index of "\root\..." (the builder's paths).
    uint32_t Index(const std::string &sItemPath) const
    {
        const auto &Paths = Archive.Layout.Paths;
        const auto Found = std::find(Paths.begin(), Paths.end(), sItemPath);
        EXPECT_NE(Found, Paths.end()) << sItemPath;
        return uint32_t(Found - Paths.begin());
    }

    // Makes the link after the item's uiBlock-th data block point past the
    // data area: its chain breaks there.
    void BreakChainAfter(const std::string &sItemPath, size_t uiBlock)
    {
        GcfBuilder::SetNextBlock(Archive, Archive.Layout.Blocks[Index(sItemPath)].at(uiBlock), 0x7FFFFFF0u);
    }

    // Cuts the open archive's file short, as another program may.
    void CutShortAt(uint64_t uiSize) const { ASSERT_EQ(::truncate(sPath.c_str(), off_t(uiSize)), 0); }

    TestSupport::CTempDir Temp;
    GcfBuilder::SArchive Archive;
    const std::string sPath;
    Larkspur::CGCF GCF;
};

}  // namespace DataTest
