#include "Selection.h"

#include "FileMessage.h"
#include "MailListing.h"
#include "MailRow.h"
#include "Message.h"
#include "MessageHash.h"
#include "Namespace.h"
#include "Options.h"
#include "OutlookApplication.h"
#include "PrintRun.h"
#include "PrintTarget.h"
#include "ReportListModel.h"

#include <QTimeZone>
#include <algorithm>

namespace PrintTool
{

namespace
{

// The engine hands a whole message over only when it prints it: a target that keeps the
// message instead of printing it reads it the same way.
class KeepMessage : public MailStore::PrintTarget
{
public:
    bool print(const Render::Message& message, QString*) override
    {
        kept = message;
        return true;
    }
    std::optional<Render::Message> kept;
};

struct Candidate
{
    int row;
    QDateTime sent;
};

void collectNames(Outlook::Folder& folder, QStringList& names)
{
    try
    {
        const auto subfolders = folder.Folders();
        for (int i = 1, count = subfolders->Count(); i <= count; ++i)
            if (const auto sub = subfolders->Item(i))
            {
                const QString name = sub->Name();
                if (!names.contains(name))
                    names << name;
                collectNames(*sub, names);
            }
    }
    catch (...)
    {
        // A folder that cannot be read shows no names, as it lists no rows.
    }
}

} // namespace

bool needsMessages(const Options& options)
{
    return options.since || options.until || !options.searches.isEmpty() || options.dedupe ||
           options.sort == Options::SortKey::Date;
}

QDateTime sentAt(const Render::Message& message)
{
    if (!message.date.isValid() || message.dateHasZone)
        return message.date;
    return QDateTime(message.date.date(), message.date.time());
}

bool containsAll(const Render::Message& message, const QStringList& texts)
{
    QStringList fields{message.subject, message.from, message.to, message.cc, MailStore::plainTextOf(message)};
    for (const Render::Attachment& attachment : message.attachments)
        fields << attachment.fileName;
    return std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
        return std::any_of(fields.begin(), fields.end(),
                           [&](const QString& field) { return field.contains(text, Qt::CaseInsensitive); });
    });
}

QByteArray copyKey(const Render::Message& message)
{
    if (message.messageId.isEmpty())
        return {};
    // The load file's hash: a copy left out is one the load file would list with the same hash.
    return message.messageId.toUtf8() + '\n' + Render::messageSha256(message).toLatin1();
}

std::optional<Render::Message> readMessage(Outlook::Namespace& session, const QString& entryId)
{
    KeepMessage keep;
    try
    {
        const std::unique_ptr<Outlook::Item> item = session.GetItemFromID(entryId);
        if (!item)
            return std::nullopt;
        MailStore::ScopedPrintTarget target(keep);
        item->PrintOut();
    }
    catch (...)
    {
        return std::nullopt;
    }
    return keep.kept;
}

QString sentOnText(Outlook::Namespace& session, const QString& entryId)
{
    try
    {
        const std::unique_ptr<Outlook::Item> item = session.GetItemFromID(entryId);
        return item ? item->SentOnText() : QString();
    }
    catch (...)
    {
        return QString();
    }
}

QStringList folderNames(Outlook::ApplicationFactory& factory, const Outlook::ListingSource& source)
{
    QStringList names;
    try
    {
        const auto application = factory.create();
        const auto session = application->GetNamespace(QStringLiteral("MAPI"));
        if (source.storeFile)
        {
            session->AddStore(source.storePath);
            const auto root = session->Folders()->GetLast();
            collectNames(*root, names);
            session->RemoveStore(*root);
        }
        else
            for (int i = 1, count = session->Folders()->Count(); i <= count; ++i)
                collectNames(*session->Folders()->Item(i), names);
    }
    catch (...)
    {
        // The listing has read these sources already; what cannot be read now has no names.
    }
    return names;
}

Choice choose(const ReportListModel& grid, const Options& options,
              const std::function<std::optional<Render::Message>(int row)>& read)
{
    Choice choice;
    const bool readEach = needsMessages(options);
    std::vector<Candidate> candidates;
    QHash<QByteArray, int> firstCopy;
    for (int row = 0; row < grid.rowCount(); ++row)
    {
        if (!options.folders.isEmpty() &&
            std::none_of(options.folders.begin(), options.folders.end(),
                         [&](const QString& name) { return Outlook::PrintRun::InFolder(grid, row, name); }))
            continue;
        const std::optional<Render::Message> message = readEach ? read(row) : std::nullopt;
        const QDateTime sent = message ? sentAt(*message) : QDateTime();
        if ((options.since || options.until) && !sent.isValid())
        {
            ++choice.undated;
            continue;
        }
        if ((options.since && sent < *options.since) || (options.until && sent > *options.until) ||
            (message && !containsAll(*message, options.searches)))
            continue;
        ++choice.selected;
        if (const QByteArray key = options.dedupe && message ? copyKey(*message) : QByteArray(); !key.isEmpty())
        {
            if (const auto first = firstCopy.constFind(key); first != firstCopy.cend())
            {
                choice.duplicates.append({row, *first});
                continue;
            }
            firstCopy.insert(key, row);
        }
        candidates.push_back({row, sent});
    }

    // Stable: rows that compare equal keep the listing's order.
    const auto text = [&](int row, int column) { return grid.text(row, column).toCaseFolded(); };
    using Outlook::MailRow::Column;
    switch (options.sort)
    {
    case Options::SortKey::Store:
        break;
    case Options::SortKey::Date:
        // Messages without a date go last.
        std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return a.sent.isValid() && (!b.sent.isValid() || a.sent < b.sent);
        });
        break;
    case Options::SortKey::Sender:
        std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
            return std::pair(text(a.row, Column::FromTo), text(a.row, Column::Email)) <
                   std::pair(text(b.row, Column::FromTo), text(b.row, Column::Email));
        });
        break;
    case Options::SortKey::Subject:
        std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
            return text(a.row, Column::Subject) < text(b.row, Column::Subject);
        });
        break;
    }
    for (const Candidate& candidate : candidates)
        choice.rows << candidate.row;
    if (options.reverse)
        std::reverse(choice.rows.begin(), choice.rows.end());
    return choice;
}

} // namespace PrintTool
