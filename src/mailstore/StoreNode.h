#pragma once

#include "Item.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace MailStore
{

/// One folder of an open store, as the engine's own backends see it. Positions count from 0;
/// the object-model adapters turn them into the 1-based collections. Members may throw AppError.
class FolderNode
{
public:
    virtual ~FolderNode() = default;
    /// The folder's name as the store holds it.
    virtual QString name() = 0;
    /// How many visible subfolders it has.
    virtual int folderCount() = 0;
    /// The subfolder at `index`; the same node for the same index.
    virtual std::shared_ptr<FolderNode> folder(int index) = 0;
    /// How many items the folder holds.
    virtual int itemCount() = 0;
    /// The item at `index`; cheap to ask for repeatedly.
    virtual std::unique_ptr<Outlook::Item> item(int index) = 0;
};

/// An open store file or folder tree, shared by every object that reaches into it.
class Store
{
public:
    virtual ~Store() = default;
    /// The root folder a mail client shows for this store.
    virtual std::shared_ptr<FolderNode> root() = 0;
    /// The item a locator of this store's EntryIDs names; null when it is gone.
    virtual std::unique_ptr<Outlook::Item> itemFromLocator(const QString&) { return nullptr; }
    /// What the store holds that its folder walk does not list, one sentence each ("7 messages in its top folder are not listed").
    virtual QStringList notCovered() { return {}; }
};

/// Opens the store at `path`, recognised by its content; throws AppError with a clear
/// description when it is no readable store.
std::shared_ptr<Store> openStore(const QString& path);

/// The store at `path`, from a small cache of recently opened stores when the file is unchanged.
std::shared_ptr<Store> cachedStore(const QString& path);

std::shared_ptr<Store> openPstStore(const QString& path);
std::shared_ptr<Store> openMboxStore(const QString& path);
std::shared_ptr<Store> openMaildirStore(const QString& path);

bool isMaildirTree(const QString& path);
bool isMboxFile(const QString& path);
/// Whether the folder or one below it holds an item: an empty mbox file (an emptied Trash)
/// is a folder of a store, not a sign of one.
bool holdsMail(FolderNode& folder, int depth = 0);
struct EntryId;
/// An mbox, Maildir or .eml message straight from its file; null when it is gone.
std::unique_ptr<Outlook::Item> fileItemFromId(const EntryId& id);

/// The error every store failure throws.
[[noreturn]] void storeError(const QString& source, const QString& description);

} // namespace MailStore
