#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QStringList>
#include <functional>
#include <optional>

class ReportListModel;

namespace Render
{
struct Message;
}

namespace Outlook
{
class ApplicationFactory;
class Namespace;
struct ListingSource;
} // namespace Outlook

namespace PrintTool
{

struct Options;

/// The rows a run takes from the listing, in the order it prints them.
struct Choice
{
    QList<int> rows;                   ///< grid rows, in print order
    int selected = 0;                  ///< rows the folders, Find, search and dates chose, copies included
    QList<QPair<int, int>> duplicates; ///< a row left out as a copy, and the row it copies
    int undated = 0;                   ///< rows left out of a date range for want of a readable date
};

/// Whether choosing needs each message read, not only its row in the grid.
bool needsMessages(const Options& options);

/// Chooses from the grid by folders, search, dates, copies and order. `read` gives a row's
/// message; a row whose message cannot be read is kept (the print run then reports it)
/// rather than left out without a word, except from a date range it cannot be shown to be in.
Choice choose(const ReportListModel& grid, const Options& options,
              const std::function<std::optional<Render::Message>(int row)>& read);

/// When the message was sent, as an instant: its Date header or the store's sent time.
/// A time written without a zone is taken as local time; invalid when there is none.
QDateTime sentAt(const Render::Message& message);

/// Whether each of `texts` occurs, without regard to case, in the subject, the sender,
/// To, Cc, the body text or an attachment's name.
bool containsAll(const Render::Message& message, const QStringList& texts);

/// What two copies of one message share: the Message-ID and the load file's hash of the
/// message as stored. Empty when the message has no Message-ID: such a message is never
/// taken for a copy.
QByteArray copyKey(const Render::Message& message);

/// The message an entry ID names, read as the engine prints it; nothing when it cannot be read.
std::optional<Render::Message> readMessage(Outlook::Namespace& session, const QString& entryId);

/// The sent time of the message an entry ID names, as its printed page gives it, read without
/// printing it; empty when the store cannot say so cheaply or the message cannot be read.
QString sentOnText(Outlook::Namespace& session, const QString& entryId);

/// The names of the folders below the store roots of `source`, as the grid's Folder and
/// Subfolder cells would show them, each once.
QStringList folderNames(Outlook::ApplicationFactory& factory, const Outlook::ListingSource& source);

} // namespace PrintTool
