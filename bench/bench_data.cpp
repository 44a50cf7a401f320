// SPDX-License-Identifier: MIT
// Reading item data: SHA-256 of one large file inside an archive against
// sha256sum of the same bytes extracted, and the preview of a 1 GiB file
// against that of a 1 KiB one.
//
// Checksums: "larkspur-cli hash" of the file, and the same sums in process
// (SHA-256 alone, and SHA-256 with CRC32 as the Properties dialog computes
// them), against "sha256sum" of the extracted copy, all from the page cache.
// Target: SHA-256 at least 0.80x of sha256sum's speed.
//
// Preview: what the window does when a file is selected (locate and read the
// bytes shown, make the text or the hex dump, hand it to the pane, paint),
// for files of 1 KiB, of the size the preview shows (1 MiB of text, 64 KiB of
// hex) and of 1 GiB. Targets: the 1 GiB file's preview takes no longer than
// that of the file of the size shown (at most 1.2x: it reads the same bytes),
// and no more than a frame (16 ms) longer than the 1 KiB file's.
//
// Rounds are interleaved in shuffled order; medians and minimums are printed,
// since absolute times drift on shared machines.
//
//   bench_data [--rounds N] [--mib N] [--cli PATH] [--keep]
// Everything is made under /tmp (about 3 x N MiB) and deleted at the end.

#include "BenchRounds.h"
#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "dialogs/ItemChecksums.h"
#include "window/ItemPreview.h"
#include "window/PreviewPane.h"
#include "window/Utils.h"

#include <QApplication>
#include <QLocale>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Larkspur;
using BenchRounds::TakeCommonOption;
using SOptions = BenchRounds::SCommonOptions;
using BenchRounds::Median;

