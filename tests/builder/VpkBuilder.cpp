// SPDX-License-Identifier: MIT
// Lays out and writes VPK sets. The tree is written group by group
// (extension, then path); each file's data goes, after its preload bytes,
// to the end of its store: the directory file's data section or its data
// file. Sizes and checksums follow once every store is complete.

#include "VpkBuilder.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace VpkBuilder
{

namespace
{

constexpr uint32_t SIGNATURE = 0x55AA1234u;
constexpr uint16_t TERMINATOR = 0xFFFF;

void PutLE(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue, int iWidth)
{
    if (uiOffset + iWidth > Bytes.size())
        throw std::out_of_range("field outside the directory file");
    for (int i = 0; i < iWidth; i++)
        Bytes[uiOffset + i] = static_cast<uint8_t>(uiValue >> (8 * i));
}

void AppendLE(std::vector<uint8_t> &Bytes, uint32_t uiValue, int iWidth)
{
    Bytes.resize(Bytes.size() + iWidth);
    PutLE(Bytes, Bytes.size() - iWidth, uiValue, iWidth);
}

void AppendString(std::vector<uint8_t> &Bytes, const std::string &sText)
{
    Bytes.insert(Bytes.end(), sText.begin(), sText.end());
    Bytes.push_back(0);
}

void AppendBytes(std::vector<uint8_t> &Bytes, const std::string &sData)
{
    Bytes.insert(Bytes.end(), sData.begin(), sData.end());
}

const std::string &OrBlank(const std::string &sText)
{
    static const std::string BLANK = " ";
    return sText.empty() ? BLANK : sText;
}

// Files grouped as the tree lists them: extension, then path, in first-seen order.
std::vector<std::vector<std::vector<size_t>>> Group(const std::vector<SFile> &Files)
{
    std::unordered_map<std::string, size_t> Extensions;
    std::vector<std::unordered_map<std::string, size_t>> Paths;
    std::vector<std::vector<std::vector<size_t>>> Groups;
    for (size_t i = 0; i < Files.size(); i++)
    {
        const auto [Extension, bNewExtension] = Extensions.try_emplace(Files[i].sExtension, Groups.size());
        if (bNewExtension)
        {
            Paths.emplace_back();
            Groups.emplace_back();
        }
        const size_t e = Extension->second;
        const auto [Path, bNewPath] = Paths[e].try_emplace(Files[i].sPath, Groups[e].size());
        if (bNewPath)
            Groups[e].emplace_back();
        Groups[e][Path->second].push_back(i);
    }
    return Groups;
}

// The data after the preload bytes goes to the end of its store, or where
// the same bytes already lie when identical data is shared.
class CStores
{
public:
    CStores(SSet &Target, bool bShare) : Set(Target), bShareIdentical(bShare) {}

    uint32_t Place(uint16_t uiArchiveIndex, const std::string &sData)
    {
        std::vector<uint8_t> &Store = uiArchiveIndex == IN_DIRECTORY_FILE ? FileData : Set.DataFiles[uiArchiveIndex];
        if (bShareIdentical)
        {
            const auto [Found, bNew] = Placed.try_emplace({uiArchiveIndex, sData}, static_cast<uint32_t>(Store.size()));
            if (!bNew)
                return Found->second;
        }
        const auto uiOffset = static_cast<uint32_t>(Store.size());
        AppendBytes(Store, sData);
        return uiOffset;
    }

    std::vector<uint8_t> FileData;  // the directory file's data section

private:
    SSet &Set;
    bool bShareIdentical;
    std::map<std::pair<uint16_t, std::string>, uint32_t> Placed;
};

std::vector<uint8_t> WriteTree(const std::vector<SFile> &Files, CStores &Stores, SLayout &Layout, uint64_t uiBase)
{
    std::vector<uint8_t> Tree;
    Layout.EntryOffsets.assign(Files.size(), 0);
    Layout.NameOffsets.assign(Files.size(), 0);
    for (const auto &Extension : Group(Files))
    {
        AppendString(Tree, OrBlank(Files[Extension[0][0]].sExtension));
        for (const auto &Folder : Extension)
        {
            AppendString(Tree, OrBlank(Files[Folder[0]].sPath));
            for (size_t i : Folder)
            {
                const SFile &File = Files[i];
                Layout.NameOffsets[i] = uiBase + Tree.size();
                AppendString(Tree, File.sName);
                const size_t uiPreload = std::min<size_t>(File.uiPreload, File.sData.size());
                const std::string sRest = File.sData.substr(uiPreload);
                const uint32_t uiOffset = sRest.empty() ? 0 : Stores.Place(File.uiArchiveIndex, sRest);
                Layout.EntryOffsets[i] = uiBase + Tree.size();
                AppendLE(Tree, Crc32(File.sData), 4);
                AppendLE(Tree, static_cast<uint32_t>(uiPreload), 2);
                AppendLE(Tree, File.uiArchiveIndex, 2);
                AppendLE(Tree, uiOffset, 4);
                AppendLE(Tree, static_cast<uint32_t>(sRest.size()), 4);
                AppendLE(Tree, TERMINATOR, 2);
                AppendBytes(Tree, File.sData.substr(0, uiPreload));
            }
            Tree.push_back(0);
        }
        Tree.push_back(0);
    }
    Tree.push_back(0);
    return Tree;
}

// Version 2's sections after the file data: a record per chunk of each data
// file, the other MD5 section (the third sum covers everything before the
// section: the builder's choice, as its coverage is not known), a signature.
void WriteSections(SSet &Set, const SOptions &Options, const std::vector<uint8_t> &Tree)
{
    std::vector<uint8_t> &Bytes = Set.Directory;
    SLayout &Layout = Set.Layout;
    std::vector<uint8_t> Records;
    if (Options.bArchiveMD5)
        for (const auto &[uiIndex, Data] : Set.DataFiles)
            for (uint64_t uiStart = 0; uiStart < Data.size(); uiStart += Options.uiChunkSize)
            {
                const uint64_t uiCount = std::min<uint64_t>(Options.uiChunkSize, Data.size() - uiStart);
                AppendLE(Records, uiIndex, 4);
                AppendLE(Records, static_cast<uint32_t>(uiStart), 4);
                AppendLE(Records, static_cast<uint32_t>(uiCount), 4);
                const std::string sSum = Md5(Data.data() + uiStart, uiCount);
                AppendBytes(Records, sSum);
            }
    Layout.uiArchiveMD5Offset = Bytes.size();
    Layout.uiArchiveMD5Size = Records.size();
    Bytes.insert(Bytes.end(), Records.begin(), Records.end());
    Layout.uiOtherMD5Offset = Bytes.size();
    if (Options.bOtherMD5)
    {
        const std::string sThird = Md5(Bytes.data(), Bytes.size());
        AppendBytes(Bytes, Md5(Tree.data(), Tree.size()));
        AppendBytes(Bytes, Md5(Records.data(), Records.size()));
        AppendBytes(Bytes, sThird);
    }
    Layout.uiOtherMD5Size = Bytes.size() - Layout.uiOtherMD5Offset;
    Layout.uiSignatureOffset = Bytes.size();
    if (Options.bSignature)
    {
        AppendLE(Bytes, static_cast<uint32_t>(Options.sPublicKey.size()), 4);
        AppendBytes(Bytes, Options.sPublicKey);
        AppendLE(Bytes, static_cast<uint32_t>(Options.sSignature.size()), 4);
        AppendBytes(Bytes, Options.sSignature);
    }
    Layout.uiSignatureSize = Bytes.size() - Layout.uiSignatureOffset;
    PutLE(Bytes, 12, static_cast<uint32_t>(Layout.uiFileDataSize), 4);
    PutLE(Bytes, 16, static_cast<uint32_t>(Layout.uiArchiveMD5Size), 4);
    PutLE(Bytes, 20, static_cast<uint32_t>(Layout.uiOtherMD5Size), 4);
    PutLE(Bytes, 24, static_cast<uint32_t>(Layout.uiSignatureSize), 4);
}

}  // namespace

uint32_t Crc32(const std::string &sData)
{
    uLong uiCrc = crc32(0L, Z_NULL, 0);
    const auto *lpBytes = reinterpret_cast<const Bytef *>(sData.data());
    for (size_t uiDone = 0; uiDone < sData.size();)
    {
        const auto uiStep = static_cast<uInt>(std::min<size_t>(sData.size() - uiDone, 1u << 30));
        uiCrc = crc32(uiCrc, lpBytes + uiDone, uiStep);
        uiDone += uiStep;
    }
    return static_cast<uint32_t>(uiCrc);
}

std::string Md5(const void *lpData, size_t uiSize)
{
    unsigned char Sum[EVP_MAX_MD_SIZE];
    unsigned int uiLength = 0;
    if (EVP_Digest(lpData, uiSize, Sum, &uiLength, EVP_md5(), nullptr) != 1 || uiLength != 16)
        throw std::runtime_error("MD5 failed");
    return std::string(reinterpret_cast<const char *>(Sum), 16);
}

SFile SFile::At(const std::string &sFullPath, std::string sData, uint16_t uiArchiveIndex, uint16_t uiPreload)
{
    SFile File;
    const size_t uiSlash = sFullPath.rfind('/');
    File.sPath = uiSlash == std::string::npos ? "" : sFullPath.substr(0, uiSlash);
    File.sName = uiSlash == std::string::npos ? sFullPath : sFullPath.substr(uiSlash + 1);
    const size_t uiDot = File.sName.rfind('.');
    if (uiDot != std::string::npos && uiDot > 0 && uiDot + 1 < File.sName.size())
    {
        File.sExtension = File.sName.substr(uiDot + 1);
        File.sName.resize(uiDot);
    }
    File.sData = std::move(sData);
    File.uiArchiveIndex = uiArchiveIndex;
    File.uiPreload = uiPreload;
    return File;
}

std::string SFile::FullPath() const
{
    return (sPath.empty() ? "" : sPath + "/") + sName + (sExtension.empty() ? "" : "." + sExtension);
}

SSet Build(const std::vector<SFile> &Files, const SOptions &Options)
{
    SSet Set;
    SLayout &Layout = Set.Layout;
    Layout.uiHeaderSize = Options.uiVersion == 1 ? 12 : 28;
    CStores Stores(Set, Options.bShareIdentical);
    const std::vector<uint8_t> Tree = WriteTree(Files, Stores, Layout, Layout.uiHeaderSize);
    Layout.uiTreeSize = static_cast<uint32_t>(Tree.size());
    Layout.uiFileDataOffset = Layout.uiHeaderSize + Tree.size();
    Layout.uiFileDataSize = Stores.FileData.size();

    std::vector<uint8_t> &Bytes = Set.Directory;
    AppendLE(Bytes, SIGNATURE, 4);
    AppendLE(Bytes, Options.uiVersion, 4);
    AppendLE(Bytes, Layout.uiTreeSize, 4);
    Bytes.resize(Layout.uiHeaderSize, 0);
    Bytes.insert(Bytes.end(), Tree.begin(), Tree.end());
    Bytes.insert(Bytes.end(), Stores.FileData.begin(), Stores.FileData.end());
    if (Layout.uiHeaderSize == 28)
        WriteSections(Set, Options, Tree);
    for (const SFile &File : Files)
        Layout.Paths.push_back("\\root\\" + [&] {
            std::string sPath = File.FullPath();
            std::replace(sPath.begin(), sPath.end(), '/', '\\');
            return sPath;
        }());
    return Set;
}

bool WriteSet(const SSet &Set, const std::string &sFolder, const std::string &sName, bool bSingle)
{
    const auto Write = [](const std::string &sPath, const std::vector<uint8_t> &Bytes)
    {
        std::ofstream Stream(sPath, std::ios::binary | std::ios::trunc);
        Stream.write(reinterpret_cast<const char *>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
        Stream.close();
        return static_cast<bool>(Stream);
    };
    if (bSingle)
        return Write(sFolder + "/" + sName + ".vpk", Set.Directory);
    bool bWritten = Write(sFolder + "/" + sName + "_dir.vpk", Set.Directory);
    for (const auto &[uiIndex, Bytes] : Set.DataFiles)
    {
        char cSuffix[16];
        std::snprintf(cSuffix, sizeof cSuffix, "_%03u.vpk", static_cast<unsigned>(uiIndex));
        bWritten = Write(sFolder + "/" + sName + cSuffix, Bytes) && bWritten;
    }
    return bWritten;
}

void SetHeaderField(SSet &Set, EHeaderField eField, uint32_t uiValue)
{
    PutLE(Set.Directory, static_cast<uint64_t>(eField), uiValue, 4);
}

void SetEntryField(SSet &Set, size_t uiFile, EEntryField eField, uint32_t uiValue)
{
    const int iWidth = eField == EEntryField::PreloadBytes || eField == EEntryField::ArchiveIndex ||
                               eField == EEntryField::Terminator
                           ? 2
                           : 4;
    PutLE(Set.Directory, Set.Layout.EntryOffsets.at(uiFile) + static_cast<uint64_t>(eField), uiValue, iWidth);
}

namespace
{

void AddTreeFiles(const GcfBuilder::SItem &Folder, const std::string &sPath, std::vector<SFile> &Files,
                  uint32_t uiDataFiles, uint16_t uiPreload)
{
    for (const GcfBuilder::SItem &Item : Folder.Children)
    {
        const std::string sItemPath = sPath.empty() ? Item.sName : sPath + "/" + Item.sName;
        if (Item.bFolder)
        {
            AddTreeFiles(Item, sItemPath, Files, uiDataFiles, uiPreload);
            continue;
        }
        const auto uiIndex =
            uiDataFiles == 0 ? IN_DIRECTORY_FILE : static_cast<uint16_t>(Files.size() % uiDataFiles);
        Files.push_back(SFile::At(sItemPath, Item.sData, uiIndex, uiPreload));
    }
}

}  // namespace

std::vector<SFile> FilesFromTree(const GcfBuilder::SItem &Root, uint32_t uiDataFiles, uint16_t uiPreload)
{
    std::vector<SFile> Files;
    AddTreeFiles(Root, "", Files, uiDataFiles, uiPreload);
    return Files;
}

GcfBuilder::SItem TreeFromFiles(const std::vector<SFile> &Files)
{
    GcfBuilder::SItem Root = GcfBuilder::SItem::Folder("root");
    for (const SFile &File : Files)
    {
        GcfBuilder::SItem *lpFolder = &Root;
        std::string sPath = File.FullPath();
        for (size_t uiSlash; (uiSlash = sPath.find('/')) != std::string::npos; sPath.erase(0, uiSlash + 1))
        {
            const std::string sName = sPath.substr(0, uiSlash);
            auto &Items = lpFolder->Children;
            const auto Found = std::find_if(Items.begin(), Items.end(), [&](const GcfBuilder::SItem &Item)
                                            { return Item.sName == sName && Item.bFolder; });
            lpFolder = Found != Items.end() ? &*Found : &Items.emplace_back(GcfBuilder::SItem::Folder(sName));
        }
        lpFolder->Children.push_back(GcfBuilder::SItem::File(sPath, File.sData));
    }
    return Root;
}

std::vector<SFile> SampleFiles()
{
    using GcfBuilder::PatternData;
    using GcfBuilder::PatternText;
    SFile NoExtension = SFile::At("bin/README", PatternText(300, "README"), 1, 16);
    return {
        SFile::At("maps/a.bsp", PatternData(5000, 1), 0, 100),
        SFile::At("maps/b.bsp", PatternData(3000, 2), 1),
        SFile::At("maps/sub/c.bsp", PatternData(700, 3)),
        SFile::At("root.txt", PatternText(1000, "root.txt"), IN_DIRECTORY_FILE, 50),
        SFile::At("maps/readme.txt", PatternText(200, "readme.txt"), 0),
        SFile::At("empty.dat", ""),
        SFile::At("sound/preload.wav", PatternData(40, 4), 0, 40),
        NoExtension,
        SFile::At("sound/deep/er/still.wav", PatternData(9000, 5), 1, 1),
    };
}

}  // namespace VpkBuilder
