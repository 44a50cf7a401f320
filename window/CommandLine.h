#pragma once
// The command line as the program receives it and the archive path cut out of
// it. Linux hands the program an argument vector, not one line of text, so the
// line is rebuilt the way the Windows shell would have passed it: an argument
// holding white space is put in double quotes, and the arguments are joined by
// one blank. The path is then cut out of that line by one rule, whatever
// platform the program runs on.

#include <QString>
#include <QStringList>

namespace Larkspur
{

// The arguments after the program's own name, joined into one line.
QString RebuildCommandLine(const QStringList &Arguments);

// The path of the archive to open at start, or "" when the line names none:
// - white space around the line is ignored;
// - a line that starts with a double quote names the text up to the next
//   double quote; without a closing quote it names the rest of the line, so
//   that a line cut short by the caller still opens what it can;
// - any other line names the text up to its first blank (a path holding a
//   blank must be quoted).
QString PathFromCommandLine(const QString &sCommandLine);

}  // namespace Larkspur
