#pragma once

#include "WinePrefix.h"

#include <QStringList>

class Dialogs;
class Registry;
class ReportListModel;
class WebBrowser;

/// The Outlook Express module: store discovery into FoundDbxFiles, and the .eml
/// header reader behind the message list. Its lists live as long as the program.
class Express1
{
public:
    Express1(Dialogs& dialogs, Registry& registry, WinePrefix prefix)
        : m_dialogs(dialogs), m_registry(registry), m_prefix(std::move(prefix))
    {
    }

    /// The store folders of the last search, then one blank entry.
    QStringList StoreFolders;
    /// Every .dbx file found by the last search, then one blank entry; the caller
    /// resets it to one blank entry before a search.
    QStringList FoundDbxFiles;

    /// Appends the .dbx files of every identity's store folder to FoundDbxFiles,
    /// reporting failures under its own error trap.
    void SearchIdentities();

    /// Adds a row (From, To, Subject, Date) and a name for every entry of folder matching
    /// "*.eml" (letter case ignored, hidden ones too) whose Date line is found and whose
    /// name is not in names yet. An entry that cannot be read raises AppError; rows added
    /// before it stay. An empty or relative folder lists nothing.
    static void ListEmlFiles(const QString& folder, ReportListModel& grid, QStringList& names);

    /// The rest of the first line (CR LF lines only) that begins with name and a colon,
    /// letter case counting, blanks trimmed; empty when no line does.
    static QString GetHeaderValue(QStringView text, const QString& name);

    /// The file as text, one character per byte; "empty file" for a file of length 0,
    /// empty for a missing file. Raises AppError 75 when it is no regular file or cannot be read.
    static QString ReadTextFile(const QString& path);

    /// Loads path into the browser, waits for it to complete (at most 10,000,000 waits)
    /// and prints it on the default printer. Raises AppError when printing fails.
    static void PrintMessageFile(WebBrowser& browser, const QString& path);

    static constexpr int kMaxReadyWaits = 10'000'000;

private:
    Dialogs& m_dialogs;
    Registry& m_registry;
    WinePrefix m_prefix;
};
