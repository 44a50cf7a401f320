// larkspur-cli: the archive browser's engine on the command line. Its output
// is meant for scripts as much as for people: the lines are stable, and item
// names are written as the archive's bytes.

#include "BrowseCommands.h"
#include "CliArchive.h"
#include "ExtractCommand.h"
#include "Version.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

using namespace Larkspur;

namespace
{

std::string CurrentFolder()
{
    std::error_code Error;
    const std::filesystem::path Path = std::filesystem::current_path(Error);
    return Error ? std::string(".") : Path.string();
}

}  // namespace

int main(int argc, char **argv)
{
    CLI::App App{"Shows and extracts the contents of GCF archives.", "larkspur-cli"};
    App.set_version_flag("--version", std::string("larkspur-cli ") + LARKSPUR_VERSION);
    App.require_subcommand(1);

    std::string sArchive;
    std::optional<std::string> sItem;
    std::string sText;
    std::vector<std::string> Items;
    std::string sOutputDirectory;

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
    Extract->add_option("-o,--output", sOutputDirectory, "The folder to extract into (default: the current folder)");

    try
    {
        App.parse(argc, argv);
    }
    catch (const CLI::ParseError &Error)
    {
        // Help and version end here with status 0; any other parse error is
        // a usage error.
        const int iStatus = App.exit(Error);
        return iStatus == 0 ? CLI_EXIT_OK : CLI_EXIT_USAGE;
    }

    int iStatus = CLI_EXIT_USAGE;
    if (*Info)
        iStatus = RunInfoCommand(sArchive);
    else if (*List)
        iStatus = RunListCommand(sArchive, sItem);
    else if (*Dump)
        iStatus = RunDumpCommand(sArchive);
    else if (*Find)
        iStatus = RunFindCommand(sArchive, sText);
    else if (*Extract)
        iStatus = RunExtractCommand(sArchive, Items, sOutputDirectory.empty() ? CurrentFolder() : sOutputDirectory);

    // Output that never arrived (a full disk, a closed pipe) is no success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        WriteError("Error:\nCould not write the output.\n");
        return CLI_EXIT_FAILED;
    }
    return iStatus;
}
