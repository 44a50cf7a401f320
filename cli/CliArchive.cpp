// SPDX-License-Identifier: MIT
#include "cli/CliArchive.h"

#include "archive/ArchiveNames.h"
#include "archive/OpenArchive.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <QLocale>

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace Larkspur
{

namespace
{

bool FileExists(const std::string &sPath)
{
    struct stat Status;
    return ::stat(sPath.c_str(), &Status) == 0 && !S_ISDIR(Status.st_mode);
}

bool IsSeparator(char cChar)
{
    return cChar == '\\' || cChar == '/';
}

// Splits a location at its separators; empty parts (a leading, doubled or
// trailing separator) are dropped.
std::vector<std::string_view> SplitLocation(std::string_view sItem)
{
    std::vector<std::string_view> Parts;
    size_t uiStart = 0;
    for (size_t i = 0; i <= sItem.size(); ++i)
    {
        if (i == sItem.size() || IsSeparator(sItem[i]))
        {
            if (i > uiStart)
                Parts.push_back(sItem.substr(uiStart, i - uiStart));
            uiStart = i + 1;
        }
    }
    return Parts;
}

bool IsPattern(std::string_view sItem)
{
    return sItem.find_first_of("*?[") != std::string_view::npos;
}

bool NameMatches(const std::string &sPattern, std::string_view sName)
{
    return ::fnmatch(sPattern.c_str(), std::string(sName).c_str(), FNM_PATHNAME | FNM_NOESCAPE) == 0;
}

}  // namespace

std::unique_ptr<IArchive> OpenArchiveForCli(const SCliContext &Context, const std::string &sPath, bool bDump)
{
    std::string sReason = "File does not exist.";
    if (FileExists(sPath))
    {
        SOpenedArchive Opened = OpenArchive(sPath, SOpenOptions{bDump, Context.sDumpFolder});
        if (Opened.Archive)
            return std::move(Opened.Archive);
        sReason = Opened.Result.Text() != nullptr ? Opened.Result.Text() : "";
    }
    Context.Output.WriteError("Could not open:\n" + ShownText(sPath) + "\n\nError:\n" + sReason + "\n");
    return nullptr;
}

bool ResolveItem(const IArchive &Archive, std::string_view sItem, uint32_t &uiIndex)
{
    const std::vector<std::string_view> Parts = SplitLocation(sItem);
    // "root/maps/" names the folder maps even where a file maps comes first.
    const bool bFolderWanted = !sItem.empty() && IsSeparator(sItem.back());
    if (Parts.empty() || Parts.front() != ROOT_NAME || !Archive.IsValidDirectoryIndex(0))
        return false;

    uint32_t uiCurrent = 0;
    std::vector<uint32_t> Children;
    for (size_t uiPart = 1; uiPart < Parts.size(); ++uiPart)
    {
        // A folder may hold a folder and a file of the same name; a part
        // that has more parts after it can only be the folder.
        const bool bAnyKind = uiPart + 1 == Parts.size() && !bFolderWanted;
        Children.clear();
        Archive.GetDirectoryItemChildren(uiCurrent, Children);
        bool bFound = false;
        for (const uint32_t uiChild : Children)
        {
            if (Archive.GetDirectoryItemName(uiChild) == Parts[uiPart] && (bAnyKind || Archive.IsFolder(uiChild)))
            {
                uiCurrent = uiChild;
                bFound = true;
                break;
            }
        }
        if (!bFound)
            return false;
    }
    uiIndex = uiCurrent;
    return true;
}

std::vector<uint32_t> MatchItems(const IArchive &Archive, std::string_view sItem)
{
    uint32_t uiExact = 0;
    if (ResolveItem(Archive, sItem, uiExact))
        return {uiExact};
    const std::vector<std::string_view> Parts = SplitLocation(sItem);
    if (!IsPattern(sItem) || Parts.empty() || !NameMatches(std::string(Parts.front()), "root") ||
        !Archive.IsValidDirectoryIndex(0))
        return {};

    // Level by level, the items matched so far; each at most once per level,
    // so that folders whose damaged links share items cannot multiply them.
    const bool bFolderWanted = IsSeparator(sItem.back());
    std::vector<uint32_t> Matched{0}, Next, Children;
    std::unordered_set<uint32_t> Seen;
    for (size_t uiPart = 1; uiPart < Parts.size() && !Matched.empty(); ++uiPart)
    {
        const bool bAnyKind = uiPart + 1 == Parts.size() && !bFolderWanted;
        const std::string sPattern(Parts[uiPart]);
        Next.clear();
        Seen.clear();
        for (const uint32_t uiFolder : Matched)
        {
            Children.clear();
            if (Archive.IsFolder(uiFolder))
                Archive.GetDirectoryItemChildren(uiFolder, Children);
            for (const uint32_t uiChild : Children)
            {
                if ((bAnyKind || Archive.IsFolder(uiChild)) &&
                    NameMatches(sPattern, Archive.GetDirectoryItemName(uiChild)) && Seen.insert(uiChild).second)
                    Next.push_back(uiChild);
            }
        }
        Matched.swap(Next);
    }
    return Matched;
}

bool MatchItemArguments(const SCliContext &Context, const IArchive &Archive, const std::vector<std::string> &Items,
                        std::vector<uint32_t> &Indexes)
{
    std::unordered_set<uint32_t> Named;
    for (const std::string &sItem : Items)
    {
        const std::vector<uint32_t> Matched = MatchItems(Archive, sItem);
        if (Matched.empty())
        {
            Context.Output.WriteError("No such item: " + ShownText(sItem) + "\n");
            return false;
        }
        for (const uint32_t uiIndex : Matched)
            if (Named.insert(uiIndex).second)
                Indexes.push_back(uiIndex);
    }
    if (Indexes.empty())
        Indexes.push_back(0);
    return true;
}

std::unique_ptr<IArchive> OpenArchiveItems(const SCliContext &Context, const std::string &sPath,
                                           const std::vector<std::string> &Items, std::vector<uint32_t> &Indexes)
{
    std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sPath);
    if (!Archive || !MatchItemArguments(Context, *Archive, Items, Indexes))
        return nullptr;
    return Archive;
}

