// SPDX-License-Identifier: MIT
#include "cli/CliCommandLine.h"

#include "cli/BrowseCommands.h"
#include "cli/CheckCommands.h"
#include "cli/DataCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/ExtractCommand.h"
#include "cli/MountCommand.h"

#include "Version.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <sstream>
#include <system_error>

namespace Larkspur
{

namespace
{

std::string CurrentFolder()
{
    std::error_code Error;
    const std::filesystem::path Path = std::filesystem::current_path(Error);
    return Error ? std::string(".") : Path.string();
}

// What the command line holds once parsed.
struct SArguments
{
    std::string sArchive;
    std::string sSecondArchive;  // diff's B
    std::string sText;  // find's TEXT, cat's ITEM
    std::vector<std::string> Items;
    std::string sOutputDirectory;
    std::string sMountPoint;
    bool bCrc32 = false;
    bool bJson = false;
    bool bBytes = false;
    bool bStat = false;
    bool bForeground = false;
    SExtractOptions ExtractOptions;
};

// The commands, each with its arguments and help.
struct SCommands
{
    CLI::App *Info, *List, *Dump, *Find, *Extract, *Hash, *Cat, *Verify, *Diff, *Mount;
};

// A positional argument. Help shows its name alone ("ARCHIVE REQUIRED", not
// "ARCHIVE TEXT REQUIRED").
template <typename T>
CLI::Option *AddPositional(CLI::App *Command, const char *szName, T &Value, const char *szHelp)
{
    return Command->add_option(szName, Value, szHelp)->type_name("");
}

CLI::App *AddCommand(CLI::App &App, const char *szName, const std::string &sHelp, SArguments &Arguments)
{
    CLI::App *Command = App.add_subcommand(szName, sHelp);
    AddPositional(Command, "ARCHIVE", Arguments.sArchive, "The GCF file, or the VPK set's directory file")->required();
    return Command;
}

SCommands AddCommands(CLI::App &App, SArguments &Arguments)
{
    SCommands Commands{};
    Commands.Info = AddCommand(App, "info", "Show the archive's version, size, blocks and counts.", Arguments);
    Commands.Info->add_flag("--json", Arguments.bJson, "One JSON object, sizes in bytes");

    Commands.List = AddCommand(App, "list",
                               "List items and everything below them, one per line: location, size and type, "
                               "separated by tabs.",
                               Arguments);
    AddPositional(Commands.List, "ITEM", Arguments.Items,
                  "Locations or shell patterns, such as root/maps or 'root/*/*.bsp' (default: root)");
    Commands.List->add_flag("--json", Arguments.bJson, "JSON Lines: one object per item");
    Commands.List->add_flag("--bytes", Arguments.bBytes, "File sizes in bytes");

    Commands.Dump =
        AddCommand(App, "dump", "Write the archive's headers to dump.txt in the current folder.", Arguments);

    Commands.Find = AddCommand(App, "find", "List the items whose names contain TEXT, ignoring case.", Arguments);
    AddPositional(Commands.Find, "TEXT", Arguments.sText, "The text to look for, blanks included")->required();

    Commands.Extract =
        AddCommand(App, "extract", "Extract items (default: the whole archive) into a folder.", Arguments);
    AddPositional(Commands.Extract, "ITEM", Arguments.Items,
                  "Locations or shell patterns, such as root/maps/x.bsp or 'root/maps/*.bsp'");
    // An empty folder name is a slip (an unset variable in a script), not a
    // wish for the current folder.
    Commands.Extract
        ->add_option("-o,--output", Arguments.sOutputDirectory,
                     "The folder to extract into, made when missing (default: the current folder)")
        ->type_name("DIR")
        ->check(CLI::Validator(
            [](std::string &sValue) { return sValue.empty() ? std::string("the folder's name is empty") : std::string(); },
            "", "not empty"));
    Commands.Extract->add_flag("-k,--keep-old-files", Arguments.ExtractOptions.bKeepExisting,
                               "Keep files that exist (\"Kept ...\"); by default they are replaced");
    Commands.Extract->add_flag("-q,--quiet", Arguments.ExtractOptions.bQuiet,
                               "No \"Created\", \"Wrote\" or \"Kept\" lines");

    Commands.Hash = AddCommand(App, "hash",
                               "Print the SHA-256 of every file below the items (default: the whole archive) as "
                               "sha256sum does, with the paths extract writes.",
                               Arguments);
    AddPositional(Commands.Hash, "ITEM", Arguments.Items,
                  "Locations or shell patterns, such as root/maps or 'root/*/*.txt'");
    Commands.Hash->add_flag("--crc32", Arguments.bCrc32, "Print each file's CRC32 (8 hexadecimal digits) instead");

    Commands.Cat = AddCommand(App, "cat", "Write one file's data to standard output.", Arguments);
    AddPositional(Commands.Cat, "ITEM", Arguments.sText, "The file's location, or a pattern that matches it alone")
        ->required();

    return Commands;
}

// verify, diff and mount.
void AddCheckCommands(CLI::App &App, SArguments &Arguments, SCommands &Commands)
{
    Commands.Verify = AddCommand(App, "verify",
                                 "Check every file below the items (default: the whole archive) against what the "
                                 "archive records: one line per failure, then \"Verified N files: M failed.\"",
                                 Arguments);
    AddPositional(Commands.Verify, "ITEM", Arguments.Items,
                  "Locations or shell patterns, such as root/maps or 'root/*/*.bsp'");

    // Two archives, of either format; no ARCHIVE of its own.
    Commands.Diff = App.add_subcommand("diff", "List the files that only A holds (\"- path\"), that only B holds "
                                               "(\"+ path\") and that both hold with other contents (\"M path\").");
    AddPositional(Commands.Diff, "A", Arguments.sArchive, "The first archive")->required();
    AddPositional(Commands.Diff, "B", Arguments.sSecondArchive, "The second archive")->required();
    Commands.Diff->add_flag("--stat", Arguments.bStat, "Only \"N only in A, M only in B, K changed\"");

    Commands.Mount = AddCommand(App, "mount",
                                std::string("Show the archive as a read-only folder at MOUNTPOINT until it is "
                                            "unmounted (fusermount3 -u MOUNTPOINT).") +
                                    (MountingAvailable() ? "" : " Not available in this build."),
                                Arguments);
    AddPositional(Commands.Mount, "MOUNTPOINT", Arguments.sMountPoint,
                  "An existing folder; the archive shows as MOUNTPOINT/root")
        ->required();
    Commands.Mount->add_flag("-f,--foreground", Arguments.bForeground, "Stay in the foreground; Ctrl+C unmounts");
}

// Runs the command that was parsed; szNotDone is set to what a stop leaves
// out of it.
int RunCommand(const SCliContext &Context, const SCommands &Commands, const SArguments &Arguments,
               const char *&szNotDone)
{
    const std::string &sArchive = Arguments.sArchive;
    szNotDone = "written";
    if (*Commands.Info)
    {
        szNotDone = "shown";
        return RunInfoCommand(Context, sArchive, Arguments.bJson);
    }
    if (*Commands.List)
    {
        szNotDone = "listed";
        const EListForm eForm = Arguments.bJson    ? EListForm::Json
                                : Arguments.bBytes ? EListForm::Bytes
                                                   : EListForm::Text;
        return RunListCommand(Context, sArchive, Arguments.Items, eForm);
    }
    if (*Commands.Dump)
        return RunDumpCommand(Context, sArchive);
    if (*Commands.Find)
    {
        szNotDone = "searched";
        return RunFindCommand(Context, sArchive, Arguments.sText);
    }
    if (*Commands.Extract)
    {
        szNotDone = "extracted";
        const std::string sFolder = Arguments.sOutputDirectory.empty() ? CurrentFolder() : Arguments.sOutputDirectory;
        return RunExtractCommand(Context, sArchive, Arguments.Items, sFolder, Arguments.ExtractOptions);
    }
    if (*Commands.Hash)
    {
        szNotDone = "hashed";
        return RunHashCommand(Context, sArchive, Arguments.Items, Arguments.bCrc32);
    }
    if (*Commands.Cat)
        return RunCatCommand(Context, sArchive, Arguments.sText);
    if (*Commands.Verify)
    {
        szNotDone = "verified";
        return RunVerifyCommand(Context, sArchive, Arguments.Items);
    }
    if (*Commands.Diff)
    {
        szNotDone = "compared";
        return RunDiffCommand(Context, sArchive, Arguments.sSecondArchive, Arguments.bStat);
    }
    return CLI_EXIT_USAGE;
}

}  // namespace

int RunCommandLine(const SCliContext &Context, const std::vector<std::string> &Words)
{
    CLI::App App{"Shows, extracts, verifies and compares the contents of GCF archives and VPK sets.", "larkspur-cli"};
    App.set_version_flag("--version", std::string("larkspur-cli ") + LARKSPUR_VERSION);
    App.require_subcommand(1);
    SArguments Arguments;
    SCommands Commands = AddCommands(App, Arguments);
    AddCheckCommands(App, Arguments, Commands);

    std::vector<const char *> Argv{"larkspur-cli"};
    for (const std::string &sWord : Words)
        Argv.push_back(sWord.c_str());
    try
    {
        App.parse(static_cast<int>(Argv.size()), Argv.data());
    }
    catch (const CLI::ParseError &Error)
    {
        // Help and version end here with status 0; any other parse error is
        // a usage error.
        std::ostringstream Out, Err;
        const int iStatus = App.exit(Error, Out, Err);
        Context.Output.WriteOut(Out.str());
        if (!Err.str().empty())
            Context.Output.WriteError(Err.str());
        return iStatus == 0 ? CLI_EXIT_OK : CLI_EXIT_USAGE;
    }

    // A mount is stopped by unmounting it; its server takes those signals
    // itself.
    if (*Commands.Mount)
        return RunMountCommand(Context, Arguments.sArchive, Arguments.sMountPoint, Arguments.bForeground);

    CInterruptGuard Guard;
    const char *szNotDone = "written";  // what an interrupted command leaves out
    const int iStatus = RunCommand(Context, Commands, Arguments, szNotDone);
    // Whatever the command said before, a stop it was asked for is said
    // last, with the signal's status.
    if (const int iSignal = InterruptSignal())
    {
        Context.Output.WriteError(std::string("Interrupted: the items not reached were not ") + szNotDone + ".\n");
        return 128 + iSignal;
    }
    return iStatus;
}

}  // namespace Larkspur
