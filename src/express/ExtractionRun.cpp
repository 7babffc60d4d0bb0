#include "ExtractionRun.h"

#include "Dialogs.h"
#include "ExitCode.h"
#include "Express1.h"
#include "ExpressRunWindow.h"
#include "FileUtilities.h"
#include "LineSteps.h"
#include "ProcessLaunch.h"
#include "ReportListModel.h"
#include "WorkFolder.h"

#include <QCoreApplication>

QString ExtractionRun::FailureReason(qint32 result)
{
    if (result < 0)
        return QStringLiteral("the converter DBXToEML could not be started");
    if (const char* reason = ExitCode::reason(result))
        return QString::fromUtf8(reason);
    return QStringLiteral("the converter ended with code %1").arg(result);
}

QString ExtractionRun::ConverterPath(const QString& appFolder)
{
    return appFolder + QStringLiteral("/DBXToEML");
}

QString ExtractionRun::CommandLine(const QString& converter, const QString& dbx, const QString& outFolder)
{
    return ProcessLaunch::QuoteArgument(ProcessLaunch::GetShortFileName(converter)) + u' ' +
           ProcessLaunch::QuoteArgument(ProcessLaunch::GetShortFileName(dbx)) + u' ' +
           ProcessLaunch::QuoteArgument(outFolder);
}

ExtractionRun::ExtractionRun(ProcessLauncher& launcher, Dialogs& dialogs, ExpressRunWindow& window, LineSteps& steps,
                             Grids grids, ExpressState& state, QString appFolder, const WorkFolder& work)
    : m_launcher(launcher), m_dialogs(dialogs), m_window(window), m_steps(steps), m_grids(grids), m_state(state),
      m_appFolder(std::move(appFolder)), m_work(work)
{
}

void ExtractionRun::Run()
{
    const QString work = m_work.path();
    if (work.isEmpty())
    {
        m_dialogs.message(QStringLiteral("Cannot extract the messages: ") + m_work.problem() + u'.', QString(),
                          Dialogs::Icon::Exclamation);
        return;
    }
    ReportListModel& messages = m_grids.messages;
    QString converter;
    QStringList failures;
    m_steps.step(100, [&] { converter = ConverterPath(m_appFolder); });
    m_steps.step(102, [&] { m_window.setBusy(true); });
    m_steps.step(106, [&] { FileUtilities::DeleteFiles(work, QStringLiteral("*.eml")); });
    m_steps.step(108, [&] { m_state.EmlFileNames.clear(); });
    m_steps.step(110, [&] { messages.clear(); });
    const int rows = m_grids.files.rowCount();
    for (int row = 0; row < rows && !m_window.stopRequested(); ++row)
    {
        m_steps.step(114, [] { QCoreApplication::processEvents(); });
        if (m_window.stopRequested())
            break;
        if (!m_steps.test(116, [&] { return m_grids.files.isChecked(row); }))
            continue;
        const QString dbx = m_grids.files.text(row, 0);
        QString commandLine;
        m_steps.step(118, [&] { commandLine = CommandLine(converter, dbx, work); });
        m_steps.step(120, [&] {
            const qint32 result = ProcessLaunch::ShellAndWait(m_launcher, commandLine, 0);
            if (result != ExitCode::Ok)
                failures.append(dbx + QStringLiteral(": ") + FailureReason(result));
        });
        if (m_window.stopRequested())
            break;
        m_steps.step(122, [&] { Express1::ListEmlFiles(work, messages, m_state.EmlFileNames); });
    }
    m_steps.step(126, [&] { m_window.setBusy(false); });
    if (m_window.stopRequested())
        return;
    m_steps.step(128, [&] {
        QStringList lines{QStringLiteral("Done.")};
        lines.append(failures);
        m_dialogs.message(lines.join(QStringLiteral("\r\n")), QString(), Dialogs::Icon::None);
    });
}
