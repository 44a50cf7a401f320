// SPDX-License-Identifier: MIT
// The Find dialog as a user drives it: what can be confirmed, what comes back.
#include "dialogs/CFind.h"
#include "tests/support/TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <ostream>

using namespace Larkspur;

namespace
{

struct SShownFind
{
    explicit SShownFind(const QString &sWord) : Find(sWord)
    {
        Find.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Find));
    }
    QLineEdit *txtFind() const { return Find.findChild<QLineEdit *>(QStringLiteral("txtFind")); }
    QPushButton *Button(const char *szName) const { return Find.findChild<QPushButton *>(QLatin1String(szName)); }

    CFind Find;
};

TEST(DialogFind, FindIsEnabledOnlyForTextBesidesBlanksAndReturnsItUntrimmed)
{
    const std::pair<const char *, bool> Cases[] = {{"", false}, {"   ", false}, {" \t ", false}, {" map", true}, {"x ", true}};
    for (const auto &[szWord, bEnabled] : Cases)
    {
        const QString sWord = QString::fromUtf8(szWord);
        SShownFind Given(sWord);
        EXPECT_EQ(Given.Button("btnFind")->isEnabled(), bEnabled) << '"' << szWord << '"';
        SShownFind Typed{QString()};
        QTest::keyClicks(Typed.txtFind(), QString(sWord).remove(QLatin1Char('\t')));  // a tab would move on
        EXPECT_EQ(Typed.Button("btnFind")->isEnabled(), bEnabled) << '"' << szWord << '"';
        // Enter is the Find button: nothing while it is disabled.
        QTest::keyClick(Given.txtFind(), Qt::Key_Return);
        EXPECT_EQ(Given.Find.isVisible(), !bEnabled);
        EXPECT_EQ(Given.Find.result(), bEnabled ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(Given.Find.SearchWord(), sWord);
    }
}

TEST(DialogFind, OpensWithTheWordSelectedAndKeepsAnEditCancelledByEscapeOrButton)
{
    for (const bool bEscape : {true, false})
    {
        SShownFind Dialog(QStringLiteral(" old "));
        EXPECT_EQ(Dialog.Find.focusWidget(), Dialog.txtFind());
        EXPECT_EQ(Dialog.txtFind()->selectedText(), QStringLiteral(" old "));
        QTest::keyClicks(Dialog.txtFind(), QStringLiteral("typed"));
        if (bEscape)
            QTest::keyClick(Dialog.txtFind(), Qt::Key_Escape);
        else
            QTest::mouseClick(Dialog.Button("btnCancel"), Qt::LeftButton);
        EXPECT_FALSE(Dialog.Find.isVisible());
        EXPECT_EQ(Dialog.Find.result(), QDialog::Rejected);
        EXPECT_EQ(Dialog.Find.SearchWord(), QStringLiteral("typed"));
    }
}

}  // namespace