namespace
{

[[noreturn]] void Fail(const std::string &sWhat)
{
    std::fprintf(stderr, "bench_data: %s\n", sWhat.c_str());
    std::exit(1);
}

double Seconds(const std::function<void()> &Work)
{
    const auto Start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

void Shell(const std::string &sCommand)
{
    if (std::system(sCommand.c_str()) != 0)
        Fail("failed: " + sCommand);
}

// Runs every candidate once per round, in a shuffled order each round, and
// keeps its times by name.
std::map<std::string, std::vector<double>> Interleave(int iRounds,
                                                      const std::vector<std::pair<std::string, std::function<void()>>> &Candidates)
{
    std::map<std::string, std::vector<double>> Times;
    std::mt19937 Random(12345);
    std::vector<size_t> Order(Candidates.size());
    for (size_t i = 0; i < Order.size(); ++i)
        Order[i] = i;
    for (int iRound = 0; iRound < iRounds; ++iRound)
    {
        std::shuffle(Order.begin(), Order.end(), Random);
        for (const size_t i : Order)
            Times[Candidates[i].first].push_back(Seconds(Candidates[i].second));
    }
    return Times;
}

// --files and --pause-ms are taken but unused: one file is read, in process.
SOptions ParseOptions(int argc, char **argv)
{
    SOptions Options;
    for (int i = 1; i < argc; ++i)
        if (!TakeCommonOption(argc, argv, i, Options))
            Fail("usage: bench_data [--rounds N] [--mib N] [--cli PATH] [--keep]");
    // The file must hold what the preview shows, and fit in memory twice.
    Options.uiMiB = std::clamp<uint64_t>(Options.uiMiB, 2, 1536);
    return Options;
}

uint32_t IndexOf(const GcfBuilder::SLayout &Layout, const std::string &sPath)
{
    const auto Found = std::find(Layout.Paths.begin(), Layout.Paths.end(), sPath);
    if (Found == Layout.Paths.end())
        Fail("no " + sPath + " in the archive");
    return uint32_t(Found - Layout.Paths.begin());
}

void Checksums(const SOptions &Options, const std::string &sWork, const CGCF &GCFFile, uint32_t uiBig)
{
    const std::string sArchive = sWork + "/data.gcf", sCopy = sWork + "/out/big.bin";
    const std::string sQuiet = " >/dev/null 2>&1";
    const double fMiB = double(Options.uiMiB);
    const auto InProcess = [&](EChecksums eWanted) {
        CItemChecksums Sums(GCFFile, uiBig, eWanted);
        if (Sums.Run() != EChecksumState::Done)
            Fail("the checksums failed: " + Sums.Problem());
    };
    // Everything from the page cache: each candidate reads once before.
    Shell("cat '" + sArchive + "' '" + sCopy + "' >/dev/null");
    const std::map<std::string, std::vector<double>> Times = Interleave(
        Options.iRounds,
        {{"sha256sum of the extracted copy", [&] { Shell("sha256sum '" + sCopy + "'" + sQuiet); }},
         {"larkspur-cli hash", [&] { Shell("'" + Options.sCli + "' hash '" + sArchive + "' root/big.bin" + sQuiet); }},
         {"larkspur-cli hash --crc32",
          [&] { Shell("'" + Options.sCli + "' hash --crc32 '" + sArchive + "' root/big.bin" + sQuiet); }},
         {"SHA-256 in process", [&] { InProcess(EChecksums::Sha256); }},
         {"SHA-256 and CRC32 in process (Properties)", [&] { InProcess(EChecksums::Both); }}});

    std::printf("Checksums of one %.0f MiB file, %d rounds (median, minimum, speed):\n", fMiB, Options.iRounds);
    const double fBaseline = Median(Times.at("sha256sum of the extracted copy"));
    for (const auto &[sName, Values] : Times)
        std::printf("  %-44s %7.3f s %7.3f s %7.0f MiB/s  %.2fx of sha256sum\n", sName.c_str(), Median(Values),
                    *std::min_element(Values.begin(), Values.end()), fMiB / Median(Values), fBaseline / Median(Values));
    const double fRatio = fBaseline / Median(Times.at("larkspur-cli hash"));
    std::printf("  SHA-256 speed against sha256sum: %.2fx (target: at least 0.80x) %s\n\n", fRatio,
                fRatio >= 0.8 ? "met" : "NOT MET");
}

void Previews(const SOptions &Options, const CGCF &GCFFile, const GcfBuilder::SLayout &Layout)
{
    GCFPreviewPane Pane;
    Pane.resize(400, 600);
    Pane.show();
    const auto Preview = [&](const std::string &sPath) {
        const uint32_t uiIndex = IndexOf(Layout, "\\root\\" + sPath);
        return [&, uiIndex, sPath] {
            Pane.ShowPreview(QString::fromStdString(sPath), PreviewItem(GCFFile, uiIndex, &IsPreviewPicture));
            Pane.repaint();
        };
    };
    // The 1 GiB files were not read since they were written: their first
    // bytes are as cold or warm as the small files'.
    const std::vector<std::pair<std::string, std::string>> Files = {
        {"text, 1 KiB", "small.txt"}, {"text, 1 MiB (as much as shows)", "shown.txt"}, {"text, large", "big.txt"},
        {"binary, 1 KiB", "small.bin"}, {"binary, 64 KiB (as much as shows)", "shown.bin"},
        {"binary, large", "big.bin"}};
    std::vector<std::pair<std::string, std::function<void()>>> Candidates;
    for (const auto &[sName, sPath] : Files)
        Candidates.emplace_back(sName, Preview(sPath));
    const std::map<std::string, std::vector<double>> Times = Interleave(Options.iRounds * 3, Candidates);

    std::printf("Preview of a selected file (read, format, show, paint), %d rounds (median, minimum):\n",
                Options.iRounds * 3);
    for (const auto &[sName, sPath] : Files)
    {
        const std::vector<double> &Values = Times.at(sName);
        std::printf("  %-36s %8.2f ms %8.2f ms\n", sName.c_str(), Median(Values) * 1e3,
                    *std::min_element(Values.begin(), Values.end()) * 1e3);
    }
    for (const char *szKind : {"text", "binary"})
    {
        const std::string sKind = szKind;
        const double fLarge = Median(Times.at(sKind + ", large"));
        const double fShown = Median(Times.at(sKind + (sKind == "text" ? ", 1 MiB (as much as shows)"
                                                                       : ", 64 KiB (as much as shows)")));
        const double fSmall = Median(Times.at(sKind + ", 1 KiB"));
        std::printf("  %s: the %.0f MiB file against the file of the size shown %.2fx (target: at most 1.2x) %s;\n"
                    "  %s: %.1f ms more than the 1 KiB file (target: at most 16 ms) %s\n",
                    szKind, double(Options.uiMiB), fLarge / fShown, fLarge / fShown <= 1.2 ? "met" : "NOT MET",
                    szKind, (fLarge - fSmall) * 1e3, fLarge - fSmall <= 0.016 ? "met" : "NOT MET");
    }
}

}  // namespace

int main(int argc, char **argv)
{
    const SOptions Options = ParseOptions(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Utils::BuildExtTable();

    std::string sWork = "/tmp/larkspur-bench-data-XXXXXX";
    if (::mkdtemp(sWork.data()) == nullptr)
        Fail("mkdtemp failed");
    const uint64_t uiBytes = Options.uiMiB << 20;
    std::printf("Building an archive with a %.0f MiB binary and a %.0f MiB text file in %s ...\n",
                double(Options.uiMiB), double(Options.uiMiB), sWork.c_str());
    std::fflush(stdout);
    GcfBuilder::SLayout Layout;
    {
        using GcfBuilder::SItem;
        const SItem Tree = SItem::Folder(
            "root", {SItem::File("big.bin", GcfBuilder::PatternData(uiBytes, 1)),
                     SItem::File("big.txt", GcfBuilder::PatternText(uiBytes, "big.txt")),
                     SItem::File("small.bin", GcfBuilder::PatternData(1024, 2)),
                     SItem::File("small.txt", GcfBuilder::PatternText(1024, "small.txt")),
                     SItem::File("shown.bin", GcfBuilder::PatternData(HEX_BYTES, 3)),
                     SItem::File("shown.txt", GcfBuilder::PatternText(TEXT_BYTES, "shown.txt"))});
        if (!GcfBuilder::BuildToFile(Tree, GcfBuilder::SOptions(), sWork + "/data.gcf", &Layout))
            Fail("could not write the archive");
    }
    Shell("'" + Options.sCli + "' extract '" + sWork + "/data.gcf' root/big.bin -o '" + sWork + "/out' >/dev/null");

    CGCF GCFFile;
    if (!GCFFile.Open((sWork + "/data.gcf").c_str()))
        Fail("could not open the archive");
    Checksums(Options, sWork, GCFFile, IndexOf(Layout, "\\root\\big.bin"));
    Previews(Options, GCFFile, Layout);

    GCFFile.Close();
    if (!Options.bKeep)
    {
        std::error_code Error;
        fs::remove_all(sWork, Error);
    }
    return 0;
}
