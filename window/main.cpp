// SPDX-License-Identifier: MIT
// The program's entry: answers --help and --version, or builds the file-type
// table, makes the main window with the command line and the user's program
// files, and runs the event loop until the window closes, by the user's hand
// or asked from outside (a signal, the session's end).

#include "settings/CProgramFiles.h"
#include "window/CEndRequests.h"
#include "window/CLarkspur.h"
#include "window/CommandLine.h"
#include "window/Images.h"
#include "window/QtDesktop.h"
#include "window/Utils.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    // Answered before the toolkit starts, so that they work without a display.
    QStringList Arguments;
    for (int i = 1; i < argc; ++i)
        Arguments.append(QFile::decodeName(argv[i]));
    if (const std::optional<QString> sText = Larkspur::InformationText(Arguments))
    {
        std::fputs(sText->toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Larkspur"));
    QApplication::setWindowIcon(Larkspur::ProgramIcon());
    Larkspur::Utils::BuildExtTable();
    QCoreApplication::processEvents();

    Larkspur::QtDesktop Desktop;
    Larkspur::CLarkspur Window(QCoreApplication::arguments().mid(1), Desktop,
                               Larkspur::CProgramFiles::Locate(QCoreApplication::applicationDirPath()));
    Larkspur::CEndRequests EndRequests;
    QObject::connect(&EndRequests, &Larkspur::CEndRequests::EndRequested, &Window, &Larkspur::CLarkspur::CloseAsExit);
    Window.show();
    QApplication::exec();
    return 0;
}
