// SPDX-License-Identifier: MIT
#pragma once
// larkspur-cli run in-process with its two streams kept in memory, for the
// tests of the tool and its mount.

#include "GcfBuilder.h"
#include "cli/CliCommandLine.h"
#include "cli/CliContext.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace TestSupport
{

// The tool's two streams in memory. Either may act as a terminal (stdout one
// that takes colour or not); OnWriteOut sees every piece written to stdout as
// it comes.
class CMemoryCliOutput final : public Larkspur::ICliOutput
{
public:
    void WriteOut(std::string_view sText) override
    {
        sOut.append(sText);
        if (OnWriteOut)
            OnWriteOut(sText);
    }
    void WriteError(std::string_view sText) override { sErr.append(sText); }
    void FlushOut() override {}
    bool OutIsTerminal() const override { return bOutTerminal; }
    bool ErrorTakesProgress() const override { return bErrorProgress; }
    bool OutTakesColour() const override { return bOutColour; }
    bool ErrorTakesColour() const override { return bErrorColour; }

    std::string sOut, sErr;
    bool bOutTerminal = false, bErrorProgress = false, bOutColour = false, bErrorColour = false;
    std::function<void(std::string_view)> OnWriteOut;
};

struct SCliRun
{
    int iExitCode = -1;
    std::string sOut, sErr;
    bool operator==(const SCliRun &Other) const = default;
};

inline void PrintTo(const SCliRun &Run, std::ostream *lpStream)
{
    *lpStream << "{status " << Run.iExitCode << ", out " << testing::PrintToString(Run.sOut) << ", err "
              << testing::PrintToString(Run.sErr) << "}";
}

// Runs larkspur-cli's command line (the words after the program's name)
// in-process; a refused archive's dump goes to sDumpFolder.
inline SCliRun RunCli(const std::vector<std::string> &Arguments, const std::string &sDumpFolder,
                      CMemoryCliOutput Output = {})
{
    SCliRun Run;
    Run.iExitCode = Larkspur::RunCommandLine(Larkspur::SCliContext{Output, sDumpFolder}, Arguments);
    Run.sOut = std::move(Output.sOut);
    Run.sErr = std::move(Output.sErr);
    return Run;
}

// A test with a temporary folder for the archives it builds.
class CArchiveFolderTest : public ::testing::Test
{
protected:
    // Writes the bytes as Temp/szName; the path.
    std::string Write(const char *szName, const std::vector<uint8_t> &Bytes)
    {
        const std::string sPath = Temp / szName;
        EXPECT_TRUE(GcfBuilder::WriteFile(sPath, Bytes));
        return sPath;
    }

    CTempDir Temp;
};

}  // namespace TestSupport
