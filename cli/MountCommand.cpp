// SPDX-License-Identifier: MIT
#include "cli/MountCommand.h"

#include "cli/CliArchive.h"
#include "cli/CMountTree.h"
#include "window/ShownText.h"

#if LARKSPUR_HAVE_FUSE
#include "cli/CMountServer.h"
#endif

#include <sys/stat.h>

namespace Larkspur
{

bool MountingAvailable()
{
    return LARKSPUR_HAVE_FUSE != 0;
}

void ReportLeftOut(ICliOutput &Output, const IArchive &Archive, const CMountTree &Tree)
{
    // The report ends after its first lines, and each line shows a path of
    // at most 4,096 bytes.
    CLeftOutReport Report(Output);
    for (const SMountLeftOut &Item : Tree.GetLeftOut())
    {
        std::string sLocation;
        if (Report.GetCount() < CLeftOutReport::MAX_LINES)
            Archive.GetDirectoryItemPath(Item.uiDirectoryIndex, sLocation);
        Report.Add("Left out ", ShortenedPath(sLocation), MountLeftOutReason(Item.eReason));
    }
    Report.Finish();
}

int RunMountCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sMountPoint,
                    bool bForeground)
{
    ICliOutput &Output = Context.Output;
    if (!MountingAvailable())
    {
        Output.WriteError("Mounting is not available: this larkspur-cli was built without FUSE 3 (libfuse3).\n");
        return CLI_EXIT_FAILED;
    }
    struct stat Stat;
    if (::stat(sMountPoint.c_str(), &Stat) != 0 || !S_ISDIR(Stat.st_mode))
    {
        Output.WriteError("No such folder: " + ShownText(sMountPoint) + "\n");
        return CLI_EXIT_USAGE;
    }
    const std::unique_ptr<IArchive> Archive = OpenArchiveForCli(Context, sArchive);
    if (!Archive)
        return CLI_EXIT_USAGE;

    // Everything the mount will not show is said once, here, while the
    // terminal still listens.
    CMountTree Tree;
    if (!Tree.Build(*Archive))
        Output.WriteError("The archive's directory is damaged: only the items before the damage are shown.\n");
    ReportLeftOut(Output, *Archive, Tree);

#if LARKSPUR_HAVE_FUSE
    return ServeMount(Context, *Archive, Tree, SMountOptions{sArchive, sMountPoint, bForeground});
#else
    (void)bForeground;
    return CLI_EXIT_FAILED;
#endif
}

}  // namespace Larkspur
