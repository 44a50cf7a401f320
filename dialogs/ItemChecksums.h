// SPDX-License-Identifier: MIT
#pragma once
// CRC32 and SHA-256 of one file's data. The data comes through the item's
// one checked description (CItemData): every byte is read under the guard
// against a file cut short, and a damaged chain stops the sums with its
// reason instead of giving checksums of bytes that are not the file's.
//
// The work goes in steps, so that the Properties dialog can show progress
// and keep the window answering between them, while larkspur-cli hash runs
// it to the end at once. SHA-256 is OpenSSL's and CRC32 zlib's: both use the
// processor's hash and carry-less multiply instructions where it has them,
// several times faster than a portable loop.

#include "archive/CItemData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Larkspur
{

class IArchive;

// Which sums to compute; the command line asks for one, the dialog for both.
enum class EChecksums : unsigned
{
    Crc32 = 1,
    Sha256 = 2,
    Both = 3,
};

enum class EChecksumState
{
    Ready,     // nothing read yet
    Running,   // some bytes hashed, more to come
    Done,      // every byte hashed: the texts are there
    NoData,    // the directory map says a file of some size has no data
    Damaged,   // the chains end early or break: Problem() says how
    CutShort,  // the archive's file was cut short under the read
};

class CItemChecksums
{
public:
    // Nothing is read until the first Step: a dialog can offer the sums of a
    // file of any size without cost.
    CItemChecksums(const IArchive &Archive, uint32_t uiDirectoryIndex, EChecksums eWanted = EChecksums::Both);
    ~CItemChecksums();
    CItemChecksums(const CItemChecksums &) = delete;
    CItemChecksums &operator=(const CItemChecksums &) = delete;

    // Hashes up to uiBytes more of the data (the first step also locates
    // it) and gives the state after. Once the state is no longer Ready or
    // Running, further steps change nothing.
    EChecksumState Step(uint64_t uiBytes);
    // Hashes the rest.
    EChecksumState Run();

    EChecksumState GetState() const { return eState; }
    uint64_t GetDone() const { return uiDone; }       // bytes hashed so far
    uint64_t GetTotal() const { return uiItemSize; }  // the file's recorded size

    // 8 and 64 lower-case hexadecimal digits, as cksum-style tools print
    // them; "" until Done (and for a sum not asked for).
    const std::string &Crc32Text() const { return sCrc32; }
    const std::string &Sha256Text() const { return sSha256; }
    // Why the state is NoData, Damaged or CutShort, in a few words ("" else).
    std::string Problem() const;

    // Bytes read per Step of Run: large enough that the calls cost nothing,
    // small enough that the buffer stays in the processor's cache.
    static constexpr uint64_t READ_BYTES = 256u << 10;

private:
    void Begin();
    void Finish();

    const IArchive &Archive;
    const uint32_t uiDirectoryIndex;
    const EChecksums eWanted;
    uint64_t uiItemSize = 0;
    CItemData Data;
    EChecksumState eState = EChecksumState::Ready;
    uint64_t uiDone = 0;
    uint32_t uiCrc32 = 0;
    bool bHashFailed = false;
    struct SSha256;
    std::unique_ptr<SSha256> Sha256;
    std::vector<uint8_t> Buffer;
    std::string sCrc32, sSha256;
};

}  // namespace Larkspur
