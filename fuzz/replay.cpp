// SPDX-License-Identifier: MIT
// Feeds files to the fuzz target without the fuzzer, so that any build (gcc
// too) replays the seeds under ctest, and a crasher can be replayed by hand
// while it is turned into a test. Arguments are files or folders (every
// regular file in a folder, in name order).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize);

namespace
{

bool Replay(const std::filesystem::path &Path)
{
    std::ifstream File(Path, std::ios::binary);
    if (!File)
    {
        std::fprintf(stderr, "cannot read %s\n", Path.c_str());
        return false;
    }
    const std::vector<char> Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(Bytes.data()), Bytes.size());
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    size_t uiReplayed = 0;
    bool bAllRead = true;
    for (int i = 1; i < argc; i++)
    {
        const std::filesystem::path Argument(argv[i]);
        std::error_code Error;
        if (std::filesystem::is_directory(Argument, Error))
        {
            std::vector<std::filesystem::path> Files;
            for (const auto &Item : std::filesystem::directory_iterator(Argument, Error))
                if (Item.is_regular_file())
                    Files.push_back(Item.path());
            std::sort(Files.begin(), Files.end());
            for (const auto &File : Files)
            {
                bAllRead = Replay(File) && bAllRead;
                uiReplayed++;
            }
        }
        else
        {
            bAllRead = Replay(Argument) && bAllRead;
            uiReplayed++;
        }
    }
    std::printf("replayed %zu inputs\n", uiReplayed);
    return bAllRead && uiReplayed > 0 ? 0 : 1;
}
