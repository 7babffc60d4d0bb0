#pragma once

#include "LineSteps.h"

#include <QString>
#include <QStringList>

class Dialogs;
class ReportListModel;

namespace Outlook
{

class ApplicationFactory;

/// What the print run asks of the window it runs in.
class PrintRunWindow
{
public:
    virtual ~PrintRunWindow() = default;
    /// Busy cursor on and off.
    virtual void setBusy(bool busy) = 0;
    /// Makes the chosen printer the default; a failure is silent.
    virtual void switchPrinter() = 0;
    /// Shows that the run takes grid row `row` (from 0), the `taken`th of `total`, for printing.
    virtual void showProgress(int row, int taken, int total) = 0;
    /// Takes the progress away again.
    virtual void endProgress() = 0;
    /// Lets the window process its events; true when the user asked the run to stop.
    virtual bool stopRequested() = 0;
    /// Why nothing can be printed before any row is taken (no printer chosen and no
    /// default printer); empty when printing can go ahead.
    virtual QString printerMissing() { return {}; }
};

/// "Start Printing Selected": picks the rows the "What To Print" mode names, fetches
/// each message by the entry ID of its row and prints it on the default printer.
class PrintRun
{
public:
    /// steps reports each failing line (the window's error trap).
    PrintRun(ApplicationFactory& factory, Dialogs& dialogs, const ReportListModel& grid, PrintRunWindow& window,
             LineSteps& steps);

    /// The whole run for one mode text of Combo1. Failing steps go to the report with
    /// their line; the run goes on.
    void Run(const QString& mode);

    /// Whether grid row `row` belongs to the folder a folder mode names: its Folder or
    /// Subfolder cell is exactly `name`.
    static bool InFolder(const ReportListModel& grid, int row, const QString& name);

    /// Rows counted by the last run (N) and taken for printing (P).
    int qualifying() const { return m_total; }
    int taken() const { return m_taken; }
    /// Rows whose message was printed.
    int printed() const { return m_printed; }
    /// Why the last run stopped on a failing printer; empty when it did not.
    const QString& printerFailure() const { return m_printerFailure; }

private:
    ApplicationFactory& m_factory;
    Dialogs& m_dialogs;
    const ReportListModel& m_grid;
    PrintRunWindow& m_window;
    LineSteps& m_steps;
    int m_total = 0;
    int m_taken = 0;
    int m_printed = 0;
    QString m_printerFailure;
};

} // namespace Outlook
