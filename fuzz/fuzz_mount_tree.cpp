// SPDX-License-Identifier: MIT
// Fuzz target: the tree a mount shows, and its report of the items it
// leaves out. Looks for a crash, a shown item that its folder's look-up
// does not find, a folder reached twice, a shown file whose data the
// extraction would refuse (none, or another item's), and a report longer
// than its 100 lines and count.

#include "FuzzCommandSupport.h"

#include "archive/CItemData.h"
#include "cli/CMountTree.h"
#include "cli/MountCommand.h"

#include <vector>

using namespace Larkspur;
using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    SInputArchive Input(lpData, uiSize);
    if (!Input.bOpened)
        return 0;
    const CGCF &GCF = Input.GCF;
    CMountTree Tree;
    Tree.Build(GCF);

    std::vector<uint64_t> Pending{CMountTree::TOP_NODE};
    std::vector<uint8_t> Seen(GCF.GetItemCount(), 0);
    CItemData Data;
    while (!Pending.empty())
    {
        const uint64_t uiFolder = Pending.back();
        Pending.pop_back();
        for (const uint32_t uiIndex : Tree.GetChildren(uiFolder))
        {
            const uint64_t uiNode = CMountTree::NodeOf(uiIndex);
            if (uiIndex >= Seen.size() || Seen[uiIndex]++ != 0)
                Broken("an item shown twice", uiIndex);
            if (!Tree.IsShown(uiNode) || Tree.Lookup(uiFolder, Tree.GetName(uiNode)) != uiNode ||
                Tree.GetParent(uiNode) != uiFolder)
                Broken("a shown item its folder does not lead to", uiIndex);
            if (Tree.IsFolder(uiNode))
            {
                Pending.push_back(uiNode);
                continue;
            }
            // (The root stands in the mount whatever it is.)
            const EDataWalk eWalk = Data.DescribeItem(GCF, uiIndex);
            if (uiIndex != 0 && (eWalk == EDataWalk::NoData || eWalk == EDataWalk::WrongOwner))
                Broken("a file shown whose data extraction refuses", uiIndex);
        }
    }

    CCheckedOutput Output;
    ReportLeftOut(Output, GCF, Tree);
    if (Output.uiErrLines > 101)
        Broken("a report longer than 100 lines and its count", Output.uiErrLines);
    return 0;
}
