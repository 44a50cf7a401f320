// SPDX-License-Identifier: MIT
// The logic and cli tests run with an English locale, so size texts read "1,234 B"
// and "1.50 KB" whatever the machine's locale is.
#include "window/Utils.h"

#include <QCoreApplication>
#include <QLocale>
#include <gtest/gtest.h>

using namespace Larkspur;

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Utils::BuildExtTable();
    return RUN_ALL_TESTS();
}
