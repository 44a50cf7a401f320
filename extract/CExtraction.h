#pragma once
// The extraction engine: writes items of the open archive to the file system,
// block by block from the mapping, reporting every folder and file on the
// console. The Extract command (CExtractCommand) of the window and of the
// command-line tool, and the window's Shell Execute and drag-out, all run
// through it.

#include "../archive/CGCF.h"
#include "../window/Console.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Present only while an abort dialog is shown: it decides progress counting,
// event processing between items and abort checks.
class IExtractionHook
{
public:
    virtual ~IExtractionHook() = default;
    // Lets the window system handle pending events, so that the abort button
    // can be clicked; the command-line tool draws its progress bar here.
    virtual void ProcessPendingEvents() = 0;
    // Sets the progress bar's value to uiCount (files reached so far).
    virtual void Update(uint32_t uiCount) = 0;
};

class CExtraction
{
public:
    CExtraction(const CGCF &GCFFile, IConsole &Console);
    CExtraction(const CExtraction &) = delete;
    CExtraction &operator=(const CExtraction &) = delete;

    // Extracts the item (a file, or a folder with everything below it) into
    // sDirectory. False when an abort was requested, the receiving folder
    // could not be created, or the item is a file that was not written.
    bool ExtractItem(std::string sDirectory, uint32_t uiDirectoryIndex);
    // Writes the file whose first block entry is uiBlockEntryIndex into
    // sDirectory (ending in the separator), named after the entry's owner.
    bool ExtractFile(const std::string &sDirectory, uint32_t uiBlockEntryIndex);
    // True when the folder exists afterwards; reports "Created ..." or
    // "Faild to create directory ...".
    bool CreateDirectory(const std::string &sDirectory);
    // Removes the folder and everything in it, reporting each removal.
    void DeleteDirectory(const std::string &sDirectory);

    // The extracting flag: an abort clears it, and while a hook is set the
    // engine stops at its next check once it is clear.
    void StartExtracting() { bExtracting = true; }
    void StopExtracting() { bExtracting = false; }

    // False for a name that would not name one new entry inside the folder
    // it is written into: empty, ".", "..", or holding "/" or "\".
    static bool IsSafeItemName(std::string_view sName);

private:
    // The Extract command sets the run state below for the length of its run.
    friend class CExtractCommand;

    class CRun;
    bool ContinueExtracting();
    bool ExtractFolder(const std::string &sDirectory, uint32_t uiDirectoryIndex, std::string_view sName);
    void MarkVisited(uint32_t uiDirectoryIndex);
    bool IsVisited(uint32_t uiDirectoryIndex) const;
    void DeleteDirectoryAt(const std::string &sPath);
    void WriteRed(std::string_view sPath, std::string_view sReason);

    const CGCF &GCFFile;
    IConsole &Console;
    bool bExtracting = false;
    uint32_t uiCount = 0;              // files reached by the current Extract command
    IExtractionHook *Abort = nullptr;  // the front end's hook while an Extract command runs
    // Depth of the ExtractItem calls running now: the outermost call owns
    // the per-run state below.
    uint32_t uiDepth = 0;
    // Items reached by the outermost call: a damaged directory whose links
    // lead back into it is written once, not forever.
    std::vector<bool> Visited;
};

}  // namespace Larkspur
