// SPDX-License-Identifier: MIT
#pragma once
// What a drop onto the window opens: exactly one local file (text/uri-list)
// whose name ends in ".gcf" or ".vpk" (a set's directory file or a single
// VPK file), in any case. Anything else (several files, a
// web address, plain text, a file of another kind) is refused, so the
// pointer shows no copy cursor for it.

#include <QString>

class QMimeData;

namespace Larkspur
{

// The local path of the archive to open, or "" when the drop is refused.
QString ArchiveOfDrop(const QMimeData &Data);

}  // namespace Larkspur
