// SPDX-License-Identifier: MIT
#pragma once
// What a tree node or a list row stands for: a folder (a directory entry
// whose flags are 0) or a file (any other flags). The values are those the
// nodes and rows have always stored: 0 a folder, 1 a file.

#include <cstdint>

namespace Larkspur
{

enum class EItemType : int32_t
{
    Folder = 0,
    File = 1,
};

}  // namespace Larkspur
