// SPDX-License-Identifier: MIT
#include "cli/ExtractCommand.h"

#include "cli/CliArchive.h"
#include "cli/CliInterrupt.h"
#include "extract/CExtractCommand.h"
#include "window/ShownText.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace Larkspur
{

namespace
{

// The progress bar on stderr, drawn only when stderr is a terminal that
// takes its escape sequences.
class CProgressBar
{
public:
    explicit CProgressBar(ICliOutput &Output) : Output(Output), bShown(Output.ErrorTakesProgress()) {}

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

// The console of the command-line tool. Lines of success go to stdout, one
// per console line; failures go to stderr with the system's reason after
// them, stdout being handed on first so that both streams in one file keep
// their order. Control characters of item names show as "?" (ShownText), so
// that one item is one line and a name cannot drive a terminal. On a
// terminal each line shows at once, in its colour where colour is wanted;
// otherwise the lines on stdout are written in large chunks. Quiet leaves
// out the per-item lines of success (gray: created, wrote, kept).
class CToolConsole : public IConsole
{
public:
    CToolConsole(ICliOutput &Output, CProgressBar &Bar, bool bQuiet)
        : Output(Output), bTerminal(Output.OutIsTerminal()), bColour(Output.OutTakesColour()),
          bErrorColour(Output.ErrorTakesColour()), bQuiet(bQuiet), Bar(Bar)
    {
    }
    ~CToolConsole() override { Flush(); }
    CToolConsole(const CToolConsole &) = delete;
    CToolConsole &operator=(const CToolConsole &) = delete;

    void WriteLine(std::string_view sLine, ELineColor eColor) override
    {
        if (eColor == ELineColor::Red)
        {
            WriteFailure(sLine, 0);
            return;
        }
        if (bQuiet && eColor == ELineColor::Gray)
            return;
        if (!bTerminal)
        {
            sBuffer.append(ShownText(sLine)).push_back('\n');
            if (sBuffer.size() >= CHUNK_BYTES)
                Flush();
            return;
        }
        Bar.Erase();
        Output.WriteOut(Coloured(bColour, eColor, ShownText(sLine)));
        Output.FlushOut();
        Bar.Redraw();
    }

    void WriteFailure(std::string_view sLine, int iSystemError) override
    {
        ++uiFailures;
        std::string sText = ShownText(sLine);
        if (iSystemError != 0)
            sText.append(" (").append(std::strerror(iSystemError)).append(")");
        Flush();
        Bar.Erase();
        Output.WriteError(Coloured(bErrorColour, ELineColor::Red, sText));
        Bar.Redraw();
    }

    void Flush()
    {
        if (sBuffer.empty())
            return;
        Output.WriteOut(sBuffer);
        sBuffer.clear();
    }

    uint64_t GetFailures() const { return uiFailures; }

private:
    static constexpr size_t CHUNK_BYTES = 64u << 10;

    // The line and its line feed, in its colour when bColour.
    static std::string Coloured(bool bColour, ELineColor eColor, const std::string &sText)
    {
        if (!bColour)
            return sText + "\n";
        return ColorCode(eColor) + sText + "\033[0m\n";
    }

    static std::string ColorCode(ELineColor eColor)
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
    const bool bErrorColour;
    const bool bQuiet;
    CProgressBar &Bar;
    std::string sBuffer;
    uint64_t uiFailures = 0;
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
                      const std::string &sOutputDirectory, const SExtractOptions &Options)
{
    ICliOutput &Output = Context.Output;
    // A missing folder is made, with its parents, by the first item written
    // into it (as "unzip -d" does), once the archive and every item are found.
    if (IsNotAFolder(sOutputDirectory))
    {
        Output.WriteError("No such folder: " + ShownText(sOutputDirectory) + "\n");
        return CLI_EXIT_USAGE;
    }
    // Every item is found before anything is written.
    std::vector<uint32_t> Indexes;
    const std::unique_ptr<IArchive> Archive = OpenArchiveItems(Context, sArchive, Items, Indexes);
    if (!Archive)
        return CLI_EXIT_USAGE;

    CProgressBar Bar(Output);
    CToolConsole Console(Output, Bar, Options.bQuiet);
    CExtraction Extraction(*Archive, Console);
    Extraction.SetKeepExisting(Options.bKeepExisting);
    CExtractCommand Command(Extraction, Indexes);
    Bar.SetTotal(Command.GetTotal());
    CCliHook Hook(Extraction, Bar);
    Command.Run(sOutputDirectory, Hook);
    Bar.Erase();
    Console.Flush();

    // "Done." stays the last line on stdout; the count of failures follows
    // it on stderr.
    const uint64_t uiFailures = Console.GetFailures();
    if (uiFailures > 0)
        Output.WriteError(std::to_string(uiFailures) + (uiFailures == 1 ? " error.\n" : " errors.\n"));
    if (Extraction.ArchiveCutShort())
    {
        Output.WriteError("Error:\nThe archive was cut short while it was open; the items not reached were not "
                          "extracted.\n");
        return CLI_EXIT_FAILED;
    }
    return uiFailures > 0 ? CLI_EXIT_FAILED : CLI_EXIT_OK;
}

}  // namespace Larkspur
