// Lists the stores of a profile through the built-in engine, then prints every row with
// the Outlook print run ("All") on the default printer, and reports the run's own time.
// The script around it waits for the queue to write every job.
//
//   print_bench PROFILE
#include "LineSteps.h"
#include "MailEngine.h"
#include "MailListing.h"
#include "MailRow.h"
#include "PrintRun.h"
#include "ReportListModel.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace
{

class Headless : public Outlook::PrintRunWindow
{
public:
    void setBusy(bool) override {}
    void switchPrinter() override {}
    void showProgress(int, int, int) override {}
    void endProgress() override {}
    bool stopRequested() override { return false; }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
    {
        std::fputs("usage: print_bench PROFILE\n", stderr);
        return 2;
    }
    MailStore::EngineFactory factory(QString::fromLocal8Bit(argv[1]));
    ScriptedDialogs dialogs; // answers nothing: no input box is asked for
    ReportListModel grid;
    for (int column = 0; column < Outlook::MailRow::ColumnCount; ++column)
        grid.addColumn(QString::number(column), 2000);
    Outlook::EventPump pump;
    Outlook::MailListing listing(factory, dialogs, grid, pump);
    listing.ListOutlookMail({true, false, {}});

    int failures = 0;
    LineSteps steps([&](int line, std::exception_ptr) {
        ++failures;
        std::fprintf(stderr, "print_bench: line %d failed\n", line);
    });
    Headless window;
    Outlook::PrintRun run(factory, dialogs, grid, window, steps);
    QElapsedTimer timer;
    timer.start();
    run.Run(QStringLiteral("All"));
    std::printf("rows=%d printed=%d seconds=%.3f failures=%d\n", grid.rowCount(), run.taken(),
                timer.elapsed() / 1000.0, failures);
    return failures == 0 ? 0 : 1;
}
