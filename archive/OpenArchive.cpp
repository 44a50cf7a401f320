// SPDX-License-Identifier: MIT
#include "OpenArchive.h"

#include "CGCF.h"
#include "CVPK.h"
#include "VPKFormat.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace Larkspur
{

namespace
{

// The first bytes of the file, as many as there are of them; none when it
// cannot be read (the reader then refuses it as it refuses any such file).
bool FileHasVPKSignature(const std::string &sPath)
{
    const int iFile = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (iFile < 0)
        return false;
    uint8_t Signature[sizeof(VPK_SIGNATURE)];
    ssize_t iRead;
    do
        iRead = ::pread(iFile, Signature, sizeof Signature, 0);
    while (iRead < 0 && errno == EINTR);
    ::close(iFile);
    return iRead > 0 && HasVPKSignature(Signature, static_cast<size_t>(iRead));
}

template <class TReader>
SOpenedArchive Opened(std::unique_ptr<TReader> Reader, bool bOpened)
{
    SOpenedArchive Result;
    if (bOpened)
        Result.Archive = std::move(Reader);
    else
        Result.Result.eRefusal = Reader->GetLastRefusal();
    return Result;
}

}  // namespace

bool HasVPKSignature(const void *lpBytes, size_t uiSize)
{
    LE32 Signature{};
    if (lpBytes == nullptr || uiSize < sizeof Signature)
        return false;
    std::memcpy(&Signature, lpBytes, sizeof Signature);
    return Signature == VPK_SIGNATURE;
}

SOpenedArchive OpenArchive(const std::string &sPath, const SOpenOptions &Options)
{
    if (FileHasVPKSignature(sPath))
    {
        auto VPK = std::make_unique<CVPK>();
        const bool bOpened = VPK->Open(sPath.c_str());
        return Opened(std::move(VPK), bOpened);
    }
    auto GCF = std::make_unique<CGCF>();
    GCF->SetDumpFolder(Options.sDumpFolder);
    GCF->SetDumpOnRefusal(Options.bDumpOnRefusal);
    const bool bOpened = GCF->Open(sPath.c_str());
    return Opened(std::move(GCF), bOpened);
}

SOpenedArchive OpenArchiveMemory(const void *lpData, size_t uiSize, const std::string &sName)
{
    if (HasVPKSignature(lpData, uiSize))
    {
        auto VPK = std::make_unique<CVPK>();
        const bool bOpened = VPK->OpenMemory(lpData, uiSize, sName.c_str());
        return Opened(std::move(VPK), bOpened);
    }
    auto GCF = std::make_unique<CGCF>();
    GCF->SetDumpOnRefusal(false);
    const bool bOpened = GCF->OpenMemory(lpData, uiSize, sName.c_str());
    return Opened(std::move(GCF), bOpened);
}

}  // namespace Larkspur
