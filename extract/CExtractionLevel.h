// SPDX-License-Identifier: MIT
#pragma once
// The engine's own record of a folder of the target, shared by the files
// that define CExtraction's members; no one else includes it.

#include "extract/CExtraction.h"

#include <unistd.h>

#include <string_view>
#include <unordered_set>

namespace Larkspur
{

// One folder of the target while the walk is in it: its name in its parent,
// its depth in the walk's path, and a descriptor once it is made. Only the
// deepest made folder on the walk's path keeps its descriptor (and the
// receiving folder, which the walk starts from); a folder gets its
// descriptor back from its child's "..", which no link can stand in for. So
// the walk holds a few descriptors however deep the folders go, and no
// level holds its whole path: the walk's one CBoundedPath shows it.
struct CExtraction::SFolderLevel
{
    enum class EState
    {
        Unmade,
        Made,
        Refused,  // a link stands in its place: nothing below it is written
    };

    SFolderLevel(SFolderLevel *lpParent, std::string_view sName)
        : lpParent(lpParent), sName(sName), uiDepth(lpParent != nullptr ? lpParent->uiDepth + 1 : 0)
    {
    }
    ~SFolderLevel()
    {
        if (iDescriptor >= 0)
            ::close(iDescriptor);
    }
    SFolderLevel(const SFolderLevel &) = delete;
    SFolderLevel &operator=(const SFolderLevel &) = delete;

    SFolderLevel *lpParent;
    std::string_view sName;
    size_t uiDepth;  // pieces of the walk's path down to this folder
    EState eState = EState::Unmade;
    int iDescriptor = -1;
    int iError = 0;  // why a made folder has no descriptor (an errno value)
    // The names of the items reached in this folder (the receiving folder's
    // are the command's, in its scope).
    std::unordered_set<std::string_view> Names;
};

}  // namespace Larkspur
