// SPDX-License-Identifier: MIT
// The cost of opening an archive (map and validate through CGCF::Open) for a
// small archive and for one whose data area is over 1 GiB. Both have the same
// directory; only the data area differs, and that one is a sparse file, so
// the difference shows whether opening grows with the archive's size. The
// ratio large/small should stay near 1.
//
// Usage: bench_open [ROUNDS [LARGE_MIB]] [--compare PATH]
// (default 31 rounds, each timing both archives in shuffled order over a
// batch of opens; the large data area is 1025 MiB by default and at most
// 4095 MiB, as positions are 32-bit)
//
// --compare weighs this build's opening against another build's bench_open
// at PATH (one taking the same ROUNDS and LARGE_MIB): each round runs both
// programs for one round, in a shuffled order, and the report gives each
// one's medians and their ratios, measured in this one run.

#include "archive/CGCF.h"
#include "tests/builder/GcfBuilder.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using namespace Larkspur;

namespace
{

constexpr int OPENS_PER_SAMPLE = 50;

struct SOptions
{
    int iRounds = 31;
    uint64_t uiLargeMiB = 1025;
    std::string sCompare;
};

SOptions ParseOptions(int argc, char **argv)
{
    SOptions Options;
    int iPositional = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string sArgument = argv[i];
        if (sArgument == "--compare" && i + 1 < argc)
            Options.sCompare = argv[++i];
        else if (iPositional++ == 0)
            Options.iRounds = std::max(1, std::atoi(argv[i]));
        else
            Options.uiLargeMiB = static_cast<uint64_t>(std::clamp(std::atoll(argv[i]), 1ll, 4095ll));
    }
    return Options;
}

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

// The two archives in a folder of their own, removed at the end.
class CArchives
{
public:
    explicit CArchives(uint64_t uiLargeMiB)
        : Dir(std::filesystem::temp_directory_path() /
              ("larkspur-bench-open-" + std::to_string(std::random_device{}())))
    {
        std::error_code Error;
        std::filesystem::create_directories(Dir, Error);
        Small = GcfBuilder::Build(GcfBuilder::SampleTree());
        GcfBuilder::SArchive Large = Small;
        const uint32_t uiDataBlockSize = Large.Layout.uiDataBlockSize;
        const uint64_t uiTotalBlocks = std::min<uint64_t>((uiLargeMiB << 20) / uiDataBlockSize,
                                                          (0xFFFFFFFFu - Large.Layout.uiDataStart) / uiDataBlockSize);
        GcfBuilder::SetDataBlockHeaderField(Large, GcfBuilder::EDataBlockHeaderField::TotalBlocks,
                                            static_cast<uint32_t>(uiTotalBlocks));
        uiLargeSize = Large.Layout.uiDataStart + uiTotalBlocks * uiDataBlockSize;
        bMade = !Error && GcfBuilder::WriteFile(SmallPath(), Small.Bytes) && GcfBuilder::WriteFile(LargePath(), Large.Bytes);
        if (bMade)
            std::filesystem::resize_file(LargePath(), uiLargeSize, Error);  // sparse: no data is written
        bMade = bMade && !Error;
    }
    ~CArchives()
    {
        std::error_code Error;
        std::filesystem::remove_all(Dir, Error);
    }

    std::string SmallPath() const { return (Dir / "small.gcf").string(); }
    std::string LargePath() const { return (Dir / "large.gcf").string(); }

    const std::filesystem::path Dir;
    GcfBuilder::SArchive Small;
    uint64_t uiLargeSize = 0;
    bool bMade = false;
};

