#include "PrintRun.h"

#include "AppError.h"
#include "Dialogs.h"
#include "MailRow.h"
#include "OutlookApplication.h"
#include "ReportListModel.h"

#include <algorithm>
#include <memory>

namespace Outlook
{

namespace
{

enum class Selection
{
    Checked,
    All,
    Folder,
};

// Folder modes and the lines that test and take each.
struct FolderMode
{
    int testLine;
    const char16_t* text;
};
constexpr FolderMode kFolderModes[] = {
    {106, u"Inbox"}, {110, u"Outbox"}, {114, u"Drafts"}, {118, u"Sent Items"}, {122, u"Deleted Items"},
};

// The lines of one selection's printing loop.
struct PrintLines
{
    int start, zero, loop, test, take, within, fetch, print, next;
};
constexpr PrintLines kCheckedLines{168, 170, 172, 174, 176, 178, 180, 182, 184};
constexpr PrintLines kAllLines{188, 190, 192, 0, 194, 196, 198, 200, 202};
constexpr PrintLines kFolderLines{204, 206, 208, 210, 212, 214, 216, 218, 220};

constexpr const char16_t* kModes[] = {
    u"User Checked Items",   u"All", u"Inbox", u"Outbox", u"Drafts", u"Sent Items", u"Deleted Items",
    u"User-specified Folder"};

// The closing text of a run some of whose rows could not be printed: how many, and which.
QString failedRowsText(const QStringList& subjects, int total)
{
    constexpr int kShown = 20;
    QString text = QStringLiteral("%1 of %2 messages could not be printed:").arg(subjects.size()).arg(total);
    for (int i = 0; i < subjects.size() && i < kShown; ++i)
        text += u'\n' + (subjects[i].isEmpty() ? QStringLiteral("(no subject)") : subjects[i]);
    if (subjects.size() > kShown)
        text += QStringLiteral("\nand %1 more").arg(subjects.size() - kShown);
    return text;
}

AppError objectNotSet()
{
    return {91, QStringLiteral("Vellumtide"), QStringLiteral("Object variable or With block variable not set")};
}

} // namespace

PrintRun::PrintRun(ApplicationFactory& factory, Dialogs& dialogs, const ReportListModel& grid, PrintRunWindow& window,
                   LineSteps& steps)
    : m_factory(factory), m_dialogs(dialogs), m_grid(grid), m_window(window), m_steps(steps)
{
}

bool PrintRun::InFolder(const ReportListModel& grid, int row, const QString& name)
{
    return grid.text(row, MailRow::Folder) == name || grid.text(row, MailRow::Subfolder) == name;
}

void PrintRun::Run(const QString& mode)
{
    LineSteps& steps = m_steps;
    m_total = 0;
    m_taken = 0;
    m_printed = 0;
    m_printerFailure.clear();

    // A stored mode the list cannot show leaves it blank: print nothing unasked.
    if (std::none_of(std::begin(kModes), std::end(kModes), [&](const char16_t* known) { return mode == known; }))
    {
        m_dialogs.message(QStringLiteral("Please choose what to print under \"What To Print\"."), QString(),
                          Dialogs::Icon::None);
        return;
    }

    QString folderName;
    bool folderChosen = false;
    for (const FolderMode& folderMode : kFolderModes)
    {
        if (steps.test(folderMode.testLine, [&] { return mode == folderMode.text; }))
        {
            steps.step(folderMode.testLine + 2, [&] { folderName = mode; });
            folderChosen = true;
            break;
        }
    }
    if (!folderChosen && steps.test(126, [&] { return mode == u"User-specified Folder"; }))
    {
        steps.step(128, [&] {
            folderName = m_dialogs
                             .input(QStringLiteral("Enter folder name: "), QStringLiteral("Input Folder Name"),
                                    QStringLiteral("Inbox"))
                             .value_or(QString());
        });
        if (steps.test(130, [&] { return folderName.trimmed().isEmpty(); }))
            return;
    }

    steps.step(132, [&] { m_window.setBusy(true); });
    steps.step(134, [&] { m_window.switchPrinter(); });
    if (const QString missing = m_window.printerMissing(); !missing.isEmpty())
    {
        m_window.setBusy(false);
        m_dialogs.message(missing, QString(), Dialogs::Icon::None);
        return;
    }
    std::unique_ptr<Application> application;
    std::unique_ptr<Namespace> session;
    steps.step(136, [&] { application = m_factory.create(); });
    steps.step(138, [&] {
        if (!application)
            throw objectNotSet();
        session = application->GetNamespace(QStringLiteral("MAPI"));
    });

    Selection selection = Selection::Folder;
    if (steps.test(140, [&] { return mode == u"User Checked Items"; }))
        selection = Selection::Checked;
    else if (steps.test(152, [&] { return mode == u"All"; }))
        selection = Selection::All;

    const auto inFolder = [&](int row) { return InFolder(m_grid, row, folderName); };

    // Counting pass.
    int& total = m_total;
    if (selection == Selection::All)
    {
        steps.step(154, [&] { total = m_grid.rowCount(); });
    }
    else
    {
        const bool checked = selection == Selection::Checked;
        steps.step(checked ? 142 : 156, [&] { total = 0; });
        const int rows = m_grid.rowCount();
        for (int k = 1; k <= rows; ++k)
        {
            if (checked ? steps.test(146, [&] { return m_grid.isChecked(k - 1); })
                        : steps.test(160, [&] { return inFolder(k - 1); }))
                steps.step(checked ? 148 : 162, [&] { ++total; });
        }
    }

    // Printing pass: rows in grid order until N rows are taken.
    const PrintLines& lines = selection == Selection::Checked ? kCheckedLines
                              : selection == Selection::All   ? kAllLines
                                                              : kFolderLines;
    int& taken = m_taken;
    int k = 1;
    steps.step(lines.start, [&] { k = 1; });
    steps.step(lines.zero, [&] { taken = 0; });
    bool stopped = false;
    int& printedCount = m_printed;
    QStringList failedSubjects;
    while (!stopped && steps.test(lines.loop, [&] { return k <= m_grid.rowCount(); }))
    {
        const bool qualifies =
            selection == Selection::All ||
            (selection == Selection::Checked ? steps.test(lines.test, [&] { return m_grid.isChecked(k - 1); })
                                             : steps.test(lines.test, [&] { return inFolder(k - 1); }));
        if (qualifies)
        {
            steps.step(lines.take, [&] { ++taken; });
            if (steps.test(lines.within, [&] { return taken <= total; }))
            {
                m_window.showProgress(k - 1, taken, total);
                std::unique_ptr<Item> item;
                steps.step(lines.fetch, [&] {
                    if (!session)
                        throw objectNotSet();
                    item = session->GetItemFromID(m_grid.text(k - 1, MailRow::ID));
                });
                // A row whose message cannot be fetched is not printed (nor is an earlier one again).
                bool printed = false;
                if (item)
                    steps.step(lines.print, [&] {
                        try
                        {
                            item->PrintOut();
                            printed = true;
                        }
                        catch (const AppError& e)
                        {
                            if (e.number() != olPrinterFailure)
                                throw;
                            m_printerFailure = e.description();
                        }
                    });
                if (printed)
                    ++printedCount;
                else if (m_printerFailure.isEmpty())
                    failedSubjects << m_grid.text(k - 1, MailRow::Subject);
                // The printer's own failure would fail every row after it: one message ends the run.
                if (!m_printerFailure.isEmpty())
                    break;
                // Escape ends the run after the message just printed.
                stopped = m_window.stopRequested() && taken < total;
            }
        }
        steps.step(lines.next, [&] { ++k; });
    }

    steps.step(222, [&] { session.reset(); });
    steps.step(224, [&] { application.reset(); });
    steps.step(226, [&] { m_window.setBusy(false); });
    m_window.endProgress();
    if (steps.test(228, [&] { return taken < 1; }))
        steps.step(232,
                   [&] { m_dialogs.message(QStringLiteral("No records selected"), QString(), Dialogs::Icon::None); });
    else if (!m_printerFailure.isEmpty())
        steps.step(230, [&] {
            m_dialogs.message(QStringLiteral("Printing stopped: %1\n%2 of %3 messages were printed.")
                                  .arg(m_printerFailure)
                                  .arg(printedCount)
                                  .arg(total),
                              QString(), Dialogs::Icon::None);
        });
    else if (stopped)
        steps.step(230, [&] {
            m_dialogs.message(QStringLiteral("Stopped after %1 of %2.").arg(taken).arg(total), QString(),
                              Dialogs::Icon::None);
        });
    else
        steps.step(230, [&] {
            const QString failed =
                failedSubjects.isEmpty() ? QString() : QStringLiteral("\n\n") + failedRowsText(failedSubjects, total);
            m_dialogs.message(QStringLiteral("Done.") + failed, QString(), Dialogs::Icon::None);
        });
}

} // namespace Outlook
