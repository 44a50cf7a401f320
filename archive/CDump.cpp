// SPDX-License-Identifier: MIT
#include "CDump.h"

#include "GCFFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Larkspur
{

// The line ends are written as CR LF by the formats themselves; the stream is
// a text stream, which on this platform adds nothing to them.

bool CDump::Open(const char *szFileName)
{
    Close();
    if (szFileName == nullptr)
        return false;
    // No O_TRUNC: the file is emptied only once it is known to be a regular
    // file. O_NONBLOCK keeps a FIFO without a reader from hanging the open.
    const int iFile = ::open(szFileName, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (iFile < 0)
        return false;
    struct stat Status;
    if (::fstat(iFile, &Status) != 0 || !S_ISREG(Status.st_mode) || ::ftruncate(iFile, 0) != 0 ||
        ::fcntl(iFile, F_SETFL, 0) != 0 || (pFile = ::fdopen(iFile, "w")) == nullptr)
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
