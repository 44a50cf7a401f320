// SPDX-License-Identifier: MIT
#pragma once
// What bench_extract shares between its sections: running a command (or a
// function of this process) as one timed candidate, rounds of candidates in
// shuffled order with the same preparation before each run, the floor (a
// tree written straight from memory), and medians and minimums.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace BenchRounds
{

[[noreturn]] void Fail(const std::string &sWhat);

struct SRun
{
    double fSeconds = 0;
    int iStatus = -1;
    // Sampled from /proc when asked for. (getrusage's peak would count the
    // memory of this process, which the child holds until its exec.)
    long iPeakRssKiB = 0;
    long iPeakAnonKiB = 0;
    long iPeakFileKiB = 0;
};

// Runs the command with stdout and stderr sent to /dev/null. With bSample the
// child's resident memory is read from /proc every few milliseconds (that
// costs some CPU, so timed runs do not sample).
SRun RunCommand(const std::vector<std::string> &Arguments, bool bSample = false);
// The same, failing the bench unless the command ends with status 0; the
// seconds it took.
double RunOrFail(const std::vector<std::string> &Arguments);

// One candidate: a command ("{OUT}" in an argument stands for the run's
// output folder), or a function of this process given that folder, which
// times its own work and returns the seconds (below 0 when it failed).
struct SCandidate
{
    std::string sName;
    std::vector<std::string> Arguments;
    std::function<double(const std::string &sOut)> InProcess;
};

struct SRoundOptions
{
    int iRounds = 9;
    int iPauseMs = 1000;
    // Drop the page cache before each run (root only): every tool then reads
    // its input from the disk.
    bool bCold = false;
    // Delete each run's output afterwards instead of emptying its files
    // (for trees too large to keep a copy of per run).
    bool bDelete = false;
};

// Runs every candidate once a round, in a shuffled order, each into a new
// folder below sOut, after a sync (and a cache drop when cold) and a pause.
// Returns the seconds of each run by candidate name.
std::map<std::string, std::vector<double>> RunRounds(const std::vector<SCandidate> &Candidates,
                                                     const SRoundOptions &Options, const std::string &sOut);

// True when this process may drop the page cache.
bool CanDropCaches();
void DropCaches();

// Empties every file below sPath, keeping the files themselves: on ext4,
// inodes freed in the last minutes are passed over one by one when new files
// are made, so deleting many files before a run would slow the next run's
// file creation, and more so the more recent the deletion.
void EmptyTree(const std::string &sPath);
void RemoveTree(const std::string &sPath);

// A tree held in memory: folders and files with their bytes, in pre-order.
// Writing it out is the floor of any extraction of the same tree: one mkdir
// per folder, one open, write and close per file.
class CFloorTree
{
public:
    // Reads every folder and file below sFolder.
    void Load(const std::string &sFolder);
    // Writes the tree into sTarget (an existing folder). False on any failure.
    bool Write(const std::string &sTarget) const;
    uint64_t Bytes() const { return uiBytes; }
    size_t Files() const { return uiFiles; }

private:
    struct SEntry
    {
        std::string sRelative;
        bool bFolder = false;
        std::string sData;
    };
    std::vector<SEntry> Entries;
    uint64_t uiBytes = 0;
    size_t uiFiles = 0;
};

// Every file of sReference must be in sOther with the same bytes, and the
// two trees must hold the same number of files.
void ExpectSameTree(const std::string &sReference, const std::string &sOther);

// larkspur-cli beside the bench's own build folder (<build>/bench/ holds the
// benches, <build>/ the tool), or the one on the PATH.
std::string DefaultCli();

// The options every bench takes: --rounds N, --mib N, --files N,
// --pause-ms N, --cli PATH and --keep. A bench's own options struct derives
// from this one and parses the rest itself.
struct SCommonOptions
{
    int iRounds = 9;
    uint64_t uiMiB = 1024;
    uint32_t uiFiles = 10000;
    int iPauseMs = 1000;
    std::string sCli = DefaultCli();
    bool bKeep = false;
};
// Takes argv[i] (and its value, advancing i) when it is a common option.
bool TakeCommonOption(int argc, char **argv, int &i, SCommonOptions &Options);

double Median(std::vector<double> Values);
double Minimum(const std::vector<double> &Values);

// Prints the median and minimum of each candidate, in the given order.
void PrintTimes(const std::map<std::string, std::vector<double>> &Times, const std::vector<std::string> &Names,
                uint64_t uiBytes);
// Prints What / Base by medians and by minimums; with fTarget > 0, whether the
// median ratio is below it (and, with bMinimumToo, the minimum ratio as well).
void PrintRatio(const std::map<std::string, std::vector<double>> &Times, const std::string &sWhat,
                const std::string &sBase, double fTarget, bool bMinimumToo = false);

}  // namespace BenchRounds