bool WalkLocations(const IArchive &Archive, uint32_t uiStart,
                   const std::function<bool(uint32_t uiDirectoryIndex, const CBoundedPath &Location)> &OnItem)
{
    std::vector<SDirectoryWalkItem> Items;
    const bool bComplete = Archive.WalkDirectory(uiStart, Items);
    if (Items.empty())
        return bComplete;

    // The folders above the start, from the root down (a parent chain that
    // loops is cut after as many steps as there are items).
    std::vector<std::string_view> Above;
    const uint32_t uiItemCount = Archive.GetItemCount();
    for (uint32_t uiIndex = uiStart, uiStep = 0; uiStep < uiItemCount; ++uiStep)
    {
        uiIndex = Archive.GetDirectoryItemParent(uiIndex);
        if (!Archive.IsValidDirectoryIndex(uiIndex))
            break;
        Above.push_back(Archive.GetDirectoryItemName(uiIndex));
    }
    CBoundedPath Location;
    for (auto It = Above.rbegin(); It != Above.rend(); ++It)
        Location.Push(Location.Depth() == 0 ? '\0' : '/', *It);
    const size_t uiAboveDepth = Location.Depth();

    // The walk is in pre-order, so an item's folder is on this stack of the
    // folders open above it: each entry is a slot of the walk and the depth
    // of the location with that item.
    std::vector<std::pair<uint32_t, size_t>> Open;
    for (uint32_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        const uint32_t uiParentSlot = Items[uiSlot].uiParentSlot;
        while (!Open.empty() && Open.back().first != uiParentSlot)
            Open.pop_back();
        Location.Truncate(Open.empty() ? uiAboveDepth : Open.back().second);
        const char cSeparator = Location.Depth() == 0 ? '\0' : '/';
        Location.Push(cSeparator, Archive.GetDirectoryItemName(Items[uiSlot].uiDirectoryIndex));
        Open.emplace_back(uiSlot, Location.Depth());
        if (!OnItem(Items[uiSlot].uiDirectoryIndex, Location))
            return true;
    }
    return bComplete;
}

std::string DataProblem(uint64_t uiSize, EDataWalk eData, const CItemData &Data)
{
    if (eData == EDataWalk::NoData)
        return uiSize > 0 ? "no physical data" : "";
    if (eData != EDataWalk::Complete)
        return DataWalkReason(eData);
    if (Data.GetSize() != uiSize)
        return "the data holds " + Utils::GroupedNumber(Data.GetSize()).toStdString() + " of " +
               Utils::GroupedNumber(uiSize).toStdString() + " bytes";
    return "";
}

std::string SizeText(uint64_t uiBytes, bool bDetailed)
{
    QString sText;
    if (uiBytes <= UINT32_MAX)
        sText = Utils::FileSizeToString(static_cast<uint32_t>(uiBytes), bDetailed);
    else
    {
        // The group separator always in, as in every other size text.
        QLocale Locale;
        Locale.setNumberOptions(Locale.numberOptions() & ~QLocale::OmitGroupSeparator);
        sText = Locale.toString(static_cast<double>(uiBytes) / 1048576.0, 'f', 2) + QStringLiteral(" MB");
        if (bDetailed)
            sText += QStringLiteral(" (") + Utils::GroupedNumber(uiBytes) + QStringLiteral(" B)");
    }
    const QByteArray Utf8 = sText.toUtf8();
    return std::string(Utf8.constData(), static_cast<size_t>(Utf8.size()));
}

void CLeftOutReport::Add(std::string_view sPrefix, std::string_view sShortPath, std::string_view sReason)
{
    if (uiLines++ >= MAX_LINES)
        return;
    std::string sLine(sPrefix);
    sLine.append(ShownText(sShortPath)).append(" (").append(sReason).append(").\n");
    Output.WriteError(sLine);
}

void CLeftOutReport::Finish()
{
    if (uiLines > MAX_LINES)
        Output.WriteError("... and " + std::to_string(uiLines - MAX_LINES) + " more.\n");
}

}  // namespace Larkspur
