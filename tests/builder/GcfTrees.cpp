// SPDX-License-Identifier: MIT
// Ready-made trees and their contents: the sample archive, a wide directory
// for the tree and search benchmarks and a bulk tree for the extraction
// benchmark. All of it is deterministic, so every run builds the same bytes.

#include "GcfBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace GcfBuilder
{

namespace
{

// A strong 64-bit mix, so that neighbouring words of a pattern share nothing.
uint64_t Mix(uint64_t uiValue)
{
    uiValue += 0x9E3779B97F4A7C15ull;
    uiValue = (uiValue ^ (uiValue >> 30)) * 0xBF58476D1CE4E5B9ull;
    uiValue = (uiValue ^ (uiValue >> 27)) * 0x94D049BB133111EBull;
    return uiValue ^ (uiValue >> 31);
}

std::string Numbered(const char *szFormat, uint32_t uiNumber)
{
    char cName[64];
    std::snprintf(cName, sizeof cName, szFormat, uiNumber);
    return cName;
}

// A draw in [0, 1) from the top 53 bits, the same with every standard library.
double Unit(std::mt19937_64 &Random)
{
    return static_cast<double>(Random() >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace

std::string PatternData(uint64_t uiSize, uint32_t uiSeed)
{
    std::string sData(uiSize, '\0');
    const uint64_t uiBase = Mix(uiSeed);
    for (uint64_t uiPosition = 0; uiPosition < uiSize; uiPosition += 8)
    {
        const uint64_t uiWord = Mix(uiBase ^ (uiPosition >> 3));
        const uint64_t uiBytes = std::min<uint64_t>(8, uiSize - uiPosition);
        for (uint64_t uiByte = 0; uiByte < uiBytes; ++uiByte)
            sData[uiPosition + uiByte] = static_cast<char>(uiWord >> (8 * uiByte));
    }
    return sData;
}

std::string PatternText(uint64_t uiSize, const std::string &sName)
{
    std::string sText;
    sText.reserve(uiSize + 128);
    for (uint32_t uiLine = 1; sText.size() < uiSize; ++uiLine)
        sText += Numbered("%06u ", uiLine) + sName + ": the quick brown fox jumps over the lazy dog\n";
    sText.resize(uiSize);
    return sText;
}

SItem SampleTree()
{
    SItem Wind = SItem::File("wind.wav", PatternData(40000, 7));
    Wind.uiBlocksPerEntry = 2;

    // The root's stored name differs from "root" on purpose: it is never read.
    return SItem::Folder(
        "sample",
        {
            SItem::Folder("maps",
                          {
                              SItem::File("de_larkspur.bsp", PatternData(300000, 1)),
                              SItem::File("de_larkspur.txt", PatternText(100, "de_larkspur.txt")),
                              SItem::File("empty.res", ""),
                          }),
            SItem::Folder("sound",
                          {
                              SItem::Folder("ambience",
                                            {
                                                Wind,
                                                SItem::File("drip.wav", PatternData(1, 8)),
                                            }),
                          }),
            SItem::Folder("materials",
                          {
                              SItem::Folder("models",
                                            {
                                                SItem::Folder("empty"),
                                                SItem::File("crate.mdl", PatternData(12288, 3)),
                                            }),
                          }),
            SItem::File("halflife.wad", PatternData(8192, 4)),
            SItem::File("autoexec.cfg", PatternText(8191, "autoexec.cfg")),
            SItem::File("client.dll", PatternData(16384, 5)),
            SItem::File("readme", PatternText(1500, "readme")),
        });
}

SItem WideTree(uint32_t uiFolders, uint32_t uiFilesPerFolder, uint32_t uiFileSize)
{
    SItem Root = SItem::Folder("wide");
    Root.Children.reserve(uiFolders);
    for (uint32_t uiFolder = 0; uiFolder < uiFolders; ++uiFolder)
    {
        SItem Folder = SItem::Folder(Numbered("folder%04u", uiFolder));
        Folder.Children.reserve(uiFilesPerFolder);
        for (uint32_t uiFile = 0; uiFile < uiFilesPerFolder; ++uiFile)
        {
            const uint32_t uiNumber = uiFolder * uiFilesPerFolder + uiFile;
            Folder.Children.push_back(
                SItem::File(Numbered("file%05u.txt", uiNumber), uiFileSize ? PatternData(uiFileSize, uiNumber) : ""));
        }
        Root.Children.push_back(std::move(Folder));
    }
    return Root;
}

SItem BulkTree(uint64_t uiTotalBytes, uint32_t uiFileCount, uint32_t uiSeed)
{
    // A few large files (one in a thousand) take a third of the bytes; the
    // rest are spread log-uniformly from a few bytes to 1 MiB and scaled so
    // that the sizes add up to about uiTotalBytes.
    std::mt19937_64 Random(uiSeed);
    const uint32_t uiLargeCount = std::max<uint32_t>(1, uiFileCount / 1000);
    const uint32_t uiLargeStride = std::max<uint32_t>(1, uiFileCount / uiLargeCount);
    std::vector<double> Weights(uiFileCount);  // negative for a large file
    double fLargeWeights = 0, fSmallWeights = 0;
    for (uint32_t uiFile = 0; uiFile < uiFileCount; ++uiFile)
    {
        const bool bLarge = uiFile % uiLargeStride == 0 && uiFile / uiLargeStride < uiLargeCount;
        Weights[uiFile] = bLarge ? -(0.5 + Unit(Random)) : std::exp(std::log(4.0) + Unit(Random) * std::log(262144.0));
        (bLarge ? fLargeWeights : fSmallWeights) += std::abs(Weights[uiFile]);
    }
    const double fLargeShare = fSmallWeights > 0 ? uiTotalBytes / 3.0 : static_cast<double>(uiTotalBytes);
    const double fSmallShare = static_cast<double>(uiTotalBytes) - fLargeShare;

    static const char *const Extensions[] = {".dat", ".bsp", ".wav", ".mdl", ".txt", ".vtf", ".res", ""};
    SItem Root = SItem::Folder("bulk");
    for (uint32_t uiFile = 0; uiFile < uiFileCount; ++uiFile)
    {
        const uint32_t uiSet = uiFile / 100, uiPack = uiSet / 10;
        if (uiFile % 1000 == 0)
            Root.Children.push_back(SItem::Folder(Numbered("pack%02u", uiPack)));
        SItem &Pack = Root.Children.back();
        if (uiFile % 100 == 0)
            Pack.Children.push_back(SItem::Folder(Numbered("set%03u", uiSet)));
        const double fWeight = Weights[uiFile];
        const double fSize = fWeight < 0 ? -fWeight / fLargeWeights * fLargeShare : fWeight / fSmallWeights * fSmallShare;
        const uint64_t uiSize = static_cast<uint64_t>(std::max(1.0, std::floor(fSize)));
        Pack.Children.back().Children.push_back(
            SItem::File(Numbered("file%05u", uiFile) + Extensions[uiFile % 8], PatternData(uiSize, uiSeed * 100003u + uiFile)));
    }
    return Root;
}

}  // namespace GcfBuilder
