#include "cli/CliArchive.h"

#include "archive/CGCF.h"

#include <sys/stat.h>

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

}  // namespace

bool OpenArchiveForCli(const SCliContext &Context, CGCF &GCFFile, const std::string &sPath)
{
    GCFFile.SetDumpFolder(Context.sDumpFolder);
    std::string sReason;
    if (!FileExists(sPath))
    {
        sReason = "File does not exist.";
    }
    else if (GCFFile.Open(sPath.c_str()))
    {
        return true;
    }
    else
    {
        const char *szLastError = GCFFile.GetLastError();
        sReason = szLastError ? szLastError : "";
    }
    Context.Output.WriteError("Could not open:\n" + sPath + "\n\nError:\n" + sReason + "\n");
    return false;
}

bool ResolveItem(const CGCF &GCFFile, std::string_view sItem, uint32_t &uiIndex)
{
    const std::vector<std::string_view> Parts = SplitLocation(sItem);
    // "root/maps/" names the folder maps even where a file maps comes first.
    const bool bFolderWanted = !sItem.empty() && IsSeparator(sItem.back());
    if (Parts.empty() || Parts.front() != "root" || !GCFFile.IsValidDirectoryIndex(0))
        return false;

    uint32_t uiCurrent = 0;
    std::vector<uint32_t> Children;
    for (size_t uiPart = 1; uiPart < Parts.size(); ++uiPart)
    {
        // A folder may hold a folder and a file of the same name; a part
        // that has more parts after it can only be the folder.
        const bool bAnyKind = uiPart + 1 == Parts.size() && !bFolderWanted;
        Children.clear();
        GCFFile.GetDirectoryItemChildren(uiCurrent, Children);
        bool bFound = false;
        for (const uint32_t uiChild : Children)
        {
            if (GCFFile.GetDirectoryItemName(uiChild) == Parts[uiPart] && (bAnyKind || GCFFile.IsFolder(uiChild)))
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

std::string ItemLocation(const CGCF &GCFFile, uint32_t uiDirectoryIndex)
{
    std::string sPath;
    GCFFile.GetDirectoryItemPath(uiDirectoryIndex, sPath);
    return sPath;
}

}  // namespace Larkspur
