// SPDX-License-Identifier: MIT
#include "extract/CExtraction.h"

#include "extract/CExtractionLevel.h"

#include "archive/CItemData.h"
#include "window/Utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

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

bool IsFolderOnDisk(const std::string &sPath)
{
    struct stat Stat;
    return ::stat(sPath.c_str(), &Stat) == 0 && S_ISDIR(Stat.st_mode);
}

// Creates the folder and every missing folder above it. A component that
// exists already (as a folder, or a link to one) is passed through. 0 when
// the folder exists afterwards, else the system's reason (an errno value).
int MakeDirectories(const std::string &sDirectory)
{
    if (sDirectory.empty())
        return ENOENT;
    size_t uiEnd = 0;
    while (uiEnd != std::string::npos)
    {
        uiEnd = sDirectory.find('/', uiEnd + 1);
        const std::string sPrefix = sDirectory.substr(0, uiEnd);
        if (sPrefix.empty() || sPrefix.back() == '/')
            continue;  // the root, or a doubled separator
        const int iError = ::mkdir(sPrefix.c_str(), 0777) == 0 ? 0 : errno;
        if (iError != 0 && iError != EEXIST && !IsFolderOnDisk(sPrefix))
            return iError;
    }
    struct stat Stat;
    if (::stat(sDirectory.c_str(), &Stat) != 0)
        return errno;
    return S_ISDIR(Stat.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

// One archive folder being written: its level, its items and the next one.
struct CExtraction::SFolderWalk
{
    std::unique_ptr<SFolderLevel> Level;
    std::vector<uint32_t> Children;
    size_t uiNext = 0;
    bool bLinksIntact = true;
};

CExtraction::CExtraction(const IArchive &Archive, IConsole &Console)
    : Archive(Archive), Console(Console), ReadAhead(Archive)
{
}

bool CExtraction::IsSafeItemName(std::string_view sName)
{
    return !sName.empty() && sName != "." && sName != ".." && sName.find_first_of("/\\") == std::string_view::npos;
}

void CExtraction::BeginCommand(IExtractionHook &Hook)
{
    uiCount = 0;
    Abort = &Hook;
    StartExtracting();
    Scope = std::make_unique<CCommandScope>(Archive);
    bInCommand = true;
    ReadAhead.Start();
}

void CExtraction::EndCommand()
{
    StopExtracting();
    bInCommand = false;
    Scope.reset();
    ReadAhead.Stop();
    Abort = nullptr;
}

bool CExtraction::ContinueExtracting()
{
    if (bArchiveCutShort)
        return false;
    if (Abort == nullptr)
        return true;
    Abort->ProcessPendingEvents();
    return bExtracting;
}

std::string CExtraction::ShownPath(const SFolderLevel &Level) const
{
    return Path.Shown(Level.uiDepth, '/');
}

std::string CExtraction::ShownPath(const SFolderLevel &Level, std::string_view sName) const
{
    return Path.Shown(Level.uiDepth, '/', sName);
}

bool CExtraction::ExtractItem(std::string sDirectory, uint32_t uiDirectoryIndex)
{
    if (!ContinueExtracting())
        return false;
    EndWithSeparator(sDirectory);
    if (!CreateDirectory(sDirectory))
        return false;
    // The receiving folder is the one the user chose: a link there is
    // followed, as the user named it. Below it nothing is.
    SFolderLevel Receiving(nullptr, {});
    Receiving.iDescriptor = ::open(sDirectory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (Receiving.iDescriptor < 0)
    {
        const int iError = errno;
        Console.WriteFailure("Faild to create directory " + ShortenedPath(sDirectory) + ".", iError);
        return false;
    }
    Receiving.eState = SFolderLevel::EState::Made;
    sDirectory.pop_back();  // the walk's path adds a separator before each name
    Path = CBoundedPath(std::move(sDirectory));

    const bool bOwnScope = !bInCommand;
    if (bOwnScope)
        Scope = std::make_unique<CCommandScope>(Archive);
    Scope->BeginItem();
    const bool bExtracted = ExtractBelow(Receiving, uiDirectoryIndex);
    if (bOwnScope)
        Scope.reset();
    Path = CBoundedPath();
    return bExtracted;
}

bool CExtraction::ExtractBelow(SFolderLevel &Receiving, uint32_t uiDirectoryIndex)
{
    if (!Archive.IsValidDirectoryIndex(uiDirectoryIndex))
    {
        WriteRed(ShownPath(Receiving),
                 "item " + std::to_string(uiDirectoryIndex) + " is not in the archive's directory");
        return false;
    }
    // An item that an earlier item of the command wrote (or refused) is
    // done already.
    if (Scope->Reach(uiDirectoryIndex) == EReach::Again)
    {
        CountSkipped(uiDirectoryIndex);
        return true;
    }
    const std::string_view sName = Archive.GetDirectoryItemName(uiDirectoryIndex);
    if (!Archive.IsFolder(uiDirectoryIndex))
        return ExtractFileItem(Receiving, uiDirectoryIndex, sName);

    // The folders are walked with a stack of our own, not by recursion: an
    // archive's folders may nest as deep as it has items.
    std::vector<SFolderWalk> Walks;
    if (!OpenFolder(Walks, Receiving, uiDirectoryIndex, sName))
        return false;
    while (!Walks.empty())
    {
        const SFolderWalk &Walk = Walks.back();
        if (Walk.uiNext < Walk.Children.size() && Walk.Level->eState != SFolderLevel::EState::Refused)
        {
            if (!ExtractNextItem(Walks))
                return false;
            continue;
        }
        CloseFolder(Walks);
        if (!Walks.empty() && !ContinueExtracting())
            return false;
    }
    return true;
}

bool CExtraction::OpenFolder(std::vector<SFolderWalk> &Walks, SFolderLevel &Parent, uint32_t uiFolder,
                             std::string_view sName)
{
    if (!ClaimItem(Parent, sName))
        return false;
    // The folder itself is made by its items, so an empty folder writes
    // nothing.
    SFolderWalk Walk;
    Walk.Level = std::make_unique<SFolderLevel>(&Parent, sName);
    Walk.bLinksIntact = Archive.GetDirectoryItemChildren(uiFolder, Walk.Children);
    ReadAhead.AdviseFiles(Walk.Children);
    Path.Push('/', sName);
    Walks.push_back(std::move(Walk));
    return true;
}

bool CExtraction::ExtractNextItem(std::vector<SFolderWalk> &Walks)
{
    SFolderWalk &Walk = Walks.back();
    // The level lives on its own, so it stays put when Walks grows.
    SFolderLevel &Level = *Walk.Level;
    const uint32_t uiChild = Walk.Children[Walk.uiNext++];
    const std::string_view sChildName = Archive.GetDirectoryItemName(uiChild);
    const EReach eReach = Scope->Reach(uiChild);
    if (eReach == EReach::Again)
    {
        CountSkipped(uiChild);
        return true;
    }
    // Sibling links are a chain: from an item written before, the rest of
    // the chain was written before too (or it loops), so the walk of this
    // folder ends there, with one line.
    if (eReach == EReach::Loop)
    {
        WriteRed(ShownPath(Level, sChildName), "reached twice: the archive's folder links loop");
        Walk.uiNext = Walk.Children.size();
        Walk.bLinksIntact = true;
        return true;
    }
    // Each item makes sure the folder that receives it exists; a failed item
    // does not stop its siblings.
    if (CreateDirectory(Level))
    {
        if (!Archive.IsFolder(uiChild))
            ExtractFileItem(Level, uiChild, sChildName);
        else if (OpenFolder(Walks, Level, uiChild, sChildName))
            return true;  // its items come next; the check follows them
    }
    return ContinueExtracting();
}

void CExtraction::CloseFolder(std::vector<SFolderWalk> &Walks)
{
    const SFolderWalk &Walk = Walks.back();
    SFolderLevel &Level = *Walk.Level;
    if (!Walk.bLinksIntact)
        WriteRed(ShownPath(Level), "the folder's item links are damaged; the items after the damage are missing");
    // The parent takes its descriptor back from this folder's "..".
    SFolderLevel &Parent = *Level.lpParent;
    if (Level.iDescriptor >= 0 && Parent.eState == SFolderLevel::EState::Made && Parent.iDescriptor < 0)
    {
        Parent.iDescriptor = ::openat(Level.iDescriptor, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        Parent.iError = Parent.iDescriptor < 0 ? errno : 0;
    }
    Walks.pop_back();
    Path.Pop();
}

void CExtraction::CountSkipped(uint32_t uiDirectoryIndex)
{
    if (Abort == nullptr)
        return;
    uiCount += Archive.GetDirectoryItemFileCount(uiDirectoryIndex);
    Abort->Update(uiCount);
}

bool CExtraction::CreateDirectory(SFolderLevel &Level)
{
    using EState = SFolderLevel::EState;
    if (Level.eState == EState::Refused)
        return false;
    if (Level.eState == EState::Made)
    {
        if (Level.iDescriptor >= 0)
            return true;
        Console.WriteFailure("Faild to create directory " + ShownPath(Level) + ".", Level.iError);
        return false;
    }
    SFolderLevel &Parent = *Level.lpParent;
    if (!CreateDirectory(Parent))
    {
        if (Parent.eState == EState::Refused)
            Level.eState = EState::Refused;
        return false;
    }

    const std::string sName(Level.sName);
    const int iMakeError = ::mkdirat(Parent.iDescriptor, sName.c_str(), 0777) == 0 ? 0 : errno;
    const bool bMade = iMakeError == 0;
    const int iFolder = ::openat(Parent.iDescriptor, sName.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (iFolder < 0)
    {
        // Why it could not be made, or else why what stands there is no
        // folder.
        const int iError = iMakeError != 0 && iMakeError != EEXIST ? iMakeError : errno;
        struct stat Stat;
        if (::fstatat(Parent.iDescriptor, sName.c_str(), &Stat, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(Stat.st_mode))
        {
            Level.eState = EState::Refused;
            WriteRed(ShownPath(Level), "a link stands where the folder goes");
        }
        else
        {
            Console.WriteFailure("Faild to create directory " + ShownPath(Level) + ".", iError);
        }
        return false;
    }
    if (bMade)
        Console.WriteLine("Created " + ShownPath(Level) + ".", ELineColor::Gray);
    Level.iDescriptor = iFolder;
    Level.eState = EState::Made;
    // Only the deepest made folder keeps its descriptor (see SFolderLevel).
    if (Parent.lpParent != nullptr)
    {
        ::close(Parent.iDescriptor);
        Parent.iDescriptor = -1;
    }
    return true;
}

bool CExtraction::ClaimItem(SFolderLevel &Level, std::string_view sName)
{
    if (!IsSafeItemName(sName))
    {
        WriteRed(ShortenedPath(sName), "unsafe name");
        return false;
    }
    // Two items bound for one path: the first is written. In the folder
    // written into, the names are the whole command's.
    const bool bTaken = Level.lpParent == nullptr ? Scope->TakeTopName(sName) : Level.Names.insert(sName).second;
    if (!bTaken)
    {
        WriteRed(ShownPath(Level, sName), "a second item of this name in the folder");
        return false;
    }
    return true;
}

bool CExtraction::CreateDirectory(const std::string &sDirectory)
{
    if (IsFolderOnDisk(sDirectory))
        return true;
    const int iError = MakeDirectories(sDirectory);
    if (iError == 0)
    {
        Console.WriteLine("Created " + ShortenedPath(sDirectory) + ".", ELineColor::Gray);
        return true;
    }
    Console.WriteFailure("Faild to create directory " + ShortenedPath(sDirectory) + ".", iError);
    return false;
}

void CExtraction::WriteRed(std::string_view sPath, std::string_view sReason, int iSystemError)
{
    std::string sLine = "Error writing ";
    sLine.append(sPath).append(" (").append(sReason).append(").");
    Console.WriteFailure(sLine, iSystemError);
}

}  // namespace Larkspur
