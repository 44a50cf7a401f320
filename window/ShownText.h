// SPDX-License-Identifier: MIT
#pragma once
// Text that reaches a terminal or a console line with names in it: every
// control character (C0, DEL, and C1 whether a raw byte or UTF-8) and every
// invisible format character (Unicode category Cf: the bidi controls such as
// U+202E, the zero-width characters) is shown as "?", so that one item is
// always one line and no name can retitle, clear, recolour or answer for a
// terminal, or show itself reversed. Everything else passes unchanged, and
// files on disk keep their exact names: this is for showing only.
//
// Lines for people stay short: a path shown in a line (a console line, a
// message, a Location cell) takes at most MAX_SHOWN_PATH_BYTES; a longer one
// keeps its start and its end with "..." between (ShortenedPath). A deep
// path is never built whole to be cut: CBoundedPath keeps the pieces of a
// path as views and holds only its first bytes as text.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Bytes as the archive or the command line holds them: a valid UTF-8
// sequence is one character (U+0080 to U+009F are C1); any other byte is a
// character of its own, as a Latin-1 terminal would take it (0x80 to 0x9F
// are C1 there).
std::string ShownText(std::string_view sText);
// The same rule for text already decoded.
QString ShownText(const QString &sText);

// The most bytes (UTF-8) of a path in a line for people, "..." included.
inline constexpr size_t MAX_SHOWN_PATH_BYTES = 4096;

// sPath whole when it takes at most uiMaxBytes; otherwise its first and last
// bytes with "..." between, uiMaxBytes or a little less in all, never cut
// inside a UTF-8 character.
std::string ShortenedPath(std::string_view sPath, size_t uiMaxBytes = MAX_SHOWN_PATH_BYTES);
// The same for decoded text, measured in its UTF-8 bytes (the window's
// Location cells).
QString ShortenedPath(const QString &sPath, size_t uiMaxBytes = MAX_SHOWN_PATH_BYTES);

// A path built piece by piece as a walk goes down and up a tree: a start
// (the folder written into, or nothing) and, per level, a separator and a
// name. The names are views that must outlive the path (the reader keeps
// them while the archive is open). Only the first KEPT_BYTES of the text are
// held, so memory grows with the depth, never with the length of the path:
// nested folders that share one long name make paths far longer than the
// archive.
class CBoundedPath
{
public:
    static constexpr size_t KEPT_BYTES = MAX_SHOWN_PATH_BYTES;

    explicit CBoundedPath(std::string sStart = {});

    void Push(char cSeparator, std::string_view sName);
    void Pop();
    // Back to uiDepth pieces (no change when there are fewer).
    void Truncate(size_t uiDepth);
    size_t Depth() const { return Pieces.size(); }

    // The whole path's length in bytes.
    uint64_t Size() const { return Pieces.empty() ? sStart.size() : Pieces.back().uiEnd; }
    // The whole text, while Size() <= KEPT_BYTES (a cut text otherwise).
    std::string_view Text() const { return sKept; }
    // The path as a line shows it: ShortenedPath of the whole path.
    std::string Shown() const { return Shown(Depth()); }
    // The same for the path of the first uiDepth pieces, followed by
    // cSeparator and sLast when cSeparator is not '\0' (a file in a folder
    // of the path, or the folder with a separator at its end).
    std::string Shown(size_t uiDepth, char cSeparator = '\0', std::string_view sLast = {}) const;

private:
    struct SPiece
    {
        std::string_view sName;
        uint64_t uiEnd;  // the path's length with this piece
        char cSeparator;
    };
    std::string sStart;
    std::vector<SPiece> Pieces;
    std::string sKept;  // the first bytes of the path, up to KEPT_BYTES
};

}  // namespace Larkspur