// This build's opening, in this process.
int MeasureHere(const SOptions &Options)
{
    const CArchives Archives(Options.uiLargeMiB);
    if (!Archives.bMade)
    {
        std::fprintf(stderr, "bench_open: cannot write the archives in %s\n", Archives.Dir.c_str());
        return 1;
    }
    CGCF Archive;
    Archive.SetDumpFolder(Archives.Dir.string());  // a refused archive's dump stays in our folder
    std::vector<double> SmallTimes, LargeTimes;
    std::mt19937 Random(12345);
    TimeOpens(Archive, Archives.SmallPath());  // warm the page cache and the allocator
    TimeOpens(Archive, Archives.LargePath());
    for (int iRound = 0; iRound < Options.iRounds; ++iRound)
    {
        const bool bSmallFirst = Random() & 1;
        for (int iTurn = 0; iTurn < 2; ++iTurn)
        {
            const bool bSmall = (iTurn == 0) == bSmallFirst;
            const double fMicroseconds = TimeOpens(Archive, bSmall ? Archives.SmallPath() : Archives.LargePath());
            if (fMicroseconds < 0)
            {
                std::fprintf(stderr, "bench_open: %s was refused: %s\n", bSmall ? "small" : "large",
                             Archive.GetLastError() ? Archive.GetLastError() : "?");
                return 1;
            }
            (bSmall ? SmallTimes : LargeTimes).push_back(fMicroseconds);
        }
    }

    const double fSmall = Median(SmallTimes), fLarge = Median(LargeTimes);
    std::printf("open, small archive (%llu bytes): median %.2f us, min %.2f us\n",
                static_cast<unsigned long long>(Archives.Small.Bytes.size()), fSmall,
                *std::min_element(SmallTimes.begin(), SmallTimes.end()));
    std::printf("open, large archive (%llu bytes): median %.2f us, min %.2f us\n",
                static_cast<unsigned long long>(Archives.uiLargeSize), fLarge,
                *std::min_element(LargeTimes.begin(), LargeTimes.end()));
    std::printf("ratio large/small (medians, %d rounds of %d opens): %.2f\n", Options.iRounds, OPENS_PER_SAMPLE,
                fLarge / fSmall);
    return 0;
}

// One round of a bench_open program: its small and large medians in
// microseconds, read from its report.
std::optional<std::array<double, 2>> RunOneRound(const std::string &sProgram, uint64_t uiLargeMiB)
{
    std::string sQuoted = "'";
    for (const char cChar : sProgram)
        sQuoted += cChar == '\'' ? std::string("'\\''") : std::string(1, cChar);
    const std::string sCommand = sQuoted + "' 1 " + std::to_string(uiLargeMiB);
    FILE *pReport = ::popen(sCommand.c_str(), "r");
    if (pReport == nullptr)
        return std::nullopt;
    std::array<double, 2> Medians{-1, -1};
    char szLine[512];
    while (std::fgets(szLine, sizeof szLine, pReport) != nullptr)
    {
        const std::string sLine = szLine;
        const size_t uiMedian = sLine.find("median ");
        if (sLine.rfind("open, ", 0) != 0 || uiMedian == std::string::npos)
            continue;
        Medians[sLine.find("large") != std::string::npos ? 1 : 0] = std::atof(szLine + uiMedian + 7);
    }
    if (::pclose(pReport) != 0 || Medians[0] < 0 || Medians[1] < 0)
        return std::nullopt;
    return Medians;
}

// This build against Options.sCompare, each a child process per round.
int Compare(const SOptions &Options)
{
    std::error_code Error;
    const std::string sSelf = std::filesystem::read_symlink("/proc/self/exe", Error).string();
    const std::string Programs[2] = {sSelf, Options.sCompare};
    std::vector<double> Times[2][2];  // [program][small, large]
    std::mt19937 Random(12345);
    for (int iRound = 0; iRound < Options.iRounds; ++iRound)
    {
        const int iFirst = static_cast<int>(Random() & 1);
        for (int iTurn = 0; iTurn < 2; ++iTurn)
        {
            const int iProgram = iTurn == 0 ? iFirst : 1 - iFirst;
            const auto Medians = RunOneRound(Programs[iProgram], Options.uiLargeMiB);
            if (!Medians)
            {
                std::fprintf(stderr, "bench_open: %s gave no report\n", Programs[iProgram].c_str());
                return 1;
            }
            Times[iProgram][0].push_back((*Medians)[0]);
            Times[iProgram][1].push_back((*Medians)[1]);
        }
    }
    std::printf("open, medians of %d rounds (one child process per build and round, %d opens each):\n",
                Options.iRounds, OPENS_PER_SAMPLE);
    const char *const Sizes[2] = {"small", "large"};
    for (int iSize = 0; iSize < 2; ++iSize)
    {
        const double fThis = Median(Times[0][iSize]), fCompared = Median(Times[1][iSize]);
        std::printf("  %s archive: this build %.2f us, compared build %.2f us, ratio this/compared %.3f\n",
                    Sizes[iSize], fThis, fCompared, fThis / fCompared);
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const SOptions Options = ParseOptions(argc, argv);
    return Options.sCompare.empty() ? MeasureHere(Options) : Compare(Options);
}
