// SPDX-License-Identifier: MIT
// Writes the sample archive: the sample tree as a version 6 archive whose
// block chains are scattered over the data area, so that browsing and
// extracting it exercise the fragmentation map. Files named after the archive
// are added to its materials folder under their own names (the screenshot
// of the preview pane shows a picture that way). --many N adds a folder
// "many" of N empty files item00000.wav ... (the screenshot of a large
// folder in the List view). An ARCHIVE named NAME_dir.vpk is written as a
// VPK set of version 2 instead: the same files in two data files, each with
// some preload bytes.

#include "GcfBuilder.h"
#include "VpkBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <iterator>

int main(int argc, char **argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s ARCHIVE [--many N] [FILE...]\n", argv[0]);
        return 2;
    }
    GcfBuilder::SItem Tree = GcfBuilder::SampleTree();
    for (int iFile = 2; iFile < argc; ++iFile)
    {
        if (std::string(argv[iFile]) == "--many" && iFile + 1 < argc)
        {
            GcfBuilder::SItem Many = GcfBuilder::SItem::Folder("many");
            const int iCount = std::atoi(argv[++iFile]);
            char szName[32];
            for (int iItem = 0; iItem < iCount; ++iItem)
            {
                std::snprintf(szName, sizeof szName, "item%05d.wav", iItem);
                Many.Children.push_back(GcfBuilder::SItem::File(szName, ""));
            }
            Tree.Children.push_back(Many);
            continue;
        }
        std::ifstream Stream(argv[iFile], std::ios::binary);
        if (!Stream)
        {
            std::fprintf(stderr, "Could not read %s\n", argv[iFile]);
            return 1;
        }
        for (GcfBuilder::SItem &Folder : Tree.Children)
            if (Folder.sName == "materials")
                Folder.Children.push_back(GcfBuilder::SItem::File(
                    std::filesystem::path(argv[iFile]).filename().string(),
                    std::string(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>())));
    }
    const std::filesystem::path Path(argv[1]);
    const std::string sName = Path.filename().string();
    constexpr std::string_view DIRECTORY_SUFFIX = "_dir.vpk";
    if (sName.size() > DIRECTORY_SUFFIX.size() && sName.ends_with(DIRECTORY_SUFFIX))
    {
        const VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::FilesFromTree(Tree, 2, 16));
        const std::string sFolder = Path.has_parent_path() ? Path.parent_path().string() : ".";
        if (!VpkBuilder::WriteSet(Set, sFolder, sName.substr(0, sName.size() - DIRECTORY_SUFFIX.size())))
        {
            std::fprintf(stderr, "Could not write %s\n", argv[1]);
            return 1;
        }
        return 0;
    }
    GcfBuilder::SOptions Options;
    Options.uiVersion = 6;
    Options.bScatter = true;
    Options.uiSeed = 1;
    Options.uiSpareBlocks = 3;
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(Tree, Options);
    if (!GcfBuilder::WriteFile(argv[1], Archive.Bytes))
    {
        std::fprintf(stderr, "Could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
