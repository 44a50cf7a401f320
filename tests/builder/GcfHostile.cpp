// SPDX-License-Identifier: MIT
// The hostile shapes: nested folders sharing one name, files sharing one
// chain, an entry borrowed from another file, unsafe names deep down.

#include "GcfBuilder.h"

#include <cstdio>
#include <string>
#include <utility>

namespace GcfBuilder
{

SArchive NestedFolders(uint32_t uiDepth, uint32_t uiNameBytes, bool bShareNames, const SOptions &Options)
{
    // Built inside out; the builder flattens without recursion.
    SItem Chain = SItem::File("bottom", "b");
    for (uint32_t i = 0; i < uiDepth; ++i)
    {
        SItem Folder = SItem::Folder(bShareNames && i + 1 < uiDepth ? "f" : std::string(uiNameBytes, 'a'));
        Folder.Children.push_back(std::move(Chain));
        Chain = std::move(Folder);
    }
    SArchive Archive = Build(SItem::Folder("root", {std::move(Chain)}), Options);
    if (bShareNames && uiDepth > 1)
    {
        // Folder 1 holds the long name; the others point at it.
        const uint32_t uiLongName = GetU32(Archive.Bytes, Archive.Layout.uiDirectoryEntries + 28);
        for (uint32_t i = 2; i <= uiDepth; ++i)
            SetDirectoryField(Archive, i, EDirField::NameStart, uiLongName);
    }
    return Archive;
}

SArchive SharedChain(uint32_t uiFiles, uint32_t uiChainBytes, uint32_t uiBlockSize)
{
    SItem Root = SItem::Folder("root");
    char szName[32];
    for (uint32_t i = 0; i < uiFiles; ++i)
    {
        std::snprintf(szName, sizeof szName, "file%04u", i);
        // Only the first file has data; the others get an empty entry each.
        Root.Children.push_back(SItem::File(szName, i == 0 ? PatternData(uiChainBytes, 9) : ""));
    }
    SOptions Options;
    Options.uiBlockSize = Options.uiDataBlockSize = uiBlockSize;
    SArchive Archive = Build(Root, Options);
    const uint32_t uiFirstBlock = Archive.Layout.Blocks[1].front();
    for (uint32_t i = 2; i <= uiFiles; ++i)
    {
        const uint32_t uiEntry = Archive.Layout.FirstEntry[i];
        SetBlockEntryField(Archive, uiEntry, EEntryField::FirstBlock, uiFirstBlock);
        SetBlockEntryField(Archive, uiEntry, EEntryField::DataLength, uiChainBytes);
        SetDirectoryField(Archive, i, EDirField::ItemSize, uiChainBytes);
    }
    return Archive;
}

SArchive BorrowedEntry()
{
    SArchive Archive = Build(SItem::Folder("root", {SItem::File("a.txt", "the data of a.txt\n"),
                                                    SItem::File("b.txt", "the data of b.txt\n")}));
    SetDirectoryMap(Archive, 2, Archive.Layout.FirstEntry[1]);
    return Archive;
}

SItem UnsafeNamesDeep(uint32_t uiNames, uint32_t uiDepth)
{
    static const char *const Unsafe[] = {"..", ".", "a/b", "c\\d", ""};
    SItem Deepest = SItem::Folder(std::string(255, 'a'));
    for (uint32_t i = 0; i < uiNames; ++i)
    {
        // "a/b7", "c\\d8": names that differ; "..", "." and "" repeat.
        const bool bNumbered = i % 5 == 2 || i % 5 == 3;
        Deepest.Children.push_back(SItem::File(std::string(Unsafe[i % 5]) + (bNumbered ? std::to_string(i) : ""), "x"));
    }
    SItem Chain = std::move(Deepest);
    for (uint32_t i = 1; i < uiDepth; ++i)
    {
        SItem Folder = SItem::Folder(std::string(255, 'a'));
        Folder.Children.push_back(std::move(Chain));
        Chain = std::move(Folder);
    }
    return SItem::Folder("root", {std::move(Chain)});
}

}  // namespace GcfBuilder
