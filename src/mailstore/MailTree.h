#pragma once

#include <QString>
#include <vector>

namespace MailStore
{

/// What the choice of a .pst/.ost store's mail tree knows of one top-level folder.
struct TopFolder
{
    QString name;
    /// A search folder, or the folder the store record names as its finder or views folder.
    bool searchOrViews = false;
    /// The parent of one of the store's standard folders (Inbox, Sent Items, Deleted Items, Outbox).
    bool holdsStandardFolder = false;
    int subfolderCount = 0;
};

/// The top-level folder that holds a store's mail when the store record does not point at it:
/// the one named as a mail tree (IPM_SUBTREE, "Top of Personal Folders" and its translations),
/// else the one holding the standard folders, else the first other folder with subfolders;
/// never a search or views folder. -1 when there is none.
int chooseMailTree(const std::vector<TopFolder>& folders);

} // namespace MailStore
