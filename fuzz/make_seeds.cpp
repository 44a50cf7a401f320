// SPDX-License-Identifier: MIT
// Writes the fuzzer's seeds into a folder: small archives of versions 3, 5
// and 6 (plain, scattered, split over several block entries, with spare
// blocks and trailing bytes), and copies of them with one interpreted field
// set to a telling value each (0, 1, all bits, one more, one less, a link
// pointing back at itself), and the hostile shapes (deep nesting, shared
// names, shared chains, borrowed entries). Small block sizes keep every seed
// a few KiB.

#include "GcfBuilder.h"
#include "SeedWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace GcfBuilder;

namespace
{

using FuzzSeeds::SSeedWriter;

const std::vector<uint8_t> &BytesOf(const SArchive &Seed)
{
    return Seed.Bytes;
}

SItem SmallTree(uint32_t uiBlockSize)
{
    SItem Split = SItem::File("split.bin", PatternData(uiBlockSize * 5 + 3, 11));
    Split.uiBlocksPerEntry = 2;
    SItem Missing = SItem::File("missing.dat", "");
    Missing.bNoData = true;
    Missing.bOverrideItemSize = true;
    Missing.uiItemSize = 1234;
    return SItem::Folder(
        "seed",
        {
            SItem::Folder("maps", {SItem::File("a.bsp", PatternData(uiBlockSize * 3 / 2, 1)),
                                   SItem::File("b.txt", PatternText(uiBlockSize, "b.txt")),
                                   SItem::File("empty.res", "")}),
            SItem::Folder("sound", {SItem::Folder("ambience", {Split}), SItem::Folder("hollow")}),
            SItem::File("one.cfg", "1"),
            Missing,
        });
}

const uint32_t TELLING_VALUES[] = {0, 1, 2, 0x7FFFFFFFu, 0xFFFFFFFFu};

void MutateFields(SSeedWriter &Seeds, const std::string &sBase, const SArchive &Base)
{
    const auto Values = [&](const std::string &sField, uint32_t uiCurrent,
                            const std::function<void(SArchive &, uint32_t)> &Set)
    {
        std::vector<uint32_t> Tried;
        for (uint32_t uiValue : TELLING_VALUES)
            Tried.push_back(uiValue);
        for (uint32_t uiValue : {uiCurrent + 1, uiCurrent - 1})
            if (std::find(Tried.begin(), Tried.end(), uiValue) == Tried.end())
                Tried.push_back(uiValue);
        for (uint32_t uiValue : Tried)
        {
            char cSuffix[16];
            std::snprintf(cSuffix, sizeof cSuffix, "%08x", uiValue);
            Seeds.Mutate(sBase + "-" + sField + "-" + cSuffix, Base, [&](SArchive &Copy) { Set(Copy, uiValue); },
                         BytesOf);
        }
    };
    const SLayout &Layout = Base.Layout;
    const std::vector<uint8_t> &Bytes = Base.Bytes;

    Values("version", 5, [](SArchive &A, uint32_t v) { SetHeaderField(A, EHeaderField::Version, v); });
    Values("blocksize", GetU32(Bytes, 32), [](SArchive &A, uint32_t v) { SetHeaderField(A, EHeaderField::BlockSize, v); });
    Values("chainend", GetU32(Bytes, 36),
           [](SArchive &A, uint32_t v) { SetHeaderField(A, EHeaderField::EntryChainEnd, v); });
    Values("entrycount", Layout.uiEntryCount, [](SArchive &A, uint32_t v) { SetEntryCount(A, v); });
    Values("linkcount", Layout.uiLinkCount, [](SArchive &A, uint32_t v) { SetLinkCount(A, v); });
    Values("itemcount", Layout.uiItemCount, [](SArchive &A, uint32_t v)
           { SetDirectoryHeaderField(A, EDirectoryHeaderField::ItemCount, v); });
    Values("dirsize", Layout.uiDirectorySize, [](SArchive &A, uint32_t v)
           { SetDirectoryHeaderField(A, EDirectoryHeaderField::DirectorySize, v); });
    Values("namesize", Layout.uiNameTableSize, [](SArchive &A, uint32_t v)
           { SetDirectoryHeaderField(A, EDirectoryHeaderField::NameTableSize, v); });
    Values("checksumsize", Layout.uiChecksumSize, [](SArchive &A, uint32_t v) { SetChecksumSize(A, v); });
    Values("totalblocks", Layout.uiTotalBlocks, [](SArchive &A, uint32_t v)
           { SetDataBlockHeaderField(A, EDataBlockHeaderField::TotalBlocks, v); });
    Values("datablocksize", Layout.uiDataBlockSize, [](SArchive &A, uint32_t v)
           { SetDataBlockHeaderField(A, EDataBlockHeaderField::DataBlockSize, v); });
    Values("datastart", Layout.uiDataStart, [](SArchive &A, uint32_t v)
           { SetDataBlockHeaderField(A, EDataBlockHeaderField::DataStart, v); });

    // Links of the directory and of the data chains, including ones that
    // point back at their own item, entry or block.
    for (uint32_t uiIndex = 1; uiIndex < Layout.uiItemCount && uiIndex < 4; uiIndex++)
    {
        const std::string sItem = "item" + std::to_string(uiIndex) + "-";
        for (const auto &[szName, eField] :
             {std::pair{"parent", EDirField::Parent}, std::pair{"sibling", EDirField::NextSibling},
              std::pair{"child", EDirField::FirstChild}, std::pair{"name", EDirField::NameStart},
              std::pair{"flags", EDirField::Flags}})
        {
            Values(sItem + szName, uiIndex, [uiIndex, eField = eField](SArchive &A, uint32_t v)
                   { SetDirectoryField(A, uiIndex, eField, v); });
        }
        Values(sItem + "map", uiIndex, [uiIndex](SArchive &A, uint32_t v) { SetDirectoryMap(A, uiIndex, v); });
    }
    for (uint32_t uiEntry = 0; uiEntry < Layout.uiEntryCount && uiEntry < 3; uiEntry++)
    {
        const std::string sEntry = "entry" + std::to_string(uiEntry) + "-";
        Values(sEntry + "length", 0, [uiEntry](SArchive &A, uint32_t v)
               { SetBlockEntryField(A, uiEntry, EEntryField::DataLength, v); });
        Values(sEntry + "first", uiEntry, [uiEntry](SArchive &A, uint32_t v)
               { SetBlockEntryField(A, uiEntry, EEntryField::FirstBlock, v); });
        Values(sEntry + "next", uiEntry, [uiEntry](SArchive &A, uint32_t v)
               { SetBlockEntryField(A, uiEntry, EEntryField::NextEntry, v); });
        Values(sEntry + "owner", uiEntry, [uiEntry](SArchive &A, uint32_t v)
               { SetBlockEntryField(A, uiEntry, EEntryField::Owner, v); });
    }
    for (uint32_t uiBlock = 0; uiBlock < Layout.uiLinkCount && uiBlock < 3; uiBlock++)
        Values("block" + std::to_string(uiBlock) + "-next", uiBlock,
               [uiBlock](SArchive &A, uint32_t v) { SetNextBlock(A, uiBlock, v); });
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    SSeedWriter Seeds;
    Seeds.Folder = argv[1];
    Seeds.sExtension = ".gcf";
    std::error_code Error;
    std::filesystem::create_directories(Seeds.Folder, Error);

    for (uint32_t uiVersion : {3u, 5u, 6u})
    {
        const std::string sVersion = "v" + std::to_string(uiVersion);
        SOptions Options;
        Options.uiVersion = uiVersion;
        Options.uiBlockSize = Options.uiDataBlockSize = 64;
        const SArchive Plain = Build(SmallTree(64), Options);
        Seeds.Write(sVersion + "-plain", Plain.Bytes);

        SOptions Scattered = Options;
        Scattered.bScatter = true;
        Scattered.uiSeed = uiVersion;
        Scattered.uiSpareBlocks = 3;
        Scattered.uiTrailingBytes = 5;
        Seeds.Write(sVersion + "-scattered", Build(SmallTree(64), Scattered).Bytes);

        SOptions MultiEntry = Options;
        MultiEntry.uiBlocksPerEntry = 1;
        MultiEntry.uiBlockSize = 32;  // copy steps shorter than the blocks
        Seeds.Write(sVersion + "-multientry", Build(SmallTree(64), MultiEntry).Bytes);

        Seeds.Write(sVersion + "-rootonly", Build(SItem::Folder("root"), Options).Bytes);
        MutateFields(Seeds, sVersion, Plain);
    }
    SOptions Sample;
    Sample.uiBlockSize = Sample.uiDataBlockSize = 1024;
    Sample.bScatter = true;
    Seeds.Write("v6-sample", Build(SampleTree(), Sample).Bytes);

    // The hostile shapes, small: deep nesting under one shared name, files
    // sharing one chain or one block entry, unsafe names deep down.
    SOptions Small;
    Small.uiBlockSize = Small.uiDataBlockSize = 64;
    Seeds.Write("hostile-nested-shared", NestedFolders(300, 300, true, Small).Bytes);
    Seeds.Write("hostile-nested-deep", NestedFolders(500, 4, false, Small).Bytes);  // the archive fuzzer walks every path: kept fast
    Seeds.Write("hostile-shared-chain", SharedChain(20, 2048, 64).Bytes);
    Seeds.Write("hostile-borrowed-entry", BorrowedEntry().Bytes);
    Seeds.Write("hostile-unsafe-deep", Build(UnsafeNamesDeep(40, 12), Small).Bytes);

    std::printf("wrote %zu seeds to %s\n", Seeds.uiWritten, argv[1]);
    return Seeds.bFailed ? 1 : 0;
}
