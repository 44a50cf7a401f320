// SPDX-License-Identifier: MIT
#pragma once
// The search over item names, shared by the window's Find command and the
// command-line tool's find: an item matches when its name, lower-cased,
// contains the search word, lower-cased, anywhere. The word is matched as
// typed, blanks included.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

class IArchive;

class CSearchMatch
{
public:
    explicit CSearchMatch(const QString &sSearchWord);

    // sName is the item's name as the archive stores it (bytes); it is read
    // as Utils::DecodeName reads it.
    bool Matches(std::string_view sName) const;
    // The same test for a name already decoded.
    bool MatchesDecoded(const QString &sName) const;

private:
    QString sLowerWord;
    // The lower-cased word as ASCII bytes, when it is ASCII: an ASCII name is
    // then compared byte by byte, without decoding it.
    bool bAsciiWord = false;
    std::string sAsciiWord;
    mutable std::string sLowerName;  // reused for every ASCII name
};

// The directory indexes of the items whose names match, in the folder tree's
// pre-order: the root (named "root") first, each folder before its items,
// siblings in the archive's order. *lpbComplete (when given) is false when a
// damaged directory stopped the walk; the matches found before then stay.
std::vector<uint32_t> FindMatchingItems(const IArchive &Archive, const QString &sSearchWord, bool *lpbComplete = nullptr);

// The console line that reports a search: "Search for '" + word + "' returned
// 3 results." ("1 result." for exactly one). The word is 8-bit text, as typed.
std::string SearchResultLine(std::string_view sSearchWord, uint64_t uiResultCount);

}  // namespace Larkspur
