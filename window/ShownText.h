// SPDX-License-Identifier: MIT
#pragma once
// Text that reaches a terminal or a console line with names in it: every
// control character (C0, DEL, and C1 whether a raw byte or UTF-8) is shown as
// "?", so that one item is always one line and no name can retitle, clear,
// recolour or answer for a terminal. Everything else passes unchanged, and
// files on disk keep their exact names: this is for showing only.

#include <QString>

#include <string>
#include <string_view>

namespace Larkspur
{

// Bytes as the archive or the command line holds them: a valid UTF-8
// sequence is one character (U+0080 to U+009F are C1); any other byte is a
// character of its own, as a Latin-1 terminal would take it (0x80 to 0x9F
// are C1 there).
std::string ShownText(std::string_view sText);
// The same rule for text already decoded.
QString ShownText(const QString &sText);

}  // namespace Larkspur
