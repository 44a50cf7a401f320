// SPDX-License-Identifier: MIT
#pragma once
// The program's pictures, kept in the program's resources: the program icon
// and the three item pictures (0 a folder, 1 a folder in its selected look,
// 2 a file), each at 16 and 32 pixels, so that one icon serves the tree and
// the small list views (16) and the Icons view (32).

#include "window/ItemType.h"

#include <QIcon>

namespace Larkspur
{

const QIcon &ProgramIcon();
const QIcon &FolderImage();          // picture 0
const QIcon &FolderSelectedImage();  // picture 1
const QIcon &FileImage();            // picture 2

// A tree node's picture: a folder turns to picture 1 while it is the selected
// node (the views draw the icon's Selected mode then); a file keeps picture 2
// either way.
const QIcon &TreeNodeImage(EItemType eTreeNodeType);
// A list row's picture: 0 for a folder, 2 for a file.
const QIcon &ListViewItemImage(EItemType eListViewItemType);

}  // namespace Larkspur
