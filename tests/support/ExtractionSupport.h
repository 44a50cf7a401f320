// SPDX-License-Identifier: MIT
#pragma once
// What the extraction tests share besides the common test support: a console
// that keeps its lines, and an archive built from a described tree, opened,
// with an engine that writes into that console.

#include "archive/CGCF.h"
#include "archive/CItemData.h"
#include "extract/CExtraction.h"

#include "GcfBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace ExtractionTest
{

using namespace Larkspur;
using namespace TestSupport;

struct SLine
{
    std::string sText;
    ELineColor eColor;
    bool operator==(const SLine &Other) const = default;
};
void PrintTo(const SLine &Line, std::ostream *lpStream);
using SLines = std::vector<SLine>;

class CMemoryConsole : public IConsole
{
public:
    void WriteLine(std::string_view sLine, ELineColor eColor) override { Lines.push_back({std::string(sLine), eColor}); }
    void WriteFailure(std::string_view sLine, int iSystemError) override
    {
        Reasons.push_back(iSystemError);
        WriteLine(sLine, ELineColor::Red);
    }
    SStrings Texts(ELineColor eColor) const;
    SLines Lines;
    std::vector<int> Reasons;  // the system's reason of each failure line (0: none)
};

// The tree built (and damaged, when asked) into "<temp>/archive.gcf", or into
// sArchivePath, and opened; sOut ("<temp>/out") is where tests extract to.
struct CArchiveCase
{
    explicit CArchiveCase(const GcfBuilder::SItem &Tree, const GcfBuilder::SOptions &Options = {},
                          const std::function<void(GcfBuilder::SArchive &)> &Damage = {}, std::string sArchivePath = "");
    // The directory index of an archive path ("\root\a\b.txt").
    uint32_t Index(const std::string &sArchivePath) const;
    SStrings Red() const { return Console.Texts(ELineColor::Red); }
    // The "Wrote " lines.
    size_t Wrote() const;

    CTempDir Temp;
    std::string sOut = Temp / "out";
    GcfBuilder::SArchive Archive;
    CGCF GCFFile;
    CMemoryConsole Console;
    CExtraction Engine{GCFFile, Console};
};

}  // namespace ExtractionTest
