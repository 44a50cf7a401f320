// SPDX-License-Identifier: MIT
// Reading a VPK tree: three nested lists of strings (extensions, folder paths,
// file names), each file name followed by its 18-byte entry and its preload
// bytes. The tree is copied once and parsed from the copy; folders are made
// as paths name them, and each folder finds its items by name in a hash
// table of its own, so a tree of a million files opens in one pass with no
// step that grows with the square of anything.

#include "CVPK.h"

#include "ArchiveNames.h"


#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>

namespace Larkspur
{

namespace
{

// No file system takes a name longer than MAX_FILE_NAME_BYTES. Keeping every
// name within it also keeps the names' memory linear in the tree: a file's
// name is its own bytes plus its extension's, and one long extension is
// shared by many short entries in the tree.
// A blank stands for the root folder (as a path) and for no extension.
constexpr std::string_view BLANK = " ";

}  // namespace

// The items of one folder by name, to find the folder a path names and a
// name the folder holds already. Open addressing over one array of (hash,
// item) pairs, one table per folder: a folder's items are mostly added one
// after another (the tree lists a folder's files together), so its table
// stays in the cache, where one table for the whole tree would cost a
// cache miss per item.
class CVPK::CNameTable
{
public:
    // Adds the item unless its folder holds one of its name; gives the item
    // that has the name (the given one when it was added).
    uint32_t Insert(const CVPK &VPK, uint32_t uiItem)
    {
        if ((uiCount + 1) * 2 > Slots.size())
            Grow();
        const SItem &Item = VPK.Items[uiItem];
        const std::string_view sName(VPK.Names.data() + Item.uiNameOffset, Item.uiNameLength);
        const auto uiHash = static_cast<uint32_t>(std::hash<std::string_view>()(sName));
        const size_t uiMask = Slots.size() - 1;
        for (size_t uiSlot = uiHash & uiMask;; uiSlot = (uiSlot + 1) & uiMask)
        {
            SSlot &Slot = Slots[uiSlot];
            if (Slot.uiItemPlusOne == 0)
            {
                Slot = {uiHash, uiItem + 1};
                uiCount++;
                return uiItem;
            }
            if (Slot.uiHash == uiHash && SameName(VPK, Slot.uiItemPlusOne - 1, sName))
                return Slot.uiItemPlusOne - 1;
        }
    }

private:
    struct SSlot
    {
        uint32_t uiHash;
        uint32_t uiItemPlusOne;  // 0: empty
    };

    static bool SameName(const CVPK &VPK, uint32_t uiOther, std::string_view sName)
    {
        const SItem &Other = VPK.Items[uiOther];
        return std::string_view(VPK.Names.data() + Other.uiNameOffset, Other.uiNameLength) == sName;
    }

    void Grow()
    {
        std::vector<SSlot> Old(std::max<size_t>(8, Slots.size() * 2));
        Old.swap(Slots);
        const size_t uiMask = Slots.size() - 1;
        for (const SSlot &Slot : Old)
            if (Slot.uiItemPlusOne != 0)
            {
                size_t uiSlot = Slot.uiHash & uiMask;
                while (Slots[uiSlot].uiItemPlusOne != 0)
                    uiSlot = (uiSlot + 1) & uiMask;
                Slots[uiSlot] = Slot;
            }
    }

    std::vector<SSlot> Slots;
    size_t uiCount = 0;
};

class CVPK::CTreeBuilder
{
public:
    CTreeBuilder(CVPK &Reader, const std::vector<uint8_t> &TreeBytes)
        : VPK(Reader), Tree(TreeBytes)
    {
    }

    EOpenRefusal Build();

private:
    // A path or file that could not be placed: kept until the names stop
    // moving, then turned into an SVPKLeftOut.
    struct SRefused
    {
        uint32_t uiFolder;
        uint64_t uiNameOffset;
        size_t uiNameLength;
        uint32_t uiFiles;
        EVPKDamage eReason;
    };

    bool NextString(std::string_view &sString);
    uint32_t AddItem(uint32_t uiParent, uint64_t uiNameOffset, bool bFolder, bool &bAdded);
    bool ResolvePath(std::string_view sPath, uint32_t &uiFolder);
    EOpenRefusal ReadFile(std::string_view sExtension, uint32_t uiFolder, bool bPathRefused, bool &bEnd);
    void Refused(uint32_t uiFolder, uint64_t uiNameOffset, EVPKDamage eReason);

