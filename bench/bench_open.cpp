// SPDX-License-Identifier: MIT
// The cost of opening an archive (map and validate through CGCF::Open) for a
// small archive and for one whose data area is over 1 GiB. Both have the same
// directory; only the data area differs, and that one is a sparse file, so
// the difference shows whether opening grows with the archive's size. The
// ratio large/small should stay near 1.
//
// Usage: bench_open [ROUNDS [LARGE_MIB]]   (default 31 rounds, each timing
// both archives in shuffled order over a batch of opens; the large data area
// is 1025 MiB by default and at most 4095 MiB, as positions are 32-bit)

#include "archive/CGCF.h"
#include "tests/builder/GcfBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using namespace Larkspur;

namespace
{

constexpr int OPENS_PER_SAMPLE = 50;

// Microseconds of one open, averaged over a batch; -1 when the archive was refused.
double TimeOpens(CGCF &Archive, const std::string &sPath)
{
    std::chrono::steady_clock::duration Total{};
    for (int i = 0; i < OPENS_PER_SAMPLE; ++i)
    {
        const auto Start = std::chrono::steady_clock::now();
        const bool bOpened = Archive.Open(sPath.c_str());
        Total += std::chrono::steady_clock::now() - Start;
        if (!bOpened)
            return -1;
        Archive.Close();
    }
    return std::chrono::duration<double, std::micro>(Total).count() / OPENS_PER_SAMPLE;
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    const int iRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    const uint64_t uiLargeMiB = argc > 2 ? std::clamp(std::atoll(argv[2]), 1ll, 4095ll) : 1025;

    std::error_code Error;
    const std::filesystem::path Dir =
        std::filesystem::temp_directory_path() / ("larkspur-bench-open-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(Dir, Error);
    if (Error)
    {
        std::fprintf(stderr, "bench_open: cannot use %s\n", Dir.c_str());
        return 1;
    }
    const std::string sSmall = (Dir / "small.gcf").string();
    const std::string sLarge = (Dir / "large.gcf").string();

    GcfBuilder::SArchive Small = GcfBuilder::Build(GcfBuilder::SampleTree());
    GcfBuilder::SArchive Large = Small;
    const uint32_t uiDataBlockSize = Large.Layout.uiDataBlockSize;
    const uint64_t uiTotalBlocks =
        std::min<uint64_t>((uiLargeMiB << 20) / uiDataBlockSize, (0xFFFFFFFFu - Large.Layout.uiDataStart) / uiDataBlockSize);
    GcfBuilder::SetDataBlockHeaderField(Large, GcfBuilder::EDataBlockHeaderField::TotalBlocks,
                                        static_cast<uint32_t>(uiTotalBlocks));
    const uint64_t uiLargeSize = Large.Layout.uiDataStart + uiTotalBlocks * uiDataBlockSize;
    if (!GcfBuilder::WriteFile(sSmall, Small.Bytes) || !GcfBuilder::WriteFile(sLarge, Large.Bytes))
    {
        std::fprintf(stderr, "bench_open: cannot write the archives\n");
        return 1;
    }
    std::filesystem::resize_file(sLarge, uiLargeSize, Error);  // sparse: no data is written
    if (Error)
    {
        std::fprintf(stderr, "bench_open: cannot extend %s: %s\n", sLarge.c_str(), Error.message().c_str());
        return 1;
    }

    CGCF Archive;
    Archive.SetDumpFolder(Dir.string());  // a refused archive's dump stays in our folder
    std::vector<double> SmallTimes, LargeTimes;
    std::mt19937 Random(12345);
    TimeOpens(Archive, sSmall);  // warm the page cache and the allocator
    TimeOpens(Archive, sLarge);
    for (int iRound = 0; iRound < iRounds; ++iRound)
    {
        const bool bSmallFirst = Random() & 1;
        for (int iTurn = 0; iTurn < 2; ++iTurn)
        {
            const bool bSmall = (iTurn == 0) == bSmallFirst;
            const double fMicroseconds = TimeOpens(Archive, bSmall ? sSmall : sLarge);
            if (fMicroseconds < 0)
            {
                std::fprintf(stderr, "bench_open: %s was refused: %s\n", bSmall ? "small" : "large",
                             Archive.GetLastError() ? Archive.GetLastError() : "?");
                std::filesystem::remove_all(Dir, Error);
                return 1;
            }
            (bSmall ? SmallTimes : LargeTimes).push_back(fMicroseconds);
        }
    }

    const double fSmall = Median(SmallTimes), fLarge = Median(LargeTimes);
    std::printf("open, small archive (%llu bytes): median %.2f us, min %.2f us\n",
                static_cast<unsigned long long>(Small.Bytes.size()), fSmall,
                *std::min_element(SmallTimes.begin(), SmallTimes.end()));
    std::printf("open, large archive (%llu bytes): median %.2f us, min %.2f us\n",
                static_cast<unsigned long long>(uiLargeSize), fLarge,
                *std::min_element(LargeTimes.begin(), LargeTimes.end()));
    std::printf("ratio large/small (medians, %d rounds of %d opens): %.2f\n", iRounds, OPENS_PER_SAMPLE,
                fLarge / fSmall);

    std::filesystem::remove_all(Dir, Error);
    return 0;
}
