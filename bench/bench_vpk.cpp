// SPDX-License-Identifier: MIT
// larkspur-cli on a VPK set against the tools that do the same job, each pair
// measured in interleaved rounds of this one run. A generated tree (about
// 1 GiB in 10,000 files by default) is stored as a version 2 set of four data
// files, and as a GCF of the same files; then:
// - open (info), list and extract of the set against tar -tf, tar -tvf and
//   tar -xf of an uncompressed tar of the tree, the extraction also against
//   the floor (the tree written straight from memory) and against the GCF;
// - verify (every file's CRC32 and every chunk's MD5) against sha256sum of
//   the set's data files: the same bytes read and hashed once;
// - diff of two sets (the stored CRC32s decide) and of the GCF with the set
//   (every byte of both read and compared) against cmp of the tree's bytes
//   in one file with a copy of it, and diff -rq of two extracted trees.
// Warm cache: every input is read once before the rounds.
//
//   bench_vpk [--rounds N] [--mib N] [--files N] [--pause-ms N] [--cli PATH] [--keep]

#include "BenchRounds.h"
#include "GcfBuilder.h"
#include "VpkBuilder.h"

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace BenchRounds;

namespace
{

SCandidate Command(std::string sName, std::vector<std::string> Arguments)
{
    return {std::move(sName), std::move(Arguments), {}};
}

// The set (pak01_dir.vpk and four data files), a second copy of it, the
// GCF, the tar and the reference tree, all in sWork.
void BuildInputs(const SCommonOptions &Options, const std::string &sWork)
{
    {
        const GcfBuilder::SItem Tree = GcfBuilder::BulkTree(Options.uiMiB << 20, Options.uiFiles, 1);
        if (!GcfBuilder::BuildToFile(Tree, {}, sWork + "/same.gcf"))
            Fail("could not build the GCF");
        const VpkBuilder::SSet Set = VpkBuilder::Build(VpkBuilder::FilesFromTree(Tree, 4));
        fs::create_directories(sWork + "/copy");
        if (!VpkBuilder::WriteSet(Set, sWork, "pak01") || !VpkBuilder::WriteSet(Set, sWork + "/copy", "pak01"))
            Fail("could not write the set");
    }
    ::malloc_trim(0);  // the tree is gone: every fork below copies less
    const std::string sReference = sWork + "/reference";
    fs::create_directories(sReference);
    fs::create_directories(sWork + "/reference2");
    RunOrFail({Options.sCli, "extract", "-q", sWork + "/pak01_dir.vpk", "-o", sReference});
    RunOrFail({Options.sCli, "extract", "-q", sWork + "/same.gcf", "-o", sWork + "/reference2"});
    ExpectSameTree(sReference, sWork + "/reference2");
    RunOrFail({"tar", "-cf", sWork + "/tree.tar", "-C", sReference, "root"});
    RunOrFail({"sh", "-c", "cd '" + sReference + "' && find root -type f | sort | xargs cat > ../all.bin"});
    RunOrFail({"cp", sWork + "/all.bin", sWork + "/all2.bin"});
    // Every input in the cache before the rounds.
    RunOrFail({"sh", "-c", "cat '" + sWork + "'/*.vpk '" + sWork + "'/copy/*.vpk '" + sWork + "'/*.gcf '" + sWork +
                               "'/*.tar '" + sWork + "'/all*.bin >/dev/null"});
}

SRoundOptions Rounds(const SCommonOptions &Options)
{
    SRoundOptions Round;
    Round.iRounds = Options.iRounds;
    Round.iPauseMs = Options.iPauseMs;
    return Round;
}

void BenchBrowsing(const SCommonOptions &Options, const std::string &sWork, const std::string &sOut)
{
    const std::string sSet = sWork + "/pak01_dir.vpk";
    CFloorTree Floor;
    Floor.Load(sWork + "/reference");
    const std::vector<SCandidate> Candidates = {
        Command("open (info)", {Options.sCli, "info", sSet}),
        Command("tar -tf", {"tar", "-tf", sWork + "/tree.tar"}),
        Command("list", {Options.sCli, "list", sSet}),
        Command("tar -tvf", {"tar", "-tvf", sWork + "/tree.tar"}),
        {"floor", {}, [&](const std::string &sRunOut) {
             const auto Start = std::chrono::steady_clock::now();
             if (!Floor.Write(sRunOut))
                 return -1.0;
             return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
         }},
        Command("extract", {Options.sCli, "extract", "-q", sSet, "-o", "{OUT}"}),
        Command("extract GCF", {Options.sCli, "extract", "-q", sWork + "/same.gcf", "-o", "{OUT}"}),
        Command("tar -xf", {"tar", "-xf", sWork + "/tree.tar", "-C", "{OUT}"}),
    };
    const auto Times = RunRounds(Candidates, Rounds(Options), sOut);
    PrintTimes(Times, {"open (info)", "tar -tf", "list", "tar -tvf", "floor", "extract", "extract GCF", "tar -xf"},
               Floor.Bytes());
    std::printf("\nTime ratios (lower is faster):\n");
    PrintRatio(Times, "open (info)", "tar -tf", 1.0);
    PrintRatio(Times, "list", "tar -tvf", 1.0);
    PrintRatio(Times, "extract", "floor", 1.25);
    PrintRatio(Times, "extract", "tar -xf", 1.0);
    PrintRatio(Times, "extract", "extract GCF", 1.1);
}

void BenchChecking(const SCommonOptions &Options, const std::string &sWork, const std::string &sOut)
{
    const std::string sSet = sWork + "/pak01_dir.vpk";
    std::vector<std::string> Sha256sum = {"sha256sum"};
    for (int i = 0; i < 4; ++i)
        Sha256sum.push_back(sWork + "/pak01_00" + std::to_string(i) + ".vpk");
    const std::vector<SCandidate> Candidates = {
        Command("verify", {Options.sCli, "verify", sSet}),
        Command("sha256sum", Sha256sum),
        Command("diff set set", {Options.sCli, "diff", sSet, sWork + "/copy/pak01_dir.vpk"}),
        Command("diff GCF set", {Options.sCli, "diff", sWork + "/same.gcf", sSet}),
        Command("cmp", {"cmp", sWork + "/all.bin", sWork + "/all2.bin"}),
        Command("diff -rq", {"diff", "-rq", sWork + "/reference", sWork + "/reference2"}),
    };
    const auto Times = RunRounds(Candidates, Rounds(Options), sOut);
    PrintTimes(Times, {"verify", "sha256sum", "diff set set", "diff GCF set", "cmp", "diff -rq"},
               fs::file_size(sWork + "/all.bin"));
    std::printf("\nTime ratios (lower is faster):\n");
    PrintRatio(Times, "verify", "sha256sum", 1.0);
    PrintRatio(Times, "diff GCF set", "cmp", 1.5);
    PrintRatio(Times, "diff GCF set", "diff -rq", 1.0);
    PrintRatio(Times, "diff set set", "cmp", 0.1);
}

}  // namespace

