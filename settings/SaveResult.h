// SPDX-License-Identifier: MIT
#pragma once
// What became of writing one of the program's own files (the settings file,
// the log): written, or the step that failed with the reason a person reads.

#include <QString>

namespace Larkspur
{

enum class ESaveFailure
{
    None,
    FolderNotMade,   // a folder above the file is missing and could not be made
    NotRegularFile,  // a device, a FIFO or a folder stands at the file's path
    NotWritten,      // the new file could not be written, flushed or renamed
};

struct SSaveResult
{
    ESaveFailure eFailure = ESaveFailure::None;
    QString sReason;  // the system's words for a failure; "" when written

    explicit operator bool() const { return eFailure == ESaveFailure::None; }
};

}  // namespace Larkspur
