// SPDX-License-Identifier: MIT
#pragma once
// The command line as the program receives it and the archive path taken from
// it. Linux hands the program an argument vector, not one line of text: one
// argument (what a file manager's "Open with" passes, or a shell's quoted
// path) is the path exactly as given, whatever quotes or blanks it holds.
// Several arguments are joined into the line the Windows shell would have
// passed (an argument holding white space put in double quotes, the
// arguments joined by one blank), and the path is cut out of that line.

#include <QString>
#include <QStringList>

#include <optional>

namespace Larkspur
{

// The arguments after the program's own name, joined into one line.
QString RebuildCommandLine(const QStringList &Arguments);

// The archive path that the arguments after the program's own name give: a
// leading "--" ends the options and is dropped ("larkspur -- -odd.gcf"); then
// no argument gives "", one gives itself unchanged, and several are joined
// (RebuildCommandLine) and cut (PathFromCommandLine).
QString PathFromArguments(const QStringList &Arguments);

// The path of the archive to open at start, or "" when the line names none:
// - white space around the line is ignored;
// - a line that starts with a double quote names the text up to the next
//   double quote; without a closing quote it names the rest of the line, so
//   that a line cut short by the caller still opens what it can;
// - any other line names the text up to its first blank (a path holding a
//   blank must be quoted).
QString PathFromCommandLine(const QString &sCommandLine);

// The archive path as the window shows and remembers it: a relative path
// (a shell passes those) is taken from sCurrentFolder and made absolute, so
// that the title, the status bar and the recent list hold a path that works
// from any folder. "." and ".." steps are dropped only where that names the
// same file: through a link, "link/.." is not the folder that holds the link.
// An absolute path is kept as given.
QString AbsoluteArchivePath(const QString &sPath, const QString &sCurrentFolder);

// What "larkspur --help" (or -h) and "larkspur --version" print instead of
// opening a window, when the first argument asks for it; nothing otherwise.
std::optional<QString> InformationText(const QStringList &Arguments);

}  // namespace Larkspur
