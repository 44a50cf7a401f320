// The about box: its texts, its link, and the one instance shown again and again.
#include "dialogs/CAbout.h"
#include "window/Utils.h"

#include "Version.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace Larkspur;

namespace
{

TEST(DialogAbout, ShowsTheProgramsFacts)
{
    CAbout About(nullptr);
    const auto Shown = [&](const char *szName) { return About.findChild<QLabel *>(QLatin1String(szName))->text(); };
    EXPECT_EQ(Shown("lblVersion"), QStringLiteral("Version: " LARKSPUR_VERSION));
    EXPECT_EQ(Shown("lblAuthor"), QStringLiteral("Author: Larkspur Developers"));
    EXPECT_EQ(Shown("lblDate"), QStringLiteral("Date: 12/08/2026"));
    EXPECT_EQ(Shown("lblLanguage"), QStringLiteral("Written In: C++"));
    EXPECT_EQ(Shown("lblLines"), QStringLiteral("Lines: ") + Utils::GroupedNumber(LARKSPUR_SOURCE_LINES));
}

TEST(DialogAbout, DismissingOnlyHidesSoTheSameBoxComesBack)
{
    CAbout About(nullptr);
    QPointer<CAbout> Alive(&About);
    auto *btnOK = About.findChild<QPushButton *>(QStringLiteral("btnOK"));
    // The close box, Enter (OK is the default button), Escape, a click on OK.
    const std::vector<std::function<void()>> Dismissals = {
        [&] { About.close(); }, [&] { QTest::keyClick(&About, Qt::Key_Return); },
        [&] { QTest::keyClick(&About, Qt::Key_Escape); }, [&] { QTest::mouseClick(btnOK, Qt::LeftButton); }};
    for (size_t i = 0; i < Dismissals.size(); ++i)
    {
        About.open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
        Dismissals[i]();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !About.isVisible(); })) << "dismissal " << i;
        ASSERT_FALSE(Alive.isNull());
    }
}

TEST(DialogAbout, TheLinkOpensTheInstalledReadmeThroughTheDesktop)
{
    std::vector<QUrl> Opened;
    CAbout About([&](const QUrl &Url) { Opened.push_back(Url); });
    auto *lnkWebSite = About.findChild<QLabel *>(QStringLiteral("lnkWebSite"));
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    QTest::mouseClick(lnkWebSite, Qt::LeftButton, {}, QPoint(6, lnkWebSite->height() / 2));
    EXPECT_EQ(Opened, std::vector<QUrl>{CAbout::DocumentationUrl(QCoreApplication::applicationDirPath())});
    EXPECT_TRUE(About.isVisible());

    // Beside the program first, then under its install prefix, then the system's.
    QTemporaryDir Prefix;
    const QDir Root(Prefix.path());
    ASSERT_TRUE(Root.mkpath(QStringLiteral("bin")) && Root.mkpath(QStringLiteral("share/doc/larkspur")));
    const QString sBin = Root.filePath(QStringLiteral("bin"));
    EXPECT_EQ(CAbout::DocumentationUrl(sBin), QUrl::fromLocalFile(QStringLiteral("/usr/share/doc/larkspur/README.md")));
    for (const char *szReadme : {"share/doc/larkspur/README.md", "bin/README.md"})
    {
        QFile Readme(Root.filePath(QLatin1String(szReadme)));
        ASSERT_TRUE(Readme.open(QIODevice::WriteOnly));
        EXPECT_EQ(CAbout::DocumentationUrl(sBin), QUrl::fromLocalFile(Readme.fileName()));
    }
}

}  // namespace
