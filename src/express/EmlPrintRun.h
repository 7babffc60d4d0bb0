#pragma once

#include "ExpressState.h"

#include <QString>

class Dialogs;
class ExpressRunWindow;
class LineSteps;
class PrinterSystem;
class ReportListModel;
class WorkFolder;

/// "Start Printing Selected" of the Outlook Express window: makes the chosen printer
/// the default and prints each ticked message from a printing copy (x.eml.mht).
class EmlPrintRun
{
public:
    /// steps reports each failing line (the window's error trap).
    EmlPrintRun(PrinterSystem& printers, Dialogs& dialogs, ExpressRunWindow& window, LineSteps& steps,
                const ReportListModel& messages, ExpressState& state, const WorkFolder& work);

    /// The whole run on printer. recordPrinter: keep the user's own default in
    /// SavedPrinter first (the window's first run of an opening).
    void Run(const QString& printer, bool recordPrinter);

private:
    PrinterSystem& m_printers;
    Dialogs& m_dialogs;
    ExpressRunWindow& m_window;
    LineSteps& m_steps;
    const ReportListModel& m_messages;
    ExpressState& m_state;
    const WorkFolder& m_work;
};
