#pragma once
// What the extraction tests share: a temporary folder, a console that keeps
// its lines, and an archive built from a described tree, opened, with an
// engine that writes into that console.

#include "archive/CGCF.h"
#include "extract/CExtraction.h"

#include "GcfBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace ExtractionTest
{

using namespace Larkspur;

struct SLine
{
    std::string sText;
    ELineColor eColor;
    bool operator==(const SLine &Other) const = default;
};
void PrintTo(const SLine &Line, std::ostream *lpStream);
using SLines = std::vector<SLine>;
using SStrings = std::vector<std::string>;

class CMemoryConsole : public IConsole
{
public:
    void WriteLine(std::string_view sLine, ELineColor eColor) override { Lines.push_back({std::string(sLine), eColor}); }
    SStrings Texts(ELineColor eColor) const;
    SLines Lines;
};

// A fresh folder under /tmp, removed with everything in it at the end.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir &) = delete;
    CTempDir &operator=(const CTempDir &) = delete;
    std::string operator/(const std::string &sName) const { return sPath + "/" + sName; }
    std::string sPath;
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

bool FileExists(const std::string &sPath);  // anything at the path, links included
std::string ReadFile(const std::string &sPath);
void WriteText(const std::string &sPath, const std::string &sText);
// Everything below sFolder, as sorted paths relative to it.
SStrings ListTree(const std::string &sFolder);

// Runs Body in a forked child (failed expectations there fail the child) and
// returns its exit status; -1 when it died or ran past iSeconds.
int RunInChild(const std::function<void()> &Body, int iSeconds = 20);

}  // namespace ExtractionTest
