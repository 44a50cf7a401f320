// SPDX-License-Identifier: MIT
#pragma once
// One file of an open VPK set, as a source of file data: the directory file
// or a numbered data file, mapped read-only. Everything reads it as any
// source (CDataSource.h): checked ranges, copies under the guard.

#include "CDataSource.h"

#include <cstdint>
#include <string>

namespace Larkspur
{

class CVPKSource : public CDataSource
{
public:
    const std::string &GetPath() const { return sPath; }
    // The data file's number, or VPK_DIRECTORY_FILE_INDEX for the directory file.
    uint16_t GetArchiveIndex() const { return uiArchiveIndex; }

private:
    friend class CVPK;

    std::string sPath;
    uint16_t uiArchiveIndex = 0;
};

}  // namespace Larkspur
