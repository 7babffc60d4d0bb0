#pragma once

#include "EventPump.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class Dialogs;
class ReportListModel;

namespace Outlook
{

class ApplicationFactory;
class Folder;
class Item;

/// Which stores a listing walks: every store of the profile, or one store file
/// attached for the length of the listing.
struct ListingSource
{
    bool profile = false;   ///< Option3
    bool storeFile = false; ///< Option4
    QString storePath;      ///< Text2, as typed
};

/// Fills the mail grid with one row per mail item of the source, in walk order:
/// depth first, a folder's own rows after those of its subfolders, root items left out.
/// Holds the listing state the window owns between listings.
class MailListing
{
public:
    MailListing(ApplicationFactory& factory, Dialogs& dialogs, ReportListModel& grid, EventPump& pump);

    /// Opens a session, walks the roots of the source, releases everything and says "Done.".
    /// A failure outside the walk ends the listing without "Done." and is rethrown, after
    /// the session is released and an attached store detached.
    void ListOutlookMail(const ListingSource& source);
    /// Lists the mail items below folder; level 1 is a store root. Never throws.
    void GetMailItems(int level, Folder& folder);

    /// The Find rule: the upper-cased find text in the body, the sender's name or address,
    /// or the date text. A value that cannot be read lets the item pass.
    static bool Matches(Item& item, const QString& upperFindText, int outlookVersion);

    QString RootFolderName;
    QString TopFolderName;
    bool FindActive = false;
    int OutlookVersion = 0;
    /// The Find text (Text1) the match test uses while FindActive is set.
    QString FindText;
    /// When set, each row's date as its printed page gives it, in row order (empty where unknown).
    QStringList* PageDates = nullptr;
    /// When set, each row goes here as it is found instead of into the grid, its Date cell
    /// as the message's printed page gives it where the item knows that.
    std::function<void(const QStringList& cells)> RowSink;
    /// Busy cursor on and off.
    std::function<void(bool busy)> setBusy;
    /// What the last listing could not cover, one line each after "Done.": stores left out
    /// of the profile and what each store's walk does not list, named with the store.
    QStringList ClosingNotes;

private:
    void addItemRow(Item& item, const QString& subfolderCell);
    void addUnreadableRow(const QString& subfolderCell, std::exception_ptr error);
    void noteNotCovered(Folder& root);
    void letWindowProcess();
    void queueRow(QStringList cells);
    void flushRows();

    ApplicationFactory& m_factory;
    Dialogs& m_dialogs;
    ReportListModel& m_grid;
    EventPump& m_pump;
    QString m_upperFindText;
    QList<QStringList> m_pendingRows;
};

} // namespace Outlook
