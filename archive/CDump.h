// SPDX-License-Identifier: MIT
#pragma once
// Writes one memory area as a titled hexadecimal table and a table of 32-bit
// words; the reader's Dump prints its nine headers with it.

#include <cstdint>
#include <cstdio>

namespace Larkspur
{

class CDump
{
public:
    CDump() = default;
    ~CDump() { Close(); }
    CDump(const CDump &) = delete;
    CDump &operator=(const CDump &) = delete;

    // Opens szFileName for writing as a new file: a regular file there is
    // replaced (removed, then made anew), never written in place; a link at
    // the path is not followed and a FIFO or device is refused, so that a
    // dump never lands anywhere but the named file and never waits.
    bool Open(const char *szFileName);
    // False when the file could not be written in full.
    bool Close();
    bool Opened() const { return pFile != nullptr; }
    void Dump(const char *szSectionName, const uint8_t *lpData, uint32_t dwLength);

private:
    FILE *pFile = nullptr;
};

}  // namespace Larkspur
