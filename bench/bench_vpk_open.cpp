// SPDX-License-Identifier: MIT
// The cost of opening a VPK set of 1,000,000 files (10,000 folders of 100
// one-byte files in 4 data files): CVPK::Open reads and builds the whole
// tree, so it grows with the number of files; it must grow linearly. Timed
// against, in the same run: the same set with 100,000 files (the ratio
// should stay near 10), and a GCF of the same 1,000,000 items opened with
// CGCF::Open, which copies its directory (the ratio shows what building a
// tree from paths costs over copying a ready one). Also prints the peak
// memory of a process that opens the large set, and of one that opens the GCF.
//
// Usage: bench_vpk_open [ROUNDS]   (default 7 rounds, shuffled order)

#include "BenchRounds.h"
#include "GcfBuilder.h"
#include "VpkBuilder.h"
#include "archive/CGCF.h"
#include "archive/CVPK.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

constexpr uint32_t FOLDERS = 10000;
constexpr uint32_t FILES_PER_FOLDER = 100;

double Milliseconds(const std::function<bool()> &Work, bool &bOk)
{
    const auto Start = std::chrono::steady_clock::now();
    bOk = Work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
}

long ResidentKiB(const char *szField)
{
    std::ifstream Status("/proc/self/status");
    std::string sLine;
    const std::string sField = std::string(szField) + ":";
    while (std::getline(Status, sLine))
        if (sLine.rfind(sField, 0) == 0)
            return std::atol(sLine.c_str() + sField.size());
    return 0;
}

bool WriteVpk(uint32_t uiFolders, const std::string &sFolder, const std::string &sName)
{
    std::vector<VpkBuilder::SFile> Files =
        VpkBuilder::FilesFromTree(GcfBuilder::WideTree(uiFolders, FILES_PER_FOLDER), 4);
    for (VpkBuilder::SFile &File : Files)
        File.sData = "x";
    return VpkBuilder::WriteSet(VpkBuilder::Build(Files), sFolder, sName);
}

// Runs this program again to open one archive (--peak PATH) and gives the
// peak resident size it reports.
long PeakOfOpen(const char *szSelf, const std::string &sPath)
{
    const std::string sCommand = std::string("'") + szSelf + "' --peak '" + sPath + "'";
    FILE *lpPipe = ::popen(sCommand.c_str(), "r");
    long iKiB = 0;
    if (lpPipe != nullptr && std::fscanf(lpPipe, "%ld", &iKiB) != 1)
        iKiB = 0;
    if (lpPipe != nullptr)
        ::pclose(lpPipe);
    return iKiB;
}

int PrintPeakOfOpen(const std::string &sPath)
{
    CVPK VPK;
    CGCF GCF;
    GCF.SetDumpFolder(std::filesystem::path(sPath).parent_path().string());
    const bool bVpk = sPath.size() > 4 && sPath.compare(sPath.size() - 4, 4, ".vpk") == 0;
    if (!(bVpk ? VPK.Open(sPath.c_str()) : GCF.Open(sPath.c_str())))
        return 1;
    std::printf("%ld\n", ResidentKiB("VmHWM"));
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--peak")
        return PrintPeakOfOpen(argv[2]);
    const int iRounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::error_code Error;
    const std::filesystem::path Dir =
        std::filesystem::temp_directory_path() / ("larkspur-bench-vpk-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(Dir, Error);
    const std::string sLarge = (Dir / "large_dir.vpk").string(), sSmall = (Dir / "small_dir.vpk").string();
    const std::string sGcf = (Dir / "large.gcf").string();
    if (Error || !WriteVpk(FOLDERS, Dir.string(), "large") || !WriteVpk(FOLDERS / 10, Dir.string(), "small") ||
        !GcfBuilder::BuildToFile(GcfBuilder::WideTree(FOLDERS, FILES_PER_FOLDER - 1), {}, sGcf))
    {
        std::fprintf(stderr, "bench_vpk_open: cannot write the archives in %s\n", Dir.c_str());
        return 1;
    }

    // Peak memory in a fresh process each, so that the builder's heap does not count.
    const long iVpkKiB = PeakOfOpen(argv[0], sLarge), iGcfKiB = PeakOfOpen(argv[0], sGcf);
    CVPK VPK;
    CGCF GCF;
    GCF.SetDumpFolder(Dir.string());
    bool bOk = VPK.Open(sLarge.c_str());
    const uint32_t uiFiles = VPK.GetSummary().uiFileCount;
    VPK.Close();
    struct SCandidate
    {
        const char *szName;
        std::function<bool()> Open;
        std::vector<double> Times;
    };
    std::vector<SCandidate> Candidates = {
        {"vpk 1,000,000 files", [&] { return VPK.Open(sLarge.c_str()); }, {}},
        {"vpk 100,000 files", [&] { return VPK.Open(sSmall.c_str()); }, {}},
        {"gcf 1,000,000 items", [&] { return GCF.Open(sGcf.c_str()); }, {}},
    };
    std::mt19937 Random(12345);
    std::vector<size_t> Order = {0, 1, 2};
    for (int iRound = 0; iRound < iRounds && bOk; ++iRound)
    {
        std::shuffle(Order.begin(), Order.end(), Random);
        for (size_t i : Order)
        {
            Candidates[i].Times.push_back(Milliseconds(Candidates[i].Open, bOk));
            VPK.Close();
            GCF.Close();
        }
    }
    std::filesystem::remove_all(Dir, Error);
    if (!bOk || uiFiles != FOLDERS * FILES_PER_FOLDER)
    {
        std::fprintf(stderr, "bench_vpk_open: an archive was refused (%u files)\n", uiFiles);
        return 1;
    }
    for (const SCandidate &Candidate : Candidates)
        std::printf("open, %s: median %.1f ms, min %.1f ms\n", Candidate.szName,
                    BenchRounds::Median(Candidate.Times), BenchRounds::Minimum(Candidate.Times));
    std::printf("ratio vpk 1,000,000 / 100,000 files (medians, %d rounds): %.2f (linear: 10)\n", iRounds,
                BenchRounds::Median(Candidates[0].Times) / BenchRounds::Median(Candidates[1].Times));
    std::printf("ratio vpk / gcf, 1,000,000 items: %.2f\n",
                BenchRounds::Median(Candidates[0].Times) / BenchRounds::Median(Candidates[2].Times));
    std::printf("peak resident size of a process that opens it: vpk %.0f MiB, gcf %.0f MiB\n", iVpkKiB / 1024.0,
                iGcfKiB / 1024.0);
    return 0;
}
