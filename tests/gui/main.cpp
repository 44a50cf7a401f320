// SPDX-License-Identifier: MIT
// GUI tests run in-process on the offscreen platform unless told otherwise:
// gtest_discover_tests runs this binary at build time without the test's
// environment, so the default is set here.
#include "window/Utils.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

using namespace Larkspur;

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Utils::BuildExtTable();
    return RUN_ALL_TESTS();
}
