// SPDX-License-Identifier: MIT
#include "extract/CCommandScope.h"

namespace Larkspur
{

EReach CCommandScope::Reach(uint32_t uiDirectoryIndex)
{
    if (!Archive.IsValidDirectoryIndex(uiDirectoryIndex))
        return EReach::First;  // refused as no item of the directory by whoever asks
    if (ReachedBy.empty())
        ReachedBy.assign(Archive.GetItemCount(), 0);
    uint32_t &uiBy = ReachedBy[uiDirectoryIndex];
    if (uiBy == 0)
    {
        uiBy = uiItem;
        return EReach::First;
    }
    return uiBy == uiItem ? EReach::Loop : EReach::Again;
}

bool CCommandScope::IsWritten(EDataWalk eWalk)
{
    switch (eWalk)
    {
    case EDataWalk::NoData:
    case EDataWalk::WrongOwner:
    case EDataWalk::SharedData:
    case EDataWalk::Overlap:
    case EDataWalk::CutShort:
        return false;
    default:
        return true;
    }
}

}  // namespace Larkspur
