#include "ExtractionSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

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

CTempDir::CTempDir() : sPath("/tmp/larkspur-extract-XXXXXX")
{
    if (::mkdtemp(sPath.data()) == nullptr)
        ADD_FAILURE() << "mkdtemp failed";
}

CTempDir::~CTempDir()
{
    std::error_code Error;
    fs::remove_all(sPath, Error);
}

CArchiveCase::CArchiveCase(const GcfBuilder::SItem &Tree, const GcfBuilder::SOptions &Options,
                           const std::function<void(GcfBuilder::SArchive &)> &Damage, std::string sArchivePath)
    : Archive(GcfBuilder::Build(Tree, Options))
{
    if (Damage)
        Damage(Archive);
    if (sArchivePath.empty())
        sArchivePath = Temp / "archive.gcf";
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

bool FileExists(const std::string &sPath)
{
    struct stat Stat;
    return ::lstat(sPath.c_str(), &Stat) == 0;
}

std::string ReadFile(const std::string &sPath)
{
    std::ifstream Stream(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
}

void WriteText(const std::string &sPath, const std::string &sText)
{
    std::ofstream(sPath, std::ios::binary | std::ios::trunc) << sText;
}

SStrings ListTree(const std::string &sFolder)
{
    SStrings Found;
    std::error_code Error;
    for (auto It = fs::recursive_directory_iterator(sFolder, Error); !Error && It != fs::recursive_directory_iterator();
         It.increment(Error))
        Found.push_back(fs::relative(It->path(), sFolder).string());
    std::sort(Found.begin(), Found.end());
    return Found;
}

int RunInChild(const std::function<void()> &Body, int iSeconds)
{
    std::fflush(nullptr);
    const pid_t iChild = ::fork();
    if (iChild == 0)
    {
        ::alarm(static_cast<unsigned>(iSeconds));
        Body();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int iStatus = 0;
    if (iChild < 0 || ::waitpid(iChild, &iStatus, 0) != iChild || !WIFEXITED(iStatus))
        return -1;
    return WEXITSTATUS(iStatus);
}

}  // namespace ExtractionTest
