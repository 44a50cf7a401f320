// SPDX-License-Identifier: MIT
#pragma once
// The extraction engine: writes items of the open archive to the file system,
// block by block from the mapping, reporting every folder and file on the
// console. The Extract command (CExtractCommand) of the window and of the
// command-line tool, and the window's Shell Execute and drag-out, all run
// through it.

#include "../archive/IArchive.h"
#include "../archive/CItemData.h"
#include "../window/Console.h"
#include "../window/ShownText.h"
#include "CCommandScope.h"
#include "COutputFile.h"
#include "CReadAhead.h"

#include <cstdint>
#include <memory>
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
    CExtraction(const IArchive &Archive, IConsole &Console);
    CExtraction(const CExtraction &) = delete;
    CExtraction &operator=(const CExtraction &) = delete;

    // Extracts the item (a file, or a folder with everything below it) into
    // sDirectory. False when an abort was requested, the archive was found
    // cut short, the receiving folder could not be created, or the item is a
    // file that was not written.
    //
    // Nothing is written outside sDirectory: below it, folders are walked
    // from descriptors (each new folder one mkdirat in its parent, opened
    // without following links), so a link where an archive folder goes is
    // refused with one red line and nothing below it is written. An existing
    // regular file at a target path is replaced (removed, then made anew),
    // never written in place: its other names and its mode bits stay with
    // the old file. A second item of the same name in one folder is refused.
    //
    // Within one Extract command (and within one call outside a command)
    // each item is written at most once and each data block is used at
    // most once (CCommandScope): an item reached again is skipped, and a
    // file whose data another item used, or that starts with another item's
    // block entry, is refused with a red line. Paths in console lines are
    // shortened to MAX_SHOWN_PATH_BYTES and never held whole, so deep
    // folders cost memory by their depth only.
    bool ExtractItem(std::string sDirectory, uint32_t uiDirectoryIndex);
    // Writes the file whose first block entry is uiBlockEntryIndex into
    // sDirectory (ending in the separator), named after the entry's owner,
    // when that owner's data starts with this entry.
    bool ExtractFile(const std::string &sDirectory, uint32_t uiBlockEntryIndex);
    // True when the folder exists afterwards; reports "Created ..." or
    // "Faild to create directory ...".
    bool CreateDirectory(const std::string &sDirectory);

    // The extracting flag: an abort clears it, and while a hook is set the
    // engine stops at its next check once it is clear. Starting also forgets
    // an archive found cut short before.
    void StartExtracting()
    {
        bExtracting = true;
        bArchiveCutShort = false;
    }
    void StopExtracting() { bExtracting = false; }

    // Whether an existing file, or anything else, at a file's target path
    // is left as it is ("Kept ... (it exists)."); by default it is replaced.
    void SetKeepExisting(bool bKeep) { bKeepExisting = bKeep; }

    // True once a read of the archive failed because its file was cut short
    // while it was open: the extraction stopped there, and nothing more can
    // be read from this archive.
    bool ArchiveCutShort() const { return bArchiveCutShort; }

    // The run of one Extract command, from BeginCommand to EndCommand: Hook
    // decides progress, event processing and abort; the files reached are
    // counted from 0; the extracting flag is set; all items share one scope
    // (CCommandScope), and the read-ahead of a cold archive runs.
    void BeginCommand(IExtractionHook &Hook);
    void EndCommand();

    const IArchive &GetArchive() const { return Archive; }
    // Where the engine writes its lines.
    IConsole &GetConsole() const { return Console; }

    // False for a name that would not name one new entry inside the folder
    // it is written into: empty, ".", "..", or holding "/" or "\".
    static bool IsSafeItemName(std::string_view sName);

private:
    struct SFolderLevel;
    struct SFolderWalk;
    bool ContinueExtracting();
    bool ExtractBelow(SFolderLevel &Receiving, uint32_t uiDirectoryIndex);
    // The walk of ExtractBelow: a folder's items taken in (false when its
    // name is refused), the next item of the innermost folder (false when
    // the extraction is to stop), and a folder whose items are done.
    bool OpenFolder(std::vector<SFolderWalk> &Walks, SFolderLevel &Parent, uint32_t uiFolder, std::string_view sName);
    bool ExtractNextItem(std::vector<SFolderWalk> &Walks);
    void CloseFolder(std::vector<SFolderWalk> &Walks);
    bool ExtractFileItem(SFolderLevel &Level, uint32_t uiDirectoryIndex, std::string_view sName);
    // ExtractFile for an item whose name the level has taken: describes its
    // data, opens the file (OpenOutput), writes it (WriteRuns) and reports
    // it (ReportWritten). The result is ExtractFile's.
    bool ExtractFile(SFolderLevel &Level, uint32_t uiDirectoryIndex, std::string_view sName);
    // Opens the file in the level's folder; every outcome but Opened has
    // written its line.
    EOutput OpenOutput(COutputFile &File, const SFolderLevel &Level, std::string_view sName,
                       const std::string &sPath);
    // False, with its red line, when the file could not be written; what
    // was written stays on disk.
    bool WriteRuns(COutputFile &File, const std::string &sPath, const CItemData &Data);
    // The file's line: gray when it holds its recorded size, red otherwise;
    // false when damage cut its data short.
    bool ReportWritten(const std::string &sPath, EDataWalk eData, uint64_t uiWritten, uint64_t uiItemSize);
    // Counts the files below a folder reached again as done.
    void CountSkipped(uint32_t uiDirectoryIndex);
    // The shown path of a level's folder (ending in "/"), or of an item in it.
    std::string ShownPath(const SFolderLevel &Level) const;
    std::string ShownPath(const SFolderLevel &Level, std::string_view sName) const;
    // CreateDirectory for a folder below the one written into, made in its
    // parent by descriptor: makes sure the level's folder exists and is
    // open; false when it cannot be made, or a link stands in its place (the
    // level is then refused).
    bool CreateDirectory(SFolderLevel &Level);
    // Takes one item's name into the level: false (with a red line) for an
    // unsafe name or one taken before in the same folder.
    bool ClaimItem(SFolderLevel &Level, std::string_view sName);
    void MarkCutShort(std::string_view sPath);
    // "Error writing " + path + " (" + reason + ")."; iSystemError is the
    // system's own reason, when it gave one.
    void WriteRed(std::string_view sPath, std::string_view sReason, int iSystemError = 0);

    const IArchive &Archive;
    IConsole &Console;
    bool bExtracting = false;
    bool bArchiveCutShort = false;
    bool bKeepExisting = false;
    uint32_t uiCount = 0;              // files reached by the current Extract command
    IExtractionHook *Abort = nullptr;  // the front end's hook while an Extract command runs
    CReadAhead ReadAhead;              // started by the Extract command
    // What the running command has taken (items, names, data blocks); an
    // ExtractItem call outside a command makes its own.
    std::unique_ptr<CCommandScope> Scope;
    bool bInCommand = false;
    // The path of the folder the walk is in, from the folder written into.
    CBoundedPath Path;
};

}  // namespace Larkspur
