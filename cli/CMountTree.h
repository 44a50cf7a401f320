// SPDX-License-Identifier: MIT
#pragma once
// The archive's directory as a mounted, read-only file system shows it. The
// mounted folder holds one folder, "root"; below it every folder and file of
// the archive stands under the name that the Extract command writes it
// under (MOUNTPOINT/root/maps/x.bsp). Items that the Extract command would
// refuse are left out, each reported once when the tree is built:
// - a name that cannot be a file name (empty, ".", "..", holding "/" or
//   "\"), or one longer than a file name may be (255 bytes);
// - the second and later items of one name in one folder: the first shows;
// - a file that the Extract command of the whole archive would not write:
//   one without data, one whose data starts with another item's block
//   entry, one whose data blocks an item before it in the folder tree's
//   order used (the command's claims decide, as for the extraction and
//   hash), a VPK file whose bytes partly overlap an earlier file's.
// What lies below a left-out folder is left out with it. A VPK set or a GCF:
// the tree is the archive interface's (IArchive).
//
// The tree is built once, in one pass over the directory the reader copied
// at open, and never changes: the file system answers every look-up from
// it, from any thread, without a lock.

#include "archive/ArchiveNames.h"
#include "archive/IArchive.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Why an item of the archive is not in the mount.
enum class EMountLeftOut
{
    UnsafeName,       // empty, ".", "..", or holding "/" or "\"
    NameTooLong,      // longer than a file name may be
    SecondOfItsName,  // an item of the same name comes first in its folder
    NoData,           // the directory map says the file has no data
    DataOfAnother,    // its data starts with another item's block entry
    SharedData,       // an item before it used its data blocks
    Overlap,          // its bytes partly overlap those of a file before it
    CutShort,         // the archive was cut short while the tree was built
};

// The text that reports it ("unsafe name", ...).
const char *MountLeftOutReason(EMountLeftOut eReason);

struct SMountLeftOut
{
    uint32_t uiDirectoryIndex;
    EMountLeftOut eReason;
};

class CMountTree
{
public:
    // Nodes are the file system's inode numbers. The mounted folder is node
    // 1 (the number the kernel gives the root of a mount); the item of
    // directory index i is node i + 2, so node numbers stay the same from
    // one mount of an archive to the next.
    static constexpr uint64_t TOP_NODE = 1;
    static constexpr uint64_t NO_NODE = 0;
    static constexpr uint64_t NodeOf(uint32_t uiDirectoryIndex) { return uint64_t{uiDirectoryIndex} + 2; }

    // Builds the tree of the open archive, which must stay open while the
    // tree is used. False when the directory's links are damaged: the
    // items reached before the damage are shown.
    bool Build(const IArchive &Archive);

    // True for the top node and every item shown.
    bool IsShown(uint64_t uiNode) const;
    bool IsFolder(uint64_t uiNode) const;  // the top node is a folder
    // The directory index of a shown item's node (not of the top node).
    static uint32_t DirectoryIndexOf(uint64_t uiNode) { return static_cast<uint32_t>(uiNode - 2); }

    // The items that a folder node shows, as directory indexes, in the
    // archive's order.
    std::span<const uint32_t> GetChildren(uint64_t uiFolderNode) const;
    // The folders among them (a folder's link count is 2 + this).
    uint32_t GetSubfolderCount(uint64_t uiFolderNode) const;
    // The shown item called sName in the folder node; NO_NODE for none.
    uint64_t Lookup(uint64_t uiFolderNode, std::string_view sName) const;
    std::string_view GetName(uint64_t uiNode) const;
    // The folder node that holds a shown node (the top node holds itself).
    uint64_t GetParent(uint64_t uiNode) const;

    // The items left out, in the directory's tree order.
    const std::vector<SMountLeftOut> &GetLeftOut() const { return LeftOut; }

private:
    // Per directory index. A folder's shown items lie in Children (archive
    // order) and ByName (sorted by name) from uiFirst on, uiCount of them.
    struct SFolder
    {
        uint32_t uiFirst = 0;
        uint32_t uiCount = 0;
        uint32_t uiSubfolders = 0;
    };


    std::vector<std::string_view> Names;  // per directory index; the reader keeps the bytes
    std::vector<uint8_t> Shown;           // per directory index
    std::vector<uint8_t> FolderFlags;     // per directory index: 1 for a folder
    std::vector<uint32_t> Parents;        // per directory index reached
    std::vector<SFolder> Folders;         // per directory index
    std::vector<uint32_t> Children;
    std::vector<uint32_t> ByName;
    static constexpr uint32_t TOP_CHILDREN[1] = {0};  // the top node holds the root
    std::vector<SMountLeftOut> LeftOut;

    // The steps of Build: each item's name, kind and folder, and its own
    // verdict (what its name allows); each folder's items in the archive's
    // order; the second and later items of one name; the files the
    // extraction would not write. Each step works on the verdicts of the
    // one before.
    std::vector<uint8_t> ReadItems(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items);
    void PlaceChildren(const std::vector<SDirectoryWalkItem> &Items, const std::vector<uint8_t> &Verdicts);
    void MarkSecondNames(std::vector<uint8_t> &Verdicts);
    void MarkShown(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items, std::vector<uint8_t> &Verdicts);
    // Takes the items left out since the orders were made out of them.
    void DropLeftOut(const std::vector<uint8_t> &Verdicts, const std::vector<uint8_t> &Affected);
};

}  // namespace Larkspur
