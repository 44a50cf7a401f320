// SPDX-License-Identifier: MIT
// Prints the MIME type that the shared MIME database (as XDG_DATA_DIRS finds
// it) gives each file named: by name, and by content alone. The install test
// uses it to see that the installed type knows GCF files, renamed ones too.

#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    const QMimeDatabase Database;
    for (const QString &sFile : QCoreApplication::arguments().mid(1))
    {
        std::printf("%s %s %s\n", qPrintable(sFile), qPrintable(Database.mimeTypeForFile(sFile).name()),
                    qPrintable(Database.mimeTypeForFile(sFile, QMimeDatabase::MatchContent).name()));
    }
    return 0;
}
