// The program's entry: builds the file-type table, makes the main window with
// the command line and runs the event loop until the window closes.

#include "window/CLarkspur.h"
#include "window/CommandLine.h"
#include "window/Images.h"
#include "window/QtDesktop.h"
#include "window/Utils.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Larkspur"));
    QApplication::setWindowIcon(Larkspur::ProgramIcon());
    Larkspur::Utils::BuildExtTable();
    QCoreApplication::processEvents();

    Larkspur::QtDesktop Desktop;
    Larkspur::CLarkspur Window(Larkspur::RebuildCommandLine(QCoreApplication::arguments().mid(1)), Desktop);
    Window.show();
    QApplication::exec();
    return 0;
}
