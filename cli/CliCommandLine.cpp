// SPDX-License-Identifier: MIT
#include "cli/CliCommandLine.h"

#include "cli/BrowseCommands.h"
#include "cli/DataCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/ExtractCommand.h"
#include "cli/MountCommand.h"

#include "Version.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <optional>
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

}  // namespace

int RunCommandLine(const SCliContext &Context, const std::vector<std::string> &Arguments)
{
    CLI::App App{"Shows and extracts the contents of GCF archives.", "larkspur-cli"};
    App.set_version_flag("--version", std::string("larkspur-cli ") + LARKSPUR_VERSION);
    App.require_subcommand(1);

    std::string sArchive;
    std::optional<std::string> sItem;
    std::string sText;
    std::vector<std::string> Items;
    std::string sOutputDirectory;
    bool bCrc32 = false;

    CLI::App *Info = App.add_subcommand("info", "Show the archive's version, size, blocks and counts.");
    Info->add_option("ARCHIVE", sArchive, "The GCF file")->required();

    CLI::App *List = App.add_subcommand("list", "List an item and everything below it, one per line: "
                                                "location, size and type, separated by tabs.");
    List->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    List->add_option("ITEM", sItem, "The item's location, such as root/maps (default: root)");

    CLI::App *Dump = App.add_subcommand("dump", "Write the archive's headers to dump.txt in the current folder.");
    Dump->add_option("ARCHIVE", sArchive, "The GCF file")->required();

    CLI::App *Find = App.add_subcommand("find", "List the items whose names contain TEXT, ignoring case.");
    Find->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    Find->add_option("TEXT", sText, "The text to look for, blanks included")->required();

    CLI::App *Extract = App.add_subcommand("extract", "Extract items (default: the whole archive) into a folder.");
    Extract->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    Extract->add_option("ITEM", Items, "The items' locations, such as root/maps/x.bsp");
    // An empty folder name is a slip (an unset variable in a script), not a
    // wish for the current folder.
    Extract
        ->add_option("-o,--output", sOutputDirectory,
                     "The folder to extract into, made when missing (default: the current folder)")
        ->check(CLI::Validator(
            [](std::string &sValue) { return sValue.empty() ? std::string("the folder's name is empty") : std::string(); },
            "FOLDER", "not empty"));

    CLI::App *Hash = App.add_subcommand("hash", "Print the SHA-256 of every file below the items (default: the whole "
                                                "archive) as sha256sum does, with the paths extract writes.");
    Hash->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    Hash->add_option("ITEM", Items, "The items' locations, such as root/maps");
    Hash->add_flag("--crc32", bCrc32, "Print each file's CRC32 (8 hexadecimal digits) instead");

    CLI::App *Cat = App.add_subcommand("cat", "Write one file's data to standard output.");
    Cat->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    Cat->add_option("ITEM", sText, "The file's location, such as root/maps/x.bsp")->required();

    std::string sMountPoint;
    bool bForeground = false;
    CLI::App *Mount = App.add_subcommand(
        "mount", std::string("Show the archive as a read-only folder at MOUNTPOINT until it is unmounted "
                             "(fusermount3 -u MOUNTPOINT).") +
                     (MountingAvailable() ? "" : " Not available in this build."));
    Mount->add_option("ARCHIVE", sArchive, "The GCF file")->required();
    Mount->add_option("MOUNTPOINT", sMountPoint, "An existing folder; the archive shows as MOUNTPOINT/root")->required();
    Mount->add_flag("-f,--foreground", bForeground, "Stay in the foreground; Ctrl+C unmounts");

    std::vector<const char *> Argv{"larkspur-cli"};
    for (const std::string &sArgument : Arguments)
        Argv.push_back(sArgument.c_str());
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
    if (*Mount)
        return RunMountCommand(Context, sArchive, sMountPoint, bForeground);

    CInterruptGuard Guard;
    int iStatus = CLI_EXIT_USAGE;
    const char *szNotDone = "written";  // what an interrupted command leaves out
    if (*Info)
    {
        iStatus = RunInfoCommand(Context, sArchive);
        szNotDone = "shown";
    }
    else if (*List)
    {
        iStatus = RunListCommand(Context, sArchive, sItem);
        szNotDone = "listed";
    }
    else if (*Dump)
    {
        iStatus = RunDumpCommand(Context, sArchive);
    }
    else if (*Find)
    {
        iStatus = RunFindCommand(Context, sArchive, sText);
        szNotDone = "searched";
    }
    else if (*Extract)
    {
        const std::string sFolder = sOutputDirectory.empty() ? CurrentFolder() : sOutputDirectory;
        iStatus = RunExtractCommand(Context, sArchive, Items, sFolder);
        szNotDone = "extracted";
    }
    else if (*Hash)
    {
        iStatus = RunHashCommand(Context, sArchive, Items, bCrc32);
        szNotDone = "hashed";
    }
    else if (*Cat)
    {
        iStatus = RunCatCommand(Context, sArchive, sText);
    }
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
