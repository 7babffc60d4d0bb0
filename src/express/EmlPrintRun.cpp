#include "EmlPrintRun.h"

#include "AppError.h"
#include "Dialogs.h"
#include "ExpressRunWindow.h"
#include "FileUtilities.h"
#include "GetSetPrinter.h"
#include "LineSteps.h"
#include "ReportListModel.h"
#include "WorkFolder.h"

EmlPrintRun::EmlPrintRun(PrinterSystem& printers, Dialogs& dialogs, ExpressRunWindow& window, LineSteps& steps,
                         const ReportListModel& messages, ExpressState& state, const WorkFolder& work)
    : m_printers(printers), m_dialogs(dialogs), m_window(window), m_steps(steps), m_messages(messages), m_state(state),
      m_work(work)
{
}

void EmlPrintRun::Run(const QString& printer, bool recordPrinter)
{
    const QString work = m_work.path();
    if (work.isEmpty())
    {
        m_dialogs.message(QStringLiteral("Cannot print the messages: ") + m_work.problem() + u'.', QString(),
                          Dialogs::Icon::Exclamation);
        return;
    }
    // The user's own default, not one PRINTER or LPDEST put in force for this process:
    // closing the window writes it back into the user's printer options.
    m_steps.step(106, [&] {
        if (recordPrinter)
            m_state.SavedPrinter = GetSetPrinter::GetSavedDefaultPrinter(m_printers, m_dialogs);
    });
    m_steps.step(108, [&] { GetSetPrinter::SetDefaultPrinter(m_printers, m_dialogs, printer, false); });
    const int rows = m_messages.rowCount();
    for (int row = 0; row < rows && !m_window.stopRequested(); ++row)
    {
        if (!m_steps.test(112, [&] { return m_messages.isChecked(row); }))
            continue;
        m_steps.step(114, [&] { m_window.setBusy(true); });
        QString path;
        m_steps.step(116, [&] {
            if (row >= m_state.EmlFileNames.size())
                throw AppError(9, QStringLiteral("Vellumtide"), QStringLiteral("Subscript out of range"));
            path = work + u'/' + m_state.EmlFileNames[row];
        });
        m_steps.step(118, [&] { m_window.setBusy(true); });
        m_steps.step(120, [&] { FileUtilities::SafeCopyFile(path, path + QStringLiteral(".mht")); });
        m_steps.step(122, [&] { m_window.printMessageFile(path + QStringLiteral(".mht")); });
        m_steps.step(124, [&] { m_window.waitSeconds(10); });
        m_steps.step(126, [&] { m_window.setBusy(true); });
    }
    // Stopped by a close, the window removes the copies after putting the printer back.
    if (!m_window.stopRequested())
        m_steps.step(132, [&] { FileUtilities::DeleteFiles(work, QStringLiteral("*.mht")); });
    m_steps.step(134, [&] { m_window.setBusy(false); });
    if (m_window.stopRequested())
        return;
    m_steps.step(136, [&] { m_dialogs.message(QStringLiteral("Done."), QString(), Dialogs::Icon::None); });
}
