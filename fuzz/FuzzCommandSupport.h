// SPDX-License-Identifier: MIT
#pragma once
// What the fuzz targets of the commands share: the input opened as an
// archive in memory, or as a file (a memfd) for the tool's commands; a
// console and an output that check every line against the bounds the
// commands promise; a scratch folder emptied after each input.

#include "archive/CGCF.h"
#include "cli/CliContext.h"
#include "window/Console.h"
#include "window/ShownText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace FuzzSupport
{

// Stops the run with a message: a broken promise is a crash for the fuzzer.
[[noreturn]] inline void Broken(const char *szWhat, size_t uiValue)
{
    std::fprintf(stderr, "bound broken: %s (%zu)\n", szWhat, uiValue);
    std::abort();
}

// A line for people holds at most one shortened path plus its words.
inline constexpr size_t MAX_LINE_BYTES = Larkspur::MAX_SHOWN_PATH_BYTES + 512;

// Lines checked for their length, counted, never kept.
class CCheckedConsole final : public Larkspur::IConsole
{
public:
    void WriteLine(std::string_view sLine, Larkspur::ELineColor) override
    {
        if (sLine.size() > MAX_LINE_BYTES)
            Broken("console line too long", sLine.size());
        uiBytes += sLine.size() + 1;
    }
    uint64_t uiBytes = 0;
};

// The tool's two streams: stdout's lines may be as long as a path that one
// system call takes; stderr's are lines for people, and a report of left-out
// items ends after 100 of them (and a few lines of its own).
class CCheckedOutput final : public Larkspur::ICliOutput
{
public:
    void WriteOut(std::string_view sText) override { Check(sText, uiOutLineBytes, 4096 + 512, uiOutLines); }
    void WriteError(std::string_view sText) override { Check(sText, uiErrLineBytes, MAX_LINE_BYTES, uiErrLines); }
    void FlushOut() override {}
    bool OutIsTerminal() const override { return false; }
    bool ErrorTakesProgress() const override { return false; }
    bool OutTakesColour() const override { return false; }
    bool ErrorTakesColour() const override { return false; }

    uint64_t uiOutLines = 0, uiErrLines = 0;

private:
    static void Check(std::string_view sText, size_t &uiLineBytes, size_t uiMax, uint64_t &uiLines)
    {
        for (const char cChar : sText)
        {
            if (cChar == '\n')
            {
                uiLineBytes = 0;
                ++uiLines;
            }
            else if (++uiLineBytes > uiMax)
            {
                Broken("output line too long", uiLineBytes);
            }
        }
    }
    size_t uiOutLineBytes = 0, uiErrLineBytes = 0;
};

// The input as a file that the tool's commands open by path
// (/proc/self/fd/N of a memfd, rewritten for each input).
std::string InputAsFile(const uint8_t *lpData, size_t uiSize);

// A scratch folder of this process (made once, in /dev/shm where it can
// be), and the removal of everything in a folder, by descriptors, however
// deep. The bytes of the files removed are counted.
const std::string &ScratchFolder();
uint64_t EmptyFolder(const std::string &sFolder);

// An exactly sized copy of the input: a read one byte past it is a heap
// overflow that the address sanitizer reports.
struct SInputCopy
{
    SInputCopy(const uint8_t *lpData, size_t uiSize);
    ~SInputCopy() { delete[] lpBytes; }
    SInputCopy(const SInputCopy &) = delete;
    SInputCopy &operator=(const SInputCopy &) = delete;
    uint8_t *lpBytes;
    size_t uiSize;
};

// The input copied and opened as an archive in memory; a refused input
// leaves no dump.
struct SInputArchive
{
    SInputArchive(const uint8_t *lpData, size_t uiSize) : Copy(lpData, uiSize)
    {
        GCF.SetDumpOnRefusal(false);
        bOpened = GCF.OpenMemory(Copy.lpBytes, Copy.uiSize, "fuzz.gcf");
    }
    SInputCopy Copy;
    Larkspur::CGCF GCF;
    bool bOpened = false;
};

}  // namespace FuzzSupport
