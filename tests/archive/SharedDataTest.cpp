// SPDX-License-Identifier: MIT
// One command's items against each other: data that starts with another
// item's block entry, blocks that an earlier item used, and copy steps that
// would make the command's output outgrow the data area.

#include "ArchiveTestSupport.h"

#include "GcfBuilder.h"

#include <functional>

using namespace Larkspur;
using namespace ArchiveTest;
using namespace GcfBuilder;

namespace
{

struct SSharing
{
    const char *szName;
    std::function<void(SArchive &)> Damage;
    EDataWalk eAlone, eAfterFirst;  // b.txt described alone, and after a.txt in one command
};

void PrintTo(const SSharing &Case, std::ostream *lpStream)
{
    *lpStream << Case.szName;
}

class SharedData : public testing::TestWithParam<SSharing>
{
};

// a.txt (index 1) and b.txt (index 2), one 64-byte block each.
TEST_P(SharedData, TheLaterItemIsDamagedOnlyWithinOneCommand)
{
    SOptions Options;
    Options.uiBlockSize = Options.uiDataBlockSize = 64;
    Options.uiTrailingBytes = 256;
    SArchive Archive = Build(SItem::Folder("root", {SItem::File("a.txt", PatternData(64, 1)),
                                                    SItem::File("b.txt", PatternData(64, 2))}),
                             Options);
    GetParam().Damage(Archive);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    CItemData Data;
    EXPECT_EQ(Data.DescribeItem(Reader.GCF, 2), GetParam().eAlone);

    CBlockClaims Claims(Reader.GCF);
    EXPECT_EQ(Data.DescribeItem(Reader.GCF, 1, &Claims), EDataWalk::Complete);
    EXPECT_EQ(Data.DescribeItem(Reader.GCF, 2, &Claims), GetParam().eAfterFirst);
    EXPECT_STRNE(DataWalkReason(GetParam().eAfterFirst), "");
}

INSTANTIATE_TEST_SUITE_P(
    Items, SharedData,
    testing::Values(
        SSharing{"EntryOwnedByAnother",
                 [](SArchive &A) { SetDirectoryMap(A, 2, A.Layout.FirstEntry[1]); }, EDataWalk::WrongOwner,
                 EDataWalk::WrongOwner},
        SSharing{"OwnerFieldNamesAnother",
                 [](SArchive &A) { SetBlockEntryField(A, A.Layout.FirstEntry[2], EEntryField::Owner, 1); },
                 EDataWalk::WrongOwner, EDataWalk::WrongOwner},
        SSharing{"OwnEntryReadsTheOthersBlock",
                 [](SArchive &A)
                 { SetBlockEntryField(A, A.Layout.FirstEntry[2], EEntryField::FirstBlock, A.Layout.Blocks[1][0]); },
                 EDataWalk::Complete, EDataWalk::SharedData},
        SSharing{"StepsOverlapPastTheDataArea",
                 [](SArchive &A)
                 {
                     // Steps of 96 bytes from blocks placed 64 apart: each item
                     // alone fits the data area of 128 bytes, both do not.
                     SetHeaderField(A, EHeaderField::BlockSize, 96);
                     for (const uint32_t uiIndex : {1u, 2u})
                     {
                         SetBlockEntryField(A, A.Layout.FirstEntry[uiIndex], EEntryField::DataLength, 96);
                         SetDirectoryField(A, uiIndex, EDirField::ItemSize, 96);
                     }
                 },
                 EDataWalk::Complete, EDataWalk::SharedData}),
    [](const testing::TestParamInfo<SSharing> &Info) { return std::string(Info.param.szName); });

}  // namespace