int main(int argc, char **argv)
{
    SCommonOptions Options;
    for (int i = 1; i < argc; ++i)
        if (!TakeCommonOption(argc, argv, i, Options))
            Fail("usage: bench_vpk [--rounds N] [--mib N] [--files N] [--pause-ms N] [--cli PATH] [--keep]");
    if (::access(Options.sCli.c_str(), X_OK) != 0)
        Fail("larkspur-cli not found at " + Options.sCli + " (build it, or pass --cli PATH)");
    for (const char *szTool : {"tar", "sha256sum", "cmp", "diff"})
        if (std::system((std::string("command -v ") + szTool + " >/dev/null").c_str()) != 0)
            Fail(std::string(szTool) + " is missing");

    std::string sWork = "/tmp/larkspur-bench-vpk-XXXXXX";
    if (::mkdtemp(sWork.data()) == nullptr)
        Fail("mkdtemp failed");
    std::printf("Work folder: %s\n", sWork.c_str());
    BuildInputs(Options, sWork);
    std::printf("Set: %.1f MiB in %u files, 4 data files; warm cache\n\n",
                static_cast<double>(fs::file_size(sWork + "/all.bin")) / (1 << 20), Options.uiFiles);
    const std::string sOut = sWork + "/out";
    fs::create_directories(sOut);
    std::printf("--- open, list and extract ---\n");
    BenchBrowsing(Options, sWork, sOut);
    std::printf("\n--- verify and diff ---\n");
    BenchChecking(Options, sWork, sOut);
    if (!Options.bKeep)
        RemoveTree(sWork);
    return 0;
}
