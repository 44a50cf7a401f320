#pragma once
// Helpers shared by the archive reader's tests: a temporary folder that is
// also the current folder while it lives (the reader writes dump.txt there),
// whole-file reads, and a reader opened on an exactly sized heap copy of
// some bytes, so that a sanitized build sees any read past their end.

#include "archive/CGCF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace Larkspur
{

inline void PrintTo(EDataWalk eResult, std::ostream *pStream)
{
    static const char *const Names[] = {"Complete", "Stopped", "NoData", "BadEntry", "EntryLoop",
                                        "BadBlock", "BlockOutsideFile", "BadLink", "BlockLoop"};
    *pStream << Names[static_cast<int>(eResult)];
}

}  // namespace Larkspur

namespace ArchiveTest
{

using namespace Larkspur;

class CTempFolder
{
public:
    CTempFolder()
    {
        std::string sTemplate = (std::filesystem::temp_directory_path() / "larkspur-archive-XXXXXX").string();
        Path = ::mkdtemp(sTemplate.data());
        Previous = std::filesystem::current_path();
        std::filesystem::current_path(Path);
    }
    ~CTempFolder()
    {
        std::error_code Error;
        std::filesystem::current_path(Previous, Error);
        std::filesystem::remove_all(Path, Error);
    }
    CTempFolder(const CTempFolder &) = delete;
    CTempFolder &operator=(const CTempFolder &) = delete;

    std::string File(const std::string &sName) const { return (Path / sName).string(); }

    std::filesystem::path Path;

private:
    std::filesystem::path Previous;
};

inline std::string ReadWholeFile(const std::string &sPath)
{
    std::ifstream File(sPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>()};
}

// Keeps the bytes alive for as long as the reader views them.
struct SMemoryArchive
{
    std::unique_ptr<uint8_t[]> Bytes;
    CGCF GCF;

    bool Open(const std::vector<uint8_t> &Source)
    {
        GCF.Close();
        Bytes.reset(new uint8_t[Source.empty() ? 1 : Source.size()]);
        std::copy(Source.begin(), Source.end(), Bytes.get());
        return GCF.OpenMemory(Bytes.get(), Source.size(), "memory.gcf");
    }

    // The offset of a position from the start of the file, -1 for null.
    int64_t Offset(const void *lpPosition) const
    {
        if (lpPosition == nullptr)
            return -1;
        return static_cast<const uint8_t *>(lpPosition) - GCF.lpBase;
    }
};

inline void PutU32(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue)
{
    for (int i = 0; i < 4; i++)
        Bytes.at(uiOffset + i) = static_cast<uint8_t>(uiValue >> (8 * i));
}

}  // namespace ArchiveTest
