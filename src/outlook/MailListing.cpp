#include "MailListing.h"

#include "AppError.h"
#include "Dialogs.h"
#include "MailRow.h"
#include "OutlookApplication.h"
#include "ReportListModel.h"

#include <optional>

namespace Outlook
{

namespace
{

// Runs one read of the walk: a failure is silent and gives nothing.
template <class Read> auto quietly(Read&& read) -> std::optional<decltype(read())>
{
    try
    {
        return read();
    }
    catch (...)
    {
        return std::nullopt;
    }
}

QString unreadableText(std::exception_ptr error)
{
    return QStringLiteral("(This message could not be read: %1)").arg(AppError::describe(error));
}

// Folders whose subfolders are never walked.
bool isSkippedTree(const QString& name)
{
    return name == u"Internet Newsgroups" || name == u"All Public Folders";
}

} // namespace

MailListing::MailListing(ApplicationFactory& factory, Dialogs& dialogs, ReportListModel& grid, EventPump& pump)
    : m_factory(factory), m_dialogs(dialogs), m_grid(grid), m_pump(pump)
{
}

void MailListing::ListOutlookMail(const ListingSource& source)
{
    if (setBusy)
        setBusy(true);
    m_upperFindText = MailRow::FindKey(FindText);
    ClosingNotes.clear();

    std::unique_ptr<Application> application;
    std::unique_ptr<Namespace> session;
    std::unique_ptr<Folder> attachedRoot;
    auto release = [&] {
        session.reset();
        application.reset();
        flushRows();
        if (setBusy)
            setBusy(false);
        FindActive = false;
    };

    try
    {
        application = m_factory.create();
        OutlookVersion = MailRow::MajorVersion(application->Version());
        session = application->GetNamespace(QStringLiteral("MAPI"));

        if (source.profile)
        {
            const int count = session->Folders()->Count();
            for (int i = 1; i <= count; ++i)
            {
                letWindowProcess();
                std::unique_ptr<Folder> root = session->Folders()->Item(i);
                RootFolderName = root->Name();
                GetMailItems(1, *root);
                noteNotCovered(*root);
            }
            for (const QString& store : session->StoresLeftOut())
                ClosingNotes << QStringLiteral("Left out: %1").arg(store);
        }
        else if (source.storeFile)
        {
            session->AddStore(source.storePath);
            attachedRoot = session->Folders()->GetLast();
            RootFolderName = attachedRoot->Name();
            GetMailItems(1, *attachedRoot);
            noteNotCovered(*attachedRoot);
            std::unique_ptr<Folder> root = std::move(attachedRoot);
            session->RemoveStore(*root);
        }
    }
    catch (...)
    {
        if (attachedRoot)
        {
            try
            {
                session->RemoveStore(*attachedRoot);
            }
            catch (...)
            {
                // The listing's own failure is the one to report.
            }
            attachedRoot.reset();
        }
        release();
        throw;
    }

    release();
    const QString notes = ClosingNotes.isEmpty() ? QString() : QStringLiteral("\n\n") + ClosingNotes.join(u'\n');
    m_dialogs.message(QStringLiteral("Done.") + notes, QString(), Dialogs::Icon::None);
}

void MailListing::noteNotCovered(Folder& root)
{
    for (const QString& note : quietly([&] { return root.NotCovered(); }).value_or(QStringList()))
        ClosingNotes << QStringLiteral("%1: %2").arg(RootFolderName, note);
}

void MailListing::GetMailItems(int level, Folder& folder)
{
    if (const auto name = quietly([&] { return folder.Name(); }); name && isSkippedTree(*name))
        return;
    const auto subfolders = quietly([&] { return folder.Folders(); });
    if (!subfolders)
        return;
    const int count = quietly([&] { return (*subfolders)->Count(); }).value_or(0);

    for (int i = 1; i <= count; ++i)
    {
        letWindowProcess();
        auto subfolder = quietly([&] { return (*subfolders)->Item(i); });
        if (!subfolder || !*subfolder)
            continue;
        Folder& current = **subfolder;
        const std::optional<QString> name = quietly([&] { return current.Name(); });
        if (level == 1 && name)
            TopFolderName = *name;
        GetMailItems(2, current);

        const auto items = quietly([&] { return current.Items(); });
        if (!items || !*items)
            continue;
        const int itemCount = quietly([&] { return (*items)->Count(); }).value_or(0);
        const QString subfolderCell = name && *name != TopFolderName ? *name : QString();
        for (int j = 1; j <= itemCount; ++j)
        {
            letWindowProcess();
            std::unique_ptr<Item> item;
            try
            {
                item = (*items)->Item(j);
            }
            catch (...)
            {
                // Never dropped without a trace: a row the print run reports at its fetch line.
                addUnreadableRow(subfolderCell, std::current_exception());
                continue;
            }
            if (!item)
                continue;
            if (quietly([&] { return item->Class(); }).value_or(olMail) != olMail)
                continue;
            if (FindActive && !Matches(*item, m_upperFindText, OutlookVersion))
                continue;
            addItemRow(*item, subfolderCell);
        }
    }
}

bool MailListing::Matches(Item& item, const QString& upperFindText, int outlookVersion)
{
    const QString address =
        outlookVersion >= 10 ? quietly([&] { return item.SenderEmailAddress(); }).value_or(QString()) : QString();
    const auto contains = [&](const std::optional<QString>& text) {
        return !text || MailRow::FindKey(*text).contains(upperFindText);
    };
    return contains(quietly([&] { return item.Body(); })) || contains(quietly([&] { return item.SenderName(); })) ||
           contains(address) || contains(quietly([&] { return MailRow::DateText(item.ReceivedTime()); }));
}

void MailListing::addItemRow(Item& item, const QString& subfolderCell)
{
    QStringList cells;
    cells.reserve(MailRow::ColumnCount);
    cells << RootFolderName << TopFolderName << subfolderCell;
    const QString pageDate =
        PageDates || RowSink ? quietly([&] { return item.SentOnText(); }).value_or(QString()) : QString();
    if (RowSink && !pageDate.isEmpty())
        cells << pageDate;
    else
        cells << quietly([&] { return MailRow::DateText(item.ReceivedTime()); }).value_or(QString());
    cells << quietly([&] { return item.SenderName(); }).value_or(QString());
    cells << quietly([&] {
                 return OutlookVersion >= 10 && item.SenderEmailType() == u"SMTP" ? item.SenderEmailAddress()
                                                                                  : QString();
             }).value_or(QString());
    try
    {
        cells << item.Subject();
    }
    catch (...)
    {
        cells << unreadableText(std::current_exception());
    }
    cells << quietly([&] { return item.EntryID(); }).value_or(QString());
    if (RowSink)
        return RowSink(cells);
    queueRow(std::move(cells));
    if (PageDates)
        PageDates->append(pageDate);
}

void MailListing::addUnreadableRow(const QString& subfolderCell, std::exception_ptr error)
{
    QStringList cells{RootFolderName, TopFolderName, subfolderCell};
    while (cells.size() < MailRow::Subject)
        cells << QString();
    cells << unreadableText(error) << QString();
    if (RowSink)
        return RowSink(cells);
    queueRow(std::move(cells));
    if (PageDates)
        PageDates->append(QString());
}

void MailListing::letWindowProcess()
{
    m_pump.letWindowProcess([this] { flushRows(); });
}

void MailListing::queueRow(QStringList cells)
{
    // Rows wait as separate texts, so not too many of them: the grid packs each row small.
    constexpr qsizetype kMostWaiting = 1024;
    m_pendingRows.append(std::move(cells));
    if (m_pendingRows.size() >= kMostWaiting)
        flushRows();
}

void MailListing::flushRows()
{
    // Rows reach the grid in batches: one insertion per event round, not one per row.
    m_grid.addRows(m_pendingRows);
    m_pendingRows.clear();
}

} // namespace Outlook
