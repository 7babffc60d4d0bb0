#pragma once

#include "FolderCollection.h"
#include "ItemCollection.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace Outlook
{

/// A mail folder, or the root folder of a store. Every member may throw AppError.
class Folder
{
public:
    virtual ~Folder() = default;
    /// The display name, as the store holds it.
    virtual QString Name() = 0;
    /// The subfolders, in the store's order.
    virtual std::unique_ptr<FolderCollection> Folders() = 0;
    /// The folder's own items, in the store's order.
    virtual std::unique_ptr<ItemCollection> Items() = 0;
    /// For a store's root folder: what the store holds that the folder walk does not list,
    /// one sentence each; empty for any other folder.
    virtual QStringList NotCovered() { return {}; }
};

} // namespace Outlook
