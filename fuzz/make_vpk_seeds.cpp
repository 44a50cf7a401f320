// SPDX-License-Identifier: MIT
// Writes the VPK fuzzer's seeds into a folder: directory files of versions 1
// and 2 (data in the directory file, in data files 0 and 1, shared, signed),
// a single file, and copies with one header or entry field set to a telling
// value each (0, 1, all bits, one more, one less, past the end).

#include "SeedWriter.h"
#include "VpkBuilder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace VpkBuilder;

namespace
{

using FuzzSeeds::SSeedWriter;

const std::vector<uint8_t> &BytesOf(const SSet &Seed)
{
    return Seed.Directory;
}

// Small files whose data files are the fuzzer's: data file 0 is the input
// itself, so offsets into it stay within a few hundred bytes.
std::vector<SFile> SeedFiles()
{
    using GcfBuilder::PatternData;
    return {
        SFile::At("maps/a.bsp", PatternData(40, 1), 0, 8),
        SFile::At("maps/b.bsp", PatternData(24, 2), 1),
        SFile::At("maps/sub/c.bsp", PatternData(30, 3)),
        SFile::At("root.txt", "root text", IN_DIRECTORY_FILE, 4),
        SFile::At("empty.dat", ""),
        SFile::At("bin/README", "read me", IN_DIRECTORY_FILE, 7),
        SFile::At("same.bin", PatternData(30, 3)),
    };
}

void MutateFields(SSeedWriter &Seeds, const std::string &sBase, const SSet &Base, size_t uiFiles)
{
    const auto Values = [&](const std::string &sField, uint32_t uiCurrent, const std::function<void(SSet &, uint32_t)> &Set)
    {
        for (uint32_t uiValue : {0u, 1u, 0x7FFFu, 0xFFFFu, 0x7FFFFFFFu, 0xFFFFFFFFu, uiCurrent + 1, uiCurrent - 1})
        {
            char cSuffix[16];
            std::snprintf(cSuffix, sizeof cSuffix, "%08x", uiValue);
            Seeds.Mutate(sBase + "-" + sField + "-" + cSuffix, Base, [&](SSet &Copy) { Set(Copy, uiValue); },
                         BytesOf);
        }
    };
    const SLayout &Layout = Base.Layout;
    Values("version", 2, [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::Version, v); });
    Values("treesize", Layout.uiTreeSize, [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::TreeSize, v); });
    if (Layout.uiHeaderSize == 28)
    {
        Values("filedata", static_cast<uint32_t>(Layout.uiFileDataSize),
               [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::FileDataSize, v); });
        Values("archivemd5", static_cast<uint32_t>(Layout.uiArchiveMD5Size),
               [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::ArchiveMD5Size, v); });
        Values("othermd5", 48, [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::OtherMD5Size, v); });
        Values("signature", static_cast<uint32_t>(Layout.uiSignatureSize),
               [](SSet &S, uint32_t v) { SetHeaderField(S, EHeaderField::SignatureSize, v); });
    }
    for (size_t i = 0; i < uiFiles; i += 2)
    {
        const std::string sFile = "file" + std::to_string(i) + "-";
        for (const auto &[szName, eField] :
             {std::pair{"preload", EEntryField::PreloadBytes}, std::pair{"index", EEntryField::ArchiveIndex},
              std::pair{"offset", EEntryField::EntryOffset}, std::pair{"length", EEntryField::EntryLength},
              std::pair{"terminator", EEntryField::Terminator}})
            Values(sFile + szName, 0, [i, eField = eField](SSet &S, uint32_t v) { SetEntryField(S, i, eField, v); });
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    SSeedWriter Seeds;
    Seeds.Folder = argv[1];
    Seeds.sExtension = ".vpk";
    std::error_code Error;
    std::filesystem::create_directories(Seeds.Folder, Error);

    const std::vector<SFile> Files = SeedFiles();
    for (uint32_t uiVersion : {1u, 2u})
    {
        const std::string sVersion = "v" + std::to_string(uiVersion);
        SOptions Options;
        Options.uiVersion = uiVersion;
        Options.uiChunkSize = 16;
        const SSet Plain = Build(Files, Options);
        Seeds.Write(sVersion + "-plain", Plain.Directory);
        Options.bShareIdentical = true;
        Options.bSignature = true;
        Seeds.Write(sVersion + "-shared-signed", Build(Files, Options).Directory);
        Seeds.Write(sVersion + "-sample", Build(SampleFiles(), Options).Directory);
        Seeds.Write(sVersion + "-empty", Build({}, Options).Directory);
        MutateFields(Seeds, sVersion, Plain, Files.size());
    }
    std::printf("wrote %zu seeds to %s\n", Seeds.uiWritten, argv[1]);
    return Seeds.bFailed ? 1 : 0;
}
