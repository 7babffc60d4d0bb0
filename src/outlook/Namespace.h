#pragma once

#include "Folder.h"
#include "Item.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace Outlook
{

/// The session over the stores of one profile. Every member may throw AppError.
class Namespace
{
public:
    virtual ~Namespace() = default;
    /// The root folders, one per open store, in the profile's order.
    virtual std::unique_ptr<FolderCollection> Folders() = 0;
    /// Opens the store file at `path` (as typed) and adds its root as the last root folder.
    virtual void AddStore(const QString& path) = 0;
    /// Closes the store whose root folder this is.
    virtual void RemoveStore(Folder& root) = 0;
    /// The item an EntryID names, also for an ID read by an earlier session whose store is no longer attached.
    virtual std::unique_ptr<Item> GetItemFromID(const QString& entryId) = 0;
    /// The stores of the profile that could not be opened, one line each with the reason.
    virtual QStringList StoresLeftOut() { return {}; }
};

} // namespace Outlook
