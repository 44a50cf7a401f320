// Writes the sample archive: the sample tree as a version 6 archive whose
// block chains are scattered over the data area, so that browsing and
// extracting it exercise the fragmentation map.

#include "GcfBuilder.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s ARCHIVE\n", argv[0]);
        return 2;
    }
    GcfBuilder::SOptions Options;
    Options.uiVersion = 6;
    Options.bScatter = true;
    Options.uiSeed = 1;
    Options.uiSpareBlocks = 3;
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(GcfBuilder::SampleTree(), Options);
    if (!GcfBuilder::WriteFile(argv[1], Archive.Bytes))
    {
        std::fprintf(stderr, "Could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
