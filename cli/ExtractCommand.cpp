// SPDX-License-Identifier: MIT
#include "cli/ExtractCommand.h"

#include "archive/CGCF.h"
#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "extract/CExtractCommand.h"
#include "window/ShownText.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace Larkspur
{

namespace
{

// The progress bar on stderr, drawn only when stderr is a terminal.
class CProgressBar
{
public:
    explicit CProgressBar(ICliOutput &Output) : Output(Output), bShown(Output.ErrorIsTerminal()) {}

    void SetTotal(uint32_t uiFiles) { uiTotal = uiFiles; }
    void Update(uint32_t uiCount)
    {
        uiLastCount = uiCount;
        if (!bShown)
            return;
        // A redraw costs a write to the terminal: a few per second are enough.
        const auto Now = std::chrono::steady_clock::now();
        if (bDrawn && uiCount < uiTotal && Now - LastDrawn < std::chrono::milliseconds(100))
            return;
        LastDrawn = Now;
        Draw();
    }
    // Takes the bar off its line, so that a line on stdout starts clean.
    void Erase()
    {
        if (bDrawn)
            Output.WriteError("\r\033[K");
        bDrawn = false;
    }
    void Redraw()
    {
        if (bShown)
            Draw();
    }

private:
    void Draw()
    {
        constexpr uint32_t WIDTH = 40;
        const uint64_t uiFilled = uiTotal == 0 ? WIDTH : std::min<uint64_t>(WIDTH, uint64_t{uiLastCount} * WIDTH / uiTotal);
        std::string sBar = "\r[";
        sBar.append(uiFilled, '#').append(WIDTH - uiFilled, '.');
        sBar += "] " + std::to_string(uiLastCount) + "/" + std::to_string(uiTotal) + " files\033[K";
        Output.WriteError(sBar);
        bDrawn = true;
    }

    ICliOutput &Output;
    const bool bShown;
    uint32_t uiTotal = 0;
    uint32_t uiLastCount = 0;
    bool bDrawn = false;
    std::chrono::steady_clock::time_point LastDrawn;
};

// The console of the command-line tool: one line per console line on stdout,
// with control characters of item names shown as "?" (ShownText) so that one
// item is one line and a name cannot drive a terminal. On a terminal each
// line shows at once, in its colour where colour is wanted; otherwise the
// lines are written in large chunks.
class CStdoutConsole : public IConsole
{
public:
    CStdoutConsole(ICliOutput &Output, CProgressBar &Bar)
        : Output(Output), bTerminal(Output.OutIsTerminal()), bColour(Output.OutTakesColour()), Bar(Bar)
    {
    }
    ~CStdoutConsole() override { Flush(); }
    CStdoutConsole(const CStdoutConsole &) = delete;
    CStdoutConsole &operator=(const CStdoutConsole &) = delete;

    void WriteLine(std::string_view sLine, ELineColor eColor) override
    {
        if (eColor == ELineColor::Red)
            bAnyFailed = true;
        if (!bTerminal)
        {
            sBuffer.append(ShownText(sLine)).push_back('\n');
            if (sBuffer.size() >= CHUNK_BYTES)
                Flush();
            return;
        }
        std::string sShown = bColour ? ColorCode(eColor) : "";
        sShown += ShownText(sLine);
        sShown += bColour ? "\033[0m\n" : "\n";
        Bar.Erase();
        Output.WriteOut(sShown);
        Output.FlushOut();
        Bar.Redraw();
    }

    void Flush()
    {
        Output.WriteOut(sBuffer);
        sBuffer.clear();
    }

    bool AnyFailed() const { return bAnyFailed; }

private:
    static constexpr size_t CHUNK_BYTES = 64u << 10;

    static const char *ColorCode(ELineColor eColor)
    {
        switch (eColor)
        {
        case ELineColor::Green: return "\033[32m";
        case ELineColor::Gray: return "\033[90m";
        case ELineColor::Red: return "\033[91m";
        }
        return "";
    }

    ICliOutput &Output;
    const bool bTerminal;
    const bool bColour;
    CProgressBar &Bar;
    std::string sBuffer;
    bool bAnyFailed = false;
};

// Stands where the window's abort dialog stands: it draws the progress and
// turns Ctrl+C into a stop between items.
class CCliHook : public IExtractionHook
{
public:
    CCliHook(CExtraction &Extraction, CProgressBar &Bar) : Extraction(Extraction), Bar(Bar) {}

    void ProcessPendingEvents() override
    {
        if (InterruptSignal() != 0)
            Extraction.StopExtracting();
    }
    void Update(uint32_t uiCount) override { Bar.Update(uiCount); }

private:
    CExtraction &Extraction;
    CProgressBar &Bar;
};

// Something other than a folder (a file, a device) stands at the path.
bool IsNotAFolder(const std::string &sPath)
{
    struct stat Stat;
    return ::stat(sPath.c_str(), &Stat) == 0 && !S_ISDIR(Stat.st_mode);
}

}  // namespace

int RunExtractCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                      const std::string &sOutputDirectory)
{
    ICliOutput &Output = Context.Output;
    // A missing folder is made, with its parents, by the first item written
    // into it (as "unzip -d" does), once the archive and every item are found.
    if (IsNotAFolder(sOutputDirectory))
    {
        Output.WriteError("No such folder: " + ShownText(sOutputDirectory) + "\n");
        return CLI_EXIT_USAGE;
    }
    CGCF GCFFile;
    if (!OpenArchiveForCli(Context, GCFFile, sArchive))
        return CLI_EXIT_USAGE;

    // Every item is found before anything is written.
    std::vector<uint32_t> Indexes;
    for (const std::string &sItem : Items)
    {
        uint32_t uiIndex = 0;
        if (!ResolveItem(GCFFile, sItem, uiIndex))
        {
            Output.WriteError("No such item: " + ShownText(sItem) + "\n");
            return CLI_EXIT_USAGE;
        }
        Indexes.push_back(uiIndex);
    }
    if (Indexes.empty())
        Indexes.push_back(0);

    CProgressBar Bar(Output);
    CStdoutConsole Console(Output, Bar);
    CExtraction Extraction(GCFFile, Console);
    CExtractCommand Command(Extraction, Indexes);
    Bar.SetTotal(Command.GetTotal());
    CCliHook Hook(Extraction, Bar);
    Command.Run(sOutputDirectory, Hook);
    Bar.Erase();
    Console.Flush();

    if (Extraction.ArchiveCutShort())
    {
        Output.WriteError("Error:\nThe archive was cut short while it was open; the items not reached were not "
                          "extracted.\n");
        return CLI_EXIT_FAILED;
    }
    return Console.AnyFailed() ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

}  // namespace Larkspur
