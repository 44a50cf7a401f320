// SPDX-License-Identifier: MIT
// Fuzz target: larkspur-cli's list (of the whole archive, and of the folders
// a pattern names), find, hash (of the whole archive, and of items named
// twice), info, verify and diff (of the archive with itself) on the input
// as an archive file: a GCF, or a VPK directory file, as its signature
// says (a set without data files, named as it is). Looks for a crash, a
// line on stdout longer than a path one system call takes, a line on stderr
// longer than a shortened path allows, and a report of left-out items that
// does not end after its 100 lines.

#include "FuzzCommandSupport.h"

#include "cli/CliCommandLine.h"

#include <string>
#include <vector>

using namespace Larkspur;
using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    const std::string sArchive = InputAsFile(lpData, uiSize);
    const std::vector<std::vector<std::string>> Commands = {
        {"list", sArchive},
        {"list", sArchive, "r?ot/*/"},
        {"find", sArchive, "a"},
        {"hash", sArchive},
        {"hash", "--crc32", sArchive, "root", "/root/"},
        {"info", sArchive},
        {"verify", sArchive},
        {"diff", sArchive, sArchive},
    };
    for (const std::vector<std::string> &Arguments : Commands)
    {
        CCheckedOutput Output;
        RunCommandLine(SCliContext{Output, ScratchFolder()}, Arguments);
        // The report's 100 lines and its count, and a few messages of the
        // command's own (a refused archive takes five).
        if (Output.uiErrLines > 101 + 8)
            Broken("too many lines on stderr", Output.uiErrLines);
    }
    return 0;
}
