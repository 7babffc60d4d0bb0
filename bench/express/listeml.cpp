// Lists every .eml file of a folder into a message grid, as the Outlook Express window
// does after an extraction, and prints: files, rows, seconds.

#include "Express1.h"
#include "ReportListModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    ReportListModel grid;
    for (const char* caption : {"From", "To", "Subject", "Date Received"})
        grid.addColumn(QString::fromLatin1(caption), 1500);
    QStringList names;
    QElapsedTimer clock;
    clock.start();
    Express1::ListEmlFiles(folder, grid, names);
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("%lld %d %.6f\n", static_cast<long long>(names.size()), grid.rowCount(), seconds);
    return 0;
}
