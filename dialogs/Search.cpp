// SPDX-License-Identifier: MIT
#include "Search.h"

#include "archive/IArchive.h"
#include "window/Utils.h"

namespace Larkspur
{

namespace
{

bool IsAscii(std::string_view sText)
{
    for (const char cChar : sText)
        if (static_cast<unsigned char>(cChar) >= 0x80)
            return false;
    return true;
}

char AsciiLower(char cChar)
{
    return (cChar >= 'A' && cChar <= 'Z') ? static_cast<char>(cChar - 'A' + 'a') : cChar;
}

}  // namespace

CSearchMatch::CSearchMatch(const QString &sSearchWord)
    : sLowerWord(sSearchWord.toLower())
{
    // Unicode lower-casing of an ASCII name stays ASCII and agrees with the
    // ASCII table, so for an ASCII word the bytes can be compared directly.
    // A word that lower-cases to something beyond ASCII can only match
    // non-ASCII names, which take the decoding path anyway.
    const QByteArray Utf8Word = sLowerWord.toUtf8();
    bAsciiWord = IsAscii(std::string_view(Utf8Word.constData(), static_cast<size_t>(Utf8Word.size())));
    if (bAsciiWord)
        sAsciiWord.assign(Utf8Word.constData(), static_cast<size_t>(Utf8Word.size()));
}

bool CSearchMatch::Matches(std::string_view sName) const
{
    if (IsAscii(sName))
    {
        if (!bAsciiWord)
            return false;
        sLowerName.resize(sName.size());
        for (size_t i = 0; i < sName.size(); ++i)
            sLowerName[i] = AsciiLower(sName[i]);
        return std::string_view(sLowerName).find(sAsciiWord) != std::string_view::npos;
    }
    // Non-ASCII names may lower-case to ASCII (the Kelvin sign becomes "k"),
    // so they are decoded and lower-cased in full.
    return MatchesDecoded(Utils::DecodeName(sName));
}

bool CSearchMatch::MatchesDecoded(const QString &sName) const
{
    return sName.toLower().contains(sLowerWord);
}

std::vector<uint32_t> FindMatchingItems(const IArchive &Archive, const QString &sSearchWord, bool *lpbComplete)
{
    std::vector<SDirectoryWalkItem> Items;
    const bool bComplete = Archive.WalkDirectory(0, Items);
    if (lpbComplete)
        *lpbComplete = bComplete;

    const CSearchMatch Match(sSearchWord);
    std::vector<uint32_t> Matches;
    for (const SDirectoryWalkItem &Item : Items)
        if (Match.Matches(Archive.GetDirectoryItemName(Item.uiDirectoryIndex)))
            Matches.push_back(Item.uiDirectoryIndex);
    return Matches;
}

std::string SearchResultLine(std::string_view sSearchWord, uint64_t uiResultCount)
{
    std::string sLine = "Search for '";
    sLine += sSearchWord;
    sLine += "' returned ";
    sLine += std::to_string(uiResultCount);
    sLine += uiResultCount == 1 ? " result." : " results.";
    return sLine;
}

}  // namespace Larkspur
