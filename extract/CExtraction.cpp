#include "CExtraction.h"

#include "COutputFile.h"

#include "window/Utils.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace Larkspur
{

namespace
{

// A folder path made to end in exactly one separator; "/" stays "/".
void EndWithSeparator(std::string &sDirectory)
{
    while (!sDirectory.empty() && sDirectory.back() == '/')
        sDirectory.pop_back();
    sDirectory += '/';
}

std::string JoinPath(const std::string &sFolder, const char *szName)
{
    std::string sPath = sFolder;
    if (sPath.empty() || sPath.back() != '/')
        sPath += '/';
    return sPath + szName;
}

bool IsFolderOnDisk(const std::string &sPath)
{
    struct stat Stat;
    return ::stat(sPath.c_str(), &Stat) == 0 && S_ISDIR(Stat.st_mode);
}

// Creates the folder and every missing folder above it. A component that
// exists already (as a folder, or a link to one) is passed through.
bool MakeDirectories(const std::string &sDirectory)
{
    if (sDirectory.empty())
        return false;
    size_t uiEnd = 0;
    while (uiEnd != std::string::npos)
    {
        uiEnd = sDirectory.find('/', uiEnd + 1);
        const std::string sPrefix = sDirectory.substr(0, uiEnd);
        if (sPrefix.empty() || sPrefix.back() == '/')
            continue;  // the root, or a doubled separator
        if (::mkdir(sPrefix.c_str(), 0777) != 0 && errno != EEXIST && !IsFolderOnDisk(sPrefix))
            return false;
    }
    return IsFolderOnDisk(sDirectory);
}

}  // namespace

// Marks the depth of the running ExtractItem calls; the outermost one ends
// the run's state when it returns.
class CExtraction::CRun
{
public:
    explicit CRun(CExtraction &Extraction) : Extraction(Extraction) { ++Extraction.uiDepth; }
    ~CRun()
    {
        if (--Extraction.uiDepth == 0)
            Extraction.Visited.clear();
    }
    CRun(const CRun &) = delete;
    CRun &operator=(const CRun &) = delete;

private:
    CExtraction &Extraction;
};

CExtraction::CExtraction(const CGCF &GCFFile, IConsole &Console) : GCFFile(GCFFile), Console(Console)
{
}

bool CExtraction::IsSafeItemName(std::string_view sName)
{
    return !sName.empty() && sName != "." && sName != ".." && sName.find_first_of("/\\") == std::string_view::npos;
}

bool CExtraction::ContinueExtracting()
{
    if (Abort == nullptr)
        return true;
    Abort->ProcessPendingEvents();
    return bExtracting;
}

bool CExtraction::ExtractItem(std::string sDirectory, uint32_t uiDirectoryIndex)
{
    CRun Run(*this);
    if (!ContinueExtracting())
        return false;
    EndWithSeparator(sDirectory);
    if (!CreateDirectory(sDirectory))
        return false;

    const GCFDirectoryEntry *lpEntry = GCFFile.GetDirectoryEntry(uiDirectoryIndex);
    if (lpEntry == nullptr)
    {
        WriteRed(sDirectory, "item " + std::to_string(uiDirectoryIndex) + " is not in the archive's directory");
        return false;
    }
    const std::string_view sName = GCFFile.GetDirectoryItemName(uiDirectoryIndex);
    if (lpEntry->uiFlags == 0)
        return ExtractFolder(sDirectory, uiDirectoryIndex, sName);

    // A file counts towards the progress before it is written, also when it
    // then fails.
    if (Abort != nullptr)
        Abort->Update(++uiCount);
    if (!IsSafeItemName(sName))
    {
        WriteRed(sName, "unsafe name");
        return false;
    }
    // A file reached from the outermost call needs no mark: only a folder's
    // walk can come back to an item.
    if (uiDepth > 1)
        MarkVisited(uiDirectoryIndex);
    const uint32_t uiFirstEntry = GCFFile.GetFirstEntry(uiDirectoryIndex);
    if (uiFirstEntry == GCFFile.GetPositions().lpBlockEntryHeader->uiEntryCount)
    {
        WriteRed(sName, "no physical data to write");
        return false;
    }
    return ExtractFile(sDirectory, uiFirstEntry);
}

bool CExtraction::ExtractFolder(const std::string &sDirectory, uint32_t uiDirectoryIndex, std::string_view sName)
{
    if (!IsSafeItemName(sName))
    {
        WriteRed(sName, "unsafe name");
        return false;
    }
    MarkVisited(uiDirectoryIndex);
    // The folder itself is made by its children's calls, so an empty folder
    // writes nothing.
    const std::string sChildDirectory = sDirectory + std::string(sName) + "/";
    std::vector<uint32_t> Children;
    const bool bLinksIntact = GCFFile.GetDirectoryItemChildren(uiDirectoryIndex, Children);
    for (const uint32_t uiChild : Children)
    {
        // Sibling links are a chain: from an item written before, the rest of
        // the chain was written before too (or it loops), so the walk of this
        // folder ends there, with one line.
        if (IsVisited(uiChild))
        {
            WriteRed(sChildDirectory + std::string(GCFFile.GetDirectoryItemName(uiChild)),
                     "reached twice: the archive's folder links loop");
            return true;
        }
        ExtractItem(sChildDirectory, uiChild);  // a failed child does not stop its siblings
        if (!ContinueExtracting())
            return false;
    }
    if (!bLinksIntact)
        WriteRed(sChildDirectory, "the folder's item links are damaged; the items after the damage are missing");
    return true;
}

void CExtraction::MarkVisited(uint32_t uiDirectoryIndex)
{
    if (Visited.empty())
        Visited.assign(GCFFile.GetItemCount(), false);
    if (uiDirectoryIndex < Visited.size())
        Visited[uiDirectoryIndex] = true;
}

bool CExtraction::IsVisited(uint32_t uiDirectoryIndex) const
{
    return uiDirectoryIndex < Visited.size() && Visited[uiDirectoryIndex];
}

bool CExtraction::ExtractFile(const std::string &sDirectory, uint32_t uiBlockEntryIndex)
{
    std::string sPath = sDirectory;
    if (sPath.empty() || sPath.back() != '/')
        sPath += '/';

    const GCFBlockEntry *lpFirstEntry = GCFFile.GetBlockEntry(uiBlockEntryIndex);
    if (lpFirstEntry == nullptr)
    {
        WriteRed(sPath, DataWalkReason(EDataWalk::BadEntry));
        return false;
    }
    const uint32_t uiOwner = lpFirstEntry->uiOwner;
    const GCFDirectoryEntry *lpOwner = GCFFile.GetDirectoryEntry(uiOwner);
    if (lpOwner == nullptr)
    {
        WriteRed(sPath, "the data's owner " + std::to_string(uiOwner) + " is not in the archive's directory");
        return false;
    }
    const std::string_view sName = GCFFile.GetDirectoryItemName(uiOwner);
    if (!IsSafeItemName(sName))
    {
        WriteRed(sName, "unsafe name");
        return false;
    }
    sPath += sName;

    COutputFile File(GCFFile.GetPositions().lpBase);
    switch (File.Open(sPath, GCFFile.GetFileDevice(), GCFFile.GetFileInode()))
    {
    case EOpenOutput::Opened:
        break;
    case EOpenOutput::IsArchive:
        WriteRed(sPath, "the archive itself");
        return false;
    case EOpenOutput::Failed:
        Console.WriteLine("Could not open " + sPath + " for writing.", ELineColor::Red);
        return false;
    }

    // The written count is the sum of the entries' lengths, taken before
    // their blocks; it is kept in 64 bits so that a damaged archive whose
    // entries add up past 4 GiB cannot wrap round to the recorded size.
    uint64_t uiWritten = 0;
    const EDataWalk eWalk = GCFFile.WalkItemData(
        uiBlockEntryIndex,
        [&](const GCFBlockEntry &Entry) {
            uiWritten += Entry.uiDataLength;
            return true;
        },
        [&](uint64_t uiOffset, uint32_t uiLength) { return File.Append(uiOffset, uiLength); });
    // What was written before a failure stays on disk.
    const bool bClosed = File.Close();
    if (eWalk == EDataWalk::Stopped || !bClosed)
    {
        WriteRed(sPath, "fwrite() failure");
        return false;
    }
    if (eWalk != EDataWalk::Complete)
    {
        WriteRed(sPath, DataWalkReason(eWalk));
        return false;
    }

    const uint32_t uiItemSize = lpOwner->uiItemSize;
    if (uiWritten == uiItemSize)
        Console.WriteLine("Wrote " + sPath + " (" + Utils::FileSizeToString(uiItemSize).toStdString() + ").",
                          ELineColor::Gray);
    else
        WriteRed(sPath, Utils::GroupedNumber(uiWritten).toStdString() + " B / " +
                            Utils::GroupedNumber(uiItemSize).toStdString() + " B written");
    return true;
}

bool CExtraction::CreateDirectory(const std::string &sDirectory)
{
    if (IsFolderOnDisk(sDirectory))
        return true;
    if (MakeDirectories(sDirectory))
    {
        Console.WriteLine("Created " + sDirectory + ".", ELineColor::Gray);
        return true;
    }
    Console.WriteLine("Faild to create directory " + sDirectory + ".", ELineColor::Red);
    return false;
}

void CExtraction::DeleteDirectory(const std::string &sDirectory)
{
    if (sDirectory.empty())
        return;
    std::string sPath = sDirectory;
    if (sPath.front() != '/')
    {
        if (char *szWorking = ::getcwd(nullptr, 0))
        {
            sPath = JoinPath(szWorking, sDirectory.c_str());
            std::free(szWorking);
        }
    }
    while (sPath.size() > 1 && sPath.back() == '/')
        sPath.pop_back();
    // A link in place of the folder is not the folder: nothing behind it is
    // deleted.
    struct stat Stat;
    if (::lstat(sPath.c_str(), &Stat) != 0 || !S_ISDIR(Stat.st_mode))
        return;
    DeleteDirectoryAt(sPath);
}

void CExtraction::DeleteDirectoryAt(const std::string &sPath)
{
    std::vector<std::string> Folders, Files;
    if (DIR *lpListing = ::opendir(sPath.c_str()))
    {
        errno = 0;
        while (const dirent *lpItem = ::readdir(lpListing))
        {
            const std::string_view sName = lpItem->d_name;
            if (sName == "." || sName == "..")
                continue;
            bool bFolder = lpItem->d_type == DT_DIR;
            if (lpItem->d_type == DT_UNKNOWN)
            {
                struct stat Stat;
                bFolder = ::lstat(JoinPath(sPath, lpItem->d_name).c_str(), &Stat) == 0 && S_ISDIR(Stat.st_mode);
            }
            // Links, folder links included, are removed as files.
            (bFolder ? Folders : Files).emplace_back(lpItem->d_name);
            errno = 0;
        }
        if (errno != 0)
            Console.WriteLine("Could not list " + sPath + ".", ELineColor::Red);
        ::closedir(lpListing);
    }
    else
    {
        Console.WriteLine("Could not list " + sPath + ".", ELineColor::Red);
    }

    for (const std::string &sFolder : Folders)
        DeleteDirectoryAt(JoinPath(sPath, sFolder.c_str()));
    for (const std::string &sFile : Files)
    {
        const std::string sFilePath = JoinPath(sPath, sFile.c_str());
        if (::unlink(sFilePath.c_str()) == 0)
            Console.WriteLine("Deleted " + sFilePath + ".", ELineColor::Gray);
        else
            Console.WriteLine("Could not delete " + sFilePath + ".", ELineColor::Red);
    }
    if (::rmdir(sPath.c_str()) == 0)
        Console.WriteLine("Deleted " + sPath + ".", ELineColor::Gray);
    else
        Console.WriteLine("Could not delete " + sPath + ".", ELineColor::Red);
}

void CExtraction::WriteRed(std::string_view sPath, std::string_view sReason)
{
    std::string sLine = "Error writing ";
    sLine.append(sPath).append(" (").append(sReason).append(").");
    Console.WriteLine(sLine, ELineColor::Red);
}

}  // namespace Larkspur
