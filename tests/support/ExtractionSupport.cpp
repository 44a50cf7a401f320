// SPDX-License-Identifier: MIT
#include "tests/support/ExtractionSupport.h"

#include <algorithm>

namespace ExtractionTest
{

void PrintTo(const SLine &Line, std::ostream *lpStream)
{
    static const char *const Colors[] = {"green", "gray", "red"};
    *lpStream << "{\"" << Line.sText << "\", " << Colors[static_cast<int>(Line.eColor)] << "}";
}

SStrings CMemoryConsole::Texts(ELineColor eColor) const
{
    SStrings Found;
    for (const SLine &Line : Lines)
        if (Line.eColor == eColor)
            Found.push_back(Line.sText);
    return Found;
}

CArchiveCase::CArchiveCase(const GcfBuilder::SItem &Tree, const GcfBuilder::SOptions &Options,
                           const std::function<void(GcfBuilder::SArchive &)> &Damage, std::string sArchivePath)
    : Archive(GcfBuilder::Build(Tree, Options))
{
    if (Damage)
        Damage(Archive);
    if (sArchivePath.empty())
        sArchivePath = Temp / "archive.gcf";
    GCFFile.SetDumpFolder(Temp.sPath);
    EXPECT_TRUE(GcfBuilder::WriteFile(sArchivePath, Archive.Bytes));
    EXPECT_TRUE(GCFFile.Open(sArchivePath.c_str())) << sArchivePath;
}

uint32_t CArchiveCase::Index(const std::string &sArchivePath) const
{
    const auto &Paths = Archive.Layout.Paths;
    const auto It = std::find(Paths.begin(), Paths.end(), sArchivePath);
    EXPECT_NE(It, Paths.end()) << sArchivePath;
    return static_cast<uint32_t>(It - Paths.begin());
}

size_t CArchiveCase::Wrote() const
{
    const SStrings Gray = Console.Texts(ELineColor::Gray);
    return static_cast<size_t>(
        std::count_if(Gray.begin(), Gray.end(), [](const std::string &sLine) { return sLine.starts_with("Wrote "); }));
}

}  // namespace ExtractionTest
