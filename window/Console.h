// SPDX-License-Identifier: MIT
#pragma once
// The console: one line of text in one of three colours. The window's rich
// text pane, the command-line tool's stdout and a memory sink in tests each
// implement it. Lines are 8-bit text; item names inside them are the archive's
// bytes, unchanged.

#include <cstdint>
#include <string_view>

namespace Larkspur
{

enum class ELineColor
{
    Green,  // archives opened and closed, commands started and done, search results
    Gray,   // per-item progress: created, wrote, deleted
    Red,    // a single item failed
};

struct SLineRgb
{
    uint8_t uiRed, uiGreen, uiBlue;
};

constexpr SLineRgb LineColorRgb(ELineColor eColor)
{
    switch (eColor)
    {
    case ELineColor::Green: return {0, 128, 0};
    case ELineColor::Gray: return {128, 128, 128};
    case ELineColor::Red: return {255, 0, 0};
    }
    return {0, 0, 0};
}

class IConsole
{
public:
    virtual ~IConsole() = default;
    virtual void WriteLine(std::string_view sLine, ELineColor eColor) = 0;
    // A red line for a failure the system gave a reason for (an errno
    // value; 0 when it gave none). The line's text is the same either way:
    // the window shows it as it is, the command-line tool adds the reason.
    virtual void WriteFailure(std::string_view sLine, int iSystemError)
    {
        static_cast<void>(iSystemError);
        WriteLine(sLine, ELineColor::Red);
    }
};

}  // namespace Larkspur
