// SPDX-License-Identifier: MIT
// Ends that do not come from the window: what a killed window left behind
// is removed at the next start.

#include "WindowFixture.h"

#include <QFile>
#include <QFileInfo>

namespace
{

using WindowEndTest = WindowTest;

TEST_F(WindowEndTest, TheFolderOfAKilledWindowIsRemovedAtTheNextStart)
{
    ASSERT_EQ(TestSupport::RunInChild([&] {
                  const Larkspur::STempDirectory Made = Larkspur::CProgramFiles::MakePrivateTempDirectory(
                      Files().TempParents);
                  QFile Extracted(Made.sPath + "b.txt");
                  ::_exit(Made.Lock && Extracted.open(QIODevice::WriteOnly) ? 0 : 1);
              }),
              0);
    const QString sLeft = TempDirectory();
    ASSERT_FALSE(sLeft.isEmpty());

    Start();
    EXPECT_FALSE(QFileInfo::exists(sLeft));
    const QString sOwn = TempDirectory();
    EXPECT_EQ(ConsoleLines(), (QStringList{"Deleted " + sLeft + "/b.txt.", "Deleted " + sLeft + ".",
                                           "Created " + sOwn + "/."}));
}

}  // namespace
