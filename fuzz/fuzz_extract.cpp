// SPDX-License-Identifier: MIT
// Fuzz target: the Extract command of the whole archive (the root, then the
// last item, then the root again, as a selection may name them) into a
// scratch folder. Looks for a crash, a file written outside the folder (a
// sentinel beside it must stay alone and whole), a console line longer than
// a shortened path allows, and more bytes written than the archive's data
// area holds: one command writes each data block at most once.

#include "FuzzCommandSupport.h"

#include "extract/CExtractCommand.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

using namespace Larkspur;
using namespace FuzzSupport;

namespace
{

class CNoHook final : public IExtractionHook
{
public:
    void ProcessPendingEvents() override {}
    void Update(uint32_t) override {}
};

const char SENTINEL_TEXT[] = "sentinel";

void WriteSentinel(const std::string &sFolder)
{
    static bool bWritten = false;
    if (bWritten)
        return;
    const int iFile = ::open((sFolder + "/sentinel").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (iFile < 0 || ::write(iFile, SENTINEL_TEXT, sizeof SENTINEL_TEXT) != ssize_t(sizeof SENTINEL_TEXT))
        Broken("cannot write the sentinel", 0);
    ::close(iFile);
    bWritten = true;
}

// Only the sentinel, unchanged, may be left beside the output folder.
void CheckBeside(const std::string &sFolder)
{
    DIR *lpListing = ::opendir(sFolder.c_str());
    size_t uiOthers = 0;
    while (const dirent *lpItem = lpListing != nullptr ? ::readdir(lpListing) : nullptr)
        if (std::strcmp(lpItem->d_name, ".") != 0 && std::strcmp(lpItem->d_name, "..") != 0 &&
            std::strcmp(lpItem->d_name, "sentinel") != 0)
            ++uiOthers;
    if (lpListing != nullptr)
        ::closedir(lpListing);
    struct stat Stat;
    if (uiOthers != 0 || ::stat((sFolder + "/sentinel").c_str(), &Stat) != 0 || Stat.st_size != sizeof SENTINEL_TEXT)
        Broken("something was written beside the output folder", uiOthers);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    SInputArchive Input(lpData, uiSize);
    if (!Input.bOpened)
        return 0;
    const CGCF &GCF = Input.GCF;
    const std::string &sScratch = ScratchFolder();
    WriteSentinel(sScratch);
    const std::string sOut = sScratch + "/out";

    CCheckedConsole Console;
    CExtraction Extraction(GCF, Console);
    std::vector<uint32_t> Items{0};
    if (GCF.GetItemCount() > 1)
        Items.push_back(GCF.GetItemCount() - 1);
    Items.push_back(0);
    CNoHook Hook;
    CExtractCommand(Extraction, Items).Run(sOut, Hook);

    const uint64_t uiWritten = EmptyFolder(sOut);
    ::rmdir(sOut.c_str());
    CheckBeside(sScratch);
    const GCFDataBlockHeader &Data = GCF.GetHeaders().DataBlockHeader;
    if (uiWritten > uint64_t{Data.uiTotalBlocks} * Data.uiDataBlockSize)
        Broken("more bytes written than the data area holds", uiWritten);
    // A few lines per item, each short.
    if (Console.uiBytes > (uint64_t{GCF.GetItemCount()} * 3 + 8) * MAX_LINE_BYTES)
        Broken("more console text than the archive's items allow", Console.uiBytes);
    return 0;
}
