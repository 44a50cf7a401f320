// SPDX-License-Identifier: MIT
#include "OpenArchive.h"

#include "CGCF.h"
#include "CVPK.h"
#include "VPKFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Larkspur
{

namespace
{

// Whether a regular file begins with the signature; false for anything that
// cannot be read so (the GCF reader then refuses it as it refuses any such
// file). O_NONBLOCK: a FIFO would otherwise wait for a writer, and only a
// regular file is read at all.
bool FileHasVPKSignature(const std::string &sPath)
{
    const int iFile = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (iFile < 0)
        return false;
    struct stat Status{};
    uint8_t Signature[sizeof(VPK_SIGNATURE)];
    ssize_t iRead = -1;
    if (::fstat(iFile, &Status) == 0 && S_ISREG(Status.st_mode))
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