    CVPK &VPK;
    const std::vector<uint8_t> &Tree;
    size_t uiPosition = 0;
    std::vector<CNameTable> Tables;  // by folder record
    std::vector<SRefused> RefusedItems;
};

bool CVPK::CTreeBuilder::NextString(std::string_view &sString)
{
    const size_t uiLeft = Tree.size() - uiPosition;
    const auto *lpStart = reinterpret_cast<const char *>(Tree.data() + uiPosition);
    const void *lpEnd = uiLeft > 0 ? std::memchr(lpStart, '\0', uiLeft) : nullptr;
    if (lpEnd == nullptr)
        return false;
    sString = std::string_view(lpStart, static_cast<size_t>(static_cast<const char *>(lpEnd) - lpStart));
    uiPosition += sString.size() + 1;
    return true;
}

// Adds an item whose name was just appended to Names at uiNameOffset, unless
// its folder holds one of that name already: then the name stays (a refused
// item's record points at it) and the earlier item is returned.
//
// A second item of one name is left out of the tree and counted, and the set
// still opens. That is where a GCF's second item of one name ends up too:
// the archive opens and extraction refuses that item, so the first is the
// one written. A VPK names its files by path, so the set itself cannot say
// which of two entries at one path is meant; keeping both in the tree would
// show the window, the tool and the mount two items where only one can be
// written, and refusing the whole set would lose every other file.
uint32_t CVPK::CTreeBuilder::AddItem(uint32_t uiParent, uint64_t uiNameOffset, bool bFolder, bool &bAdded)
{
    SItem Item;
    Item.uiNameOffset = uiNameOffset;
    Item.uiNameLength = static_cast<uint8_t>(VPK.Names.size() - uiNameOffset);
    Item.uiParent = uiParent;
    Item.bFolder = bFolder;
    Item.uiRecord = static_cast<uint32_t>(bFolder ? VPK.Folders.size() : VPK.Files.size());
    const auto uiIndex = static_cast<uint32_t>(VPK.Items.size());
    VPK.Items.push_back(Item);
    const uint32_t uiFound = Tables[VPK.Items[uiParent].uiRecord].Insert(VPK, uiIndex);
    bAdded = uiFound == uiIndex;
    if (!bAdded)
    {
        VPK.Items.pop_back();
        return uiFound;
    }
    SFolder &Parent = VPK.Folders[VPK.Items[uiParent].uiRecord];
    if (Parent.uiLastChild == 0)
        VPK.Items[uiParent].uiFirstChild = uiIndex;
    else
        VPK.Items[Parent.uiLastChild].uiNextSibling = uiIndex;
    Parent.uiLastChild = uiIndex;
    Parent.uiItems++;
    if (bFolder)
    {
        VPK.Folders.emplace_back();
        Tables.emplace_back();
    }
    return uiIndex;
}

void CVPK::CTreeBuilder::Refused(uint32_t uiFolder, uint64_t uiNameOffset, EVPKDamage eReason)
{
    RefusedItems.push_back({uiFolder, uiNameOffset, VPK.Names.size() - uiNameOffset, 0, eReason});
}

// Finds or makes the folder of a path ("maps/sub"; a blank is the root).
// Empty parts ("a//b", a leading or trailing "/") name no folder and are
// passed over. False when a part is too long or names a file: the path's
// files are then left out, counted in the last record of RefusedItems.
bool CVPK::CTreeBuilder::ResolvePath(std::string_view sPath, uint32_t &uiFolder)
{
    uiFolder = 0;
    if (sPath == BLANK)
        return true;
    while (!sPath.empty())
    {
        const size_t uiSlash = sPath.find('/');
        const std::string_view sPart = sPath.substr(0, uiSlash);
        sPath = uiSlash == std::string_view::npos ? std::string_view() : sPath.substr(uiSlash + 1);
        if (sPart.empty())
            continue;
        const uint64_t uiNameOffset = VPK.Names.size();
        VPK.Names.append(sPart.substr(0, MAX_FILE_NAME_BYTES));
        if (sPart.size() > MAX_FILE_NAME_BYTES)
        {
            Refused(uiFolder, uiNameOffset, EVPKDamage::NameTooLong);
            return false;
        }
        bool bAdded = false;
        const uint32_t uiItem = AddItem(uiFolder, uiNameOffset, true, bAdded);
        if (!bAdded)
            VPK.Names.resize(uiNameOffset);  // the folder's own name serves
        if (!VPK.Items[uiItem].bFolder)
        {
            VPK.Names.append(sPart);
            Refused(uiFolder, uiNameOffset, EVPKDamage::DuplicateName);
            return false;
        }
        uiFolder = uiItem;
    }
    return true;
}

// Reads one file name with its entry and preload bytes; bEnd when the name
// is the empty one that ends the folder.
EOpenRefusal CVPK::CTreeBuilder::ReadFile(std::string_view sExtension, uint32_t uiFolder, bool bPathRefused,
                                         bool &bEnd)
{
    std::string_view sName;
    if (!NextString(sName))
        return EOpenRefusal::StringNotEnded;
    bEnd = sName.empty();
    if (bEnd)
        return EOpenRefusal::None;
    VPKDirectoryEntry Entry;
    if (Tree.size() - uiPosition < sizeof Entry)
        return EOpenRefusal::EntryOutside;
    std::memcpy(&Entry, Tree.data() + uiPosition, sizeof Entry);
    const uint64_t uiEntryStart = uiPosition;
    uiPosition += sizeof Entry;
    if (Entry.uiTerminator != VPK_ENTRY_TERMINATOR)
        return EOpenRefusal::BadTerminator;
    if (Tree.size() - uiPosition < Entry.uiPreloadBytes)
        return EOpenRefusal::PreloadOutside;
    uiPosition += Entry.uiPreloadBytes;
    if (bPathRefused)
    {
        RefusedItems.back().uiFiles++;
        return EOpenRefusal::None;
    }

    const uint64_t uiNameOffset = VPK.Names.size();
    const size_t uiLength = sName.size() + (sExtension == BLANK ? 0 : 1 + sExtension.size());
    VPK.Names.append(sName.substr(0, MAX_FILE_NAME_BYTES));
    if (sExtension != BLANK && VPK.Names.size() - uiNameOffset < MAX_FILE_NAME_BYTES)
        (VPK.Names += '.').append(sExtension.substr(0, MAX_FILE_NAME_BYTES - (VPK.Names.size() - uiNameOffset)));
    bool bAdded = false;
    if (uiLength > MAX_FILE_NAME_BYTES)
        Refused(uiFolder, uiNameOffset, EVPKDamage::NameTooLong);
    else if (AddItem(uiFolder, uiNameOffset, false, bAdded); !bAdded)
        Refused(uiFolder, uiNameOffset, EVPKDamage::DuplicateName);
    if (!bAdded)
    {
        RefusedItems.back().uiFiles = 1;
        return EOpenRefusal::None;
    }

    SVPKFileEntry File;
    File.uiCRC = Entry.uiCRC;
    File.uiPreloadBytes = Entry.uiPreloadBytes;
    File.uiArchiveIndex = Entry.uiArchiveIndex;
    File.uiEntryOffset = Entry.uiEntryOffset;
    File.uiEntryLength = Entry.uiEntryLength;
    File.uiPreloadOffset = VPK.Sections.uiHeaderSize + uiEntryStart + sizeof Entry;
    if (File.uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX)
    {
        // Offsets count from the end of the tree, within the file data section.
        if (uint64_t{File.uiEntryOffset} + File.uiEntryLength > VPK.Sections.uiFileDataSize)
            File.eDamage = EVPKDamage::OutsideDataFile;
    }
    else if (!VPK.bHasDataFiles && File.uiEntryLength > 0)
        File.eDamage = EVPKDamage::MissingDataFile;  // a single file has no data files
    VPK.Files.push_back(File);
    return EOpenRefusal::None;
}

EOpenRefusal CVPK::CTreeBuilder::Build()
{
    VPK.Items.push_back(SItem{});  // the root, named "root" by the queries
    VPK.Items[0].bFolder = true;
    VPK.Folders.emplace_back();
    Tables.emplace_back();
    std::string_view sExtension, sPath;
    for (;;)
    {
        if (!NextString(sExtension))
            return EOpenRefusal::StringNotEnded;
        if (sExtension.empty())
            break;
        for (;;)
        {
            if (!NextString(sPath))
                return EOpenRefusal::StringNotEnded;
            if (sPath.empty())
                break;
            uint32_t uiFolder = 0;
            const bool bPathRefused = !ResolvePath(sPath, uiFolder);
            for (bool bEnd = false; !bEnd;)
                if (const EOpenRefusal eRefusal = ReadFile(sExtension, uiFolder, bPathRefused, bEnd);
                    eRefusal != EOpenRefusal::None)
                    return eRefusal;
        }
    }
    if (uiPosition != Tree.size())
        return EOpenRefusal::TreeEndsEarly;

    // The names no longer move: the records can point at them now.
    for (const SRefused &Item : RefusedItems)
        VPK.LeftOut.push_back({Item.uiFolder, std::string_view(VPK.Names.data() + Item.uiNameOffset, Item.uiNameLength),
                               Item.uiFiles, Item.eReason});
    return EOpenRefusal::None;
}

EOpenRefusal CVPK::ReadTree()
{
    std::vector<uint8_t> Tree(Sections.uiTreeSize);
    if (!Directory.ReadBytes(Sections.uiHeaderSize, Tree.data(), Tree.size()))
        return EOpenRefusal::CutShort;
    // Every query answers from what is built here: the mapped pages of the
    // tree need not stay in this process's memory beside it.
    Directory.Release(Sections.uiHeaderSize, Tree.size());
    CTreeBuilder Builder(*this, Tree);
    return Builder.Build();
}

// Marks each file whose bytes partly overlap those of an earlier file (in
// tree order) in the same file of the set; identical ranges are shared, as
// packers store identical files once. Only intact files claim their bytes.
// Sorting finds whether any overlap exists at all; only then is the set
// walked in tree order with a map of the claimed ranges.
void CVPK::MarkOverlaps()
{
    struct SRange
    {
        uint64_t uiStart, uiEnd;
        uint16_t uiSource;
        bool operator<(const SRange &Other) const
        {
            return std::tie(uiSource, uiStart, uiEnd) < std::tie(Other.uiSource, Other.uiStart, Other.uiEnd);
        }
    };
    const auto RangeOf = [](const SVPKFileEntry &File)
    { return SRange{File.uiEntryOffset, uint64_t{File.uiEntryOffset} + File.uiEntryLength, File.uiArchiveIndex}; };
    const auto Claims = [](const SVPKFileEntry &File)
    { return File.uiEntryLength > 0 && File.eDamage == EVPKDamage::None; };

    std::vector<SRange> Ranges;
    for (const SVPKFileEntry &File : Files)
        if (Claims(File))
            Ranges.push_back(RangeOf(File));
    std::sort(Ranges.begin(), Ranges.end());
    bool bOverlap = false;
    uint64_t uiEnd = 0;
    for (size_t i = 0; i < Ranges.size() && !bOverlap; i++)
    {
        const bool bNewSource = i == 0 || Ranges[i].uiSource != Ranges[i - 1].uiSource;
        const bool bSame = !bNewSource && Ranges[i].uiStart == Ranges[i - 1].uiStart && Ranges[i].uiEnd == Ranges[i - 1].uiEnd;
        bOverlap = !bNewSource && !bSame && Ranges[i].uiStart < uiEnd;
        uiEnd = bNewSource ? Ranges[i].uiEnd : std::max(uiEnd, Ranges[i].uiEnd);
    }
    std::vector<SRange>().swap(Ranges);
    if (!bOverlap)
        return;

    // Key: source and start; value: end. Claimed ranges never overlap.
    std::map<std::pair<uint16_t, uint64_t>, uint64_t> Claimed;
    for (SVPKFileEntry &File : Files)
    {
        if (!Claims(File))
            continue;
        const SRange Range = RangeOf(File);
        auto Next = Claimed.upper_bound({Range.uiSource, Range.uiStart});
        if (Next != Claimed.begin())
        {
            const auto Previous = std::prev(Next);
            if (Previous->first.first == Range.uiSource && Previous->first.second == Range.uiStart &&
                Previous->second == Range.uiEnd)
                continue;  // shared
            if (Previous->first.first == Range.uiSource && Previous->second > Range.uiStart)
            {
                File.eDamage = EVPKDamage::Overlap;
                continue;
            }
        }
        if (Next != Claimed.end() && Next->first.first == Range.uiSource && Next->first.second < Range.uiEnd)
        {
            File.eDamage = EVPKDamage::Overlap;
            continue;
        }
        Claimed.emplace_hint(Next, std::pair{Range.uiSource, Range.uiStart}, Range.uiEnd);
    }
}

// Adds up every folder's totals and the summary. Items come after their
// folder, so one pass from the last item back reaches each folder after
// everything below it.
void CVPK::AddUpFolders()
{
    for (size_t i = Items.size(); i-- > 1;)
    {
        const SItem &Item = Items[i];
        SFolder &Parent = Folders[Items[Item.uiParent].uiRecord];
        if (Item.bFolder)
        {
            const SFolder &Folder = Folders[Item.uiRecord];
            Parent.uiFiles += Folder.uiFiles;
            Parent.uiFolders += 1 + Folder.uiFolders;
            Parent.uiSize += Folder.uiSize;
        }
        else
        {
            const SVPKFileEntry &File = Files[Item.uiRecord];
            Parent.uiFiles++;
            Parent.uiSize += uint64_t{File.uiPreloadBytes} + File.uiEntryLength;
        }
    }
    Summary.uiVersion = Sections.uiVersion;
    Summary.uiFileCount = Folders[0].uiFiles;
    Summary.uiFolderCount = Folders[0].uiFolders;
    Summary.uiDataSize = Folders[0].uiSize;
    Summary.bSignature = Sections.uiSignatureSize > 0;
    std::vector<bool> Named(0x10000, false);
    for (const SVPKFileEntry &File : Files)
    {
        Summary.uiDamagedFiles += File.eDamage != EVPKDamage::None;
        if (File.uiArchiveIndex != VPK_DIRECTORY_FILE_INDEX && File.uiEntryLength > 0 && !Named[File.uiArchiveIndex])
        {
            Named[File.uiArchiveIndex] = true;
            Summary.uiDataFileCount++;
        }
    }
    for (const SVPKLeftOut &Item : LeftOut)
        Summary.uiLeftOutFiles += Item.uiFiles;
}

}  // namespace Larkspur
