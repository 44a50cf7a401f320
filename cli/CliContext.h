// SPDX-License-Identifier: MIT
#pragma once
// What a command of larkspur-cli runs with: where its output goes (the
// process's stdout and stderr, or memory in the tests) and where a refused
// archive's dump.txt is written; and the exit statuses the commands return.

#include <string>
#include <string_view>

namespace Larkspur
{

// Exit statuses. Scripts tell a refused archive or a bad command line (2)
// from a command that ran and failed part of the way (1).
inline constexpr int CLI_EXIT_OK = 0;
inline constexpr int CLI_EXIT_FAILED = 1;  // damaged directory, items not written
inline constexpr int CLI_EXIT_USAGE = 2;   // bad arguments, unknown item, or the archive could not be opened

// The two output streams of the tool. Item names are the archive's bytes and
// pass through unchanged.
class ICliOutput
{
public:
    virtual ~ICliOutput() = default;
    virtual void WriteOut(std::string_view sText) = 0;
    // Keeps the order of the two streams on a shared terminal.
    virtual void WriteError(std::string_view sText) = 0;
    // Hands what was written to stdout on at once (a line on a terminal).
    virtual void FlushOut() = 0;
    virtual bool OutIsTerminal() const = 0;
    // Whether stderr is a terminal that takes the progress bar's escape
    // sequences (not one that declares itself "dumb").
    virtual bool ErrorTakesProgress() const = 0;
    // Whether the console lines on stdout, and the failures on stderr, take
    // their colours.
    virtual bool OutTakesColour() const = 0;
    virtual bool ErrorTakesColour() const = 0;
};

struct SCliContext
{
    ICliOutput &Output;
    std::string sDumpFolder;  // "" for the current folder
};

}  // namespace Larkspur
