// SPDX-License-Identifier: MIT
#pragma once
// Opening an archive of either format. The format is the file's own: a VPK
// directory file (or a single VPK file) begins with its signature,
// 0x55AA1234; anything else is read as a GCF, which has no signature and
// whose reader judges a file by its version. So a file that is neither is
// refused as a GCF is ("Invalid GCF version number."), and a file's name
// decides nothing but where a VPK set's data files lie.

#include "ArchiveResults.h"
#include "IArchive.h"

#include <cstddef>
#include <memory>
#include <string>

namespace Larkspur
{

struct SOpenOptions
{
    // Whether a refused GCF leaves its structure dump (dump.txt), and in
    // which folder ("" for the current one).
    bool bDumpOnRefusal = true;
    std::string sDumpFolder;
};

// The archive, or why it was refused.
struct SOpenedArchive
{
    std::unique_ptr<IArchive> Archive;  // null when refused
    SOpenResult Result;
};

// True when the bytes begin with a VPK directory file's signature.
bool HasVPKSignature(const void *lpBytes, size_t uiSize);

SOpenedArchive OpenArchive(const std::string &sPath, const SOpenOptions &Options = {});

// The same for bytes held in memory, which must outlive the archive (the
// fuzzers): a VPK read so has no data files. No dump is written.
SOpenedArchive OpenArchiveMemory(const void *lpData, size_t uiSize, const std::string &sName);

}  // namespace Larkspur
