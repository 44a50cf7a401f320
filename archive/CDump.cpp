// SPDX-License-Identifier: MIT
#include "CDump.h"

#include "GCFFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Larkspur
{

// The line ends are written as CR LF by the formats themselves; the stream is
// a text stream, which on this platform adds nothing to them.

bool CDump::Open(const char *szFileName)
{
    Close();
    if (szFileName == nullptr)
        return false;
    // A dump is a new file: an old dump.txt is removed first, never
    // rewritten in place, so that another name of the old file (a hard
    // link) keeps what it holds. O_EXCL opens nothing that is there already
    // (no link is followed, no FIFO waited on), and only a regular file is
    // removed to make room.
    constexpr int CREATE_FLAGS = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int iFile = ::open(szFileName, CREATE_FLAGS, 0666);
    if (iFile < 0 && errno == EEXIST)
    {
        struct stat Status;
        if (::lstat(szFileName, &Status) != 0 || !S_ISREG(Status.st_mode) || ::unlink(szFileName) != 0)
            return false;
        iFile = ::open(szFileName, CREATE_FLAGS, 0666);
    }
    if (iFile < 0)
        return false;
    if ((pFile = ::fdopen(iFile, "w")) == nullptr)
    {
        ::close(iFile);
        return false;
    }
    return true;
}

bool CDump::Close()
{
    if (pFile == nullptr)
        return true;
    const bool bWritten = std::ferror(pFile) == 0;
    const bool bClosed = std::fclose(pFile) == 0;
    pFile = nullptr;
    return bWritten && bClosed;
}

// One section of the dump file: its three header lines, the bytes in rows
// of sixteen, and the same rows as 32-bit numbers when the length allows;
// kept whole so that the file's layout reads in one place.
void CDump::Dump(const char *szSectionName, const uint8_t *lpData, uint32_t dwLength)
{
    if (pFile == nullptr)
        return;

    std::fprintf(pFile, "Dump:\t%s\r\n", szSectionName != nullptr ? szSectionName : "");
    std::fprintf(pFile, "Size:\t%u\r\n", dwLength);
    std::fprintf(pFile, "Null:\t%s\r\n", lpData == nullptr ? "True" : "False");
    std::fprintf(pFile, "\r\n");
    if (lpData == nullptr)
        return;

    // Offsets count in 64 bits so that a length near 4 GiB cannot wrap the row loop.
    const uint64_t uiLength = dwLength;

    std::fprintf(pFile, "Address: | 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f | 0123456789abcdef\r\n");
    std::fprintf(pFile, "-----------------------------------------------------------------------------\r\n");
    for (uint64_t a = 0; a < uiLength; a += 16)
    {
        std::fprintf(pFile, "%.8x | ", static_cast<unsigned>(a));
        for (uint64_t j = 0; j < 16; j++)
        {
            if (a + j < uiLength)
                std::fprintf(pFile, "%.2x ", static_cast<unsigned>(lpData[a + j]));
            else
                std::fprintf(pFile, "   ");
        }
        std::fprintf(pFile, "| ");
        for (uint64_t j = 0; j < 16; j++)
        {
            if (a + j < uiLength)
            {
                const uint8_t uiByte = lpData[a + j];
                // Only plain printable ASCII: 0x7F and every byte from 0x80 up
                // would depend on the reader's character set.
                std::fprintf(pFile, "%c", uiByte >= 0x20 && uiByte <= 0x7E ? static_cast<char>(uiByte) : '.');
            }
            else
            {
                std::fprintf(pFile, " ");
            }
        }
        std::fprintf(pFile, "\r\n");
    }
    std::fprintf(pFile, "\r\n");

    if (uiLength % 4 != 0)
        return;

    std::fprintf(pFile, "Address: | [ DWORD 1 ] [ DWORD 2 ] [ DWORD 3 ] [ DWORD 4 ] |\r\n");
    std::fprintf(pFile, "------------------------------------------------------------\r\n");
    for (uint64_t a = 0; a < uiLength; a += 16)
    {
        std::fprintf(pFile, "%.8x | ", static_cast<unsigned>(a));
        for (uint64_t j = 0; j < 16; j += 4)
        {
            if (a + j < uiLength)
                std::fprintf(pFile, "%.11u ", static_cast<unsigned>(ReadLE32(lpData + a + j)));
            else
                std::fprintf(pFile, "            ");
        }
        std::fprintf(pFile, "|\r\n");
    }
    std::fprintf(pFile, "\r\n");
}

}  // namespace Larkspur
