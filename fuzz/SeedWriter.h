// SPDX-License-Identifier: MIT
#pragma once
// Writes a seed generator's files into its folder: each seed as NAME plus the
// format's extension, and variants of a base made by one change each. A
// change that aims outside a small base throws; that variant is skipped.

#include "GcfBuilder.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace FuzzSeeds
{

struct SSeedWriter
{
    std::filesystem::path Folder;
    std::string sExtension;  // ".gcf", ".vpk"
    size_t uiWritten = 0;
    bool bFailed = false;

    void Write(const std::string &sName, const std::vector<uint8_t> &Bytes)
    {
        if (!GcfBuilder::WriteFile((Folder / (sName + sExtension)).string(), Bytes))
        {
            std::fprintf(stderr, "cannot write seed %s\n", sName.c_str());
            bFailed = true;
            return;
        }
        uiWritten++;
    }

    // BytesOf gives the file a changed copy is written as.
    template <class TBase, class TChange, class TBytesOf>
    void Mutate(const std::string &sName, const TBase &Base, TChange Change, TBytesOf BytesOf)
    {
        TBase Copy = Base;
        try
        {
            Change(Copy);
        }
        catch (const std::exception &)
        {
            return;
        }
        Write(sName, BytesOf(Copy));
    }
};

}  // namespace FuzzSeeds
