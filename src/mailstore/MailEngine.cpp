#include "MailEngine.h"

#include "AppError.h"
#include "EntryId.h"
#include "Profile.h"
#include "StoreDiscovery.h"
#include "StoreNode.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <list>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace MailStore
{

void storeError(const QString& source, const QString& description)
{
    // The automation error number the object model reports for a failed operation.
    throw AppError(-2147467259, source, description);
}

namespace
{

// Adapters from the engine's folder nodes to the object model's 1-based collections.

void checkIndex(int index, int count, const char* source)
{
    if (index < 1 || index > count)
        throw AppError(9, QLatin1String(source), QStringLiteral("Subscript out of range"));
}

class EngineFolder : public Outlook::Folder
{
public:
    explicit EngineFolder(std::shared_ptr<FolderNode> node, std::shared_ptr<Store> store = nullptr)
        : m_node(std::move(node)), m_store(std::move(store))
    {
    }
    QString Name() override { return m_node->name(); }
    QStringList NotCovered() override { return m_store ? m_store->notCovered() : QStringList(); }
    std::unique_ptr<Outlook::FolderCollection> Folders() override;
    std::unique_ptr<Outlook::ItemCollection> Items() override;
    const std::shared_ptr<FolderNode>& node() const { return m_node; }

private:
    std::shared_ptr<FolderNode> m_node;
    std::shared_ptr<Store> m_store; ///< set for a store's root
};

class SubFolders : public Outlook::FolderCollection
{
public:
    explicit SubFolders(std::shared_ptr<FolderNode> node) : m_node(std::move(node)) {}
    int Count() override { return m_node->folderCount(); }
    std::unique_ptr<Outlook::Folder> Item(int index) override
    {
        checkIndex(index, Count(), "Folders.Item");
        return std::make_unique<EngineFolder>(m_node->folder(index - 1));
    }
    std::unique_ptr<Outlook::Folder> GetLast() override
    {
        if (Count() == 0)
            throw AppError(91, QStringLiteral("Folders.GetLast"), QStringLiteral("The collection is empty"));
        return Item(Count());
    }

private:
    std::shared_ptr<FolderNode> m_node;
};

class FolderItems : public Outlook::ItemCollection
{
public:
    explicit FolderItems(std::shared_ptr<FolderNode> node) : m_node(std::move(node)) {}
    int Count() override { return m_node->itemCount(); }
    std::unique_ptr<Outlook::Item> Item(int index) override
    {
        checkIndex(index, Count(), "Items.Item");
        return m_node->item(index - 1);
    }

private:
    std::shared_ptr<FolderNode> m_node;
};

std::unique_ptr<Outlook::FolderCollection> EngineFolder::Folders()
{
    return std::make_unique<SubFolders>(m_node);
}

std::unique_ptr<Outlook::ItemCollection> EngineFolder::Items()
{
    return std::make_unique<FolderItems>(m_node);
}

/// The roots of a namespace's stores; a snapshot, so a later AddStore does not shift it.
class RootFolders : public Outlook::FolderCollection
{
public:
    explicit RootFolders(std::vector<std::shared_ptr<Store>> stores) : m_stores(std::move(stores)) {}
    int Count() override { return int(m_stores.size()); }
    std::unique_ptr<Outlook::Folder> Item(int index) override
    {
        checkIndex(index, Count(), "Folders.Item");
        const std::shared_ptr<Store>& store = m_stores[size_t(index - 1)];
        return std::make_unique<EngineFolder>(store->root(), store);
    }
    std::unique_ptr<Outlook::Folder> GetLast() override
    {
        if (m_stores.empty())
            throw AppError(91, QStringLiteral("Folders.GetLast"), QStringLiteral("The collection is empty"));
        return Item(Count());
    }

private:
    std::vector<std::shared_ptr<Store>> m_stores;
};

class EngineNamespace : public Outlook::Namespace
{
public:
    explicit EngineNamespace(const QString& profilePath)
    {
        for (const ProfileStore& store : StoreDiscovery::forUser().resolve(profilePath))
        {
            try
            {
                m_stores.push_back(cachedStore(store.path));
            }
            catch (const AppError& e)
            {
                // One unreadable store must not hide the others; the listing names it.
                qWarning().noquote() << "Profile store skipped (" + store.origin + "):" << e.description();
                m_leftOut << (e.description().contains(store.path)
                                  ? e.description()
                                  : QStringLiteral("%1: %2").arg(store.path, e.description()));
            }
        }
    }

    std::unique_ptr<Outlook::FolderCollection> Folders() override { return std::make_unique<RootFolders>(m_stores); }

    QStringList StoresLeftOut() override { return m_leftOut; }

    void AddStore(const QString& path) override { m_stores.push_back(cachedStore(path)); }

    void RemoveStore(Outlook::Folder& root) override
    {
        auto* folder = dynamic_cast<EngineFolder*>(&root);
        for (auto it = m_stores.begin(); folder && it != m_stores.end(); ++it)
            if ((*it)->root() == folder->node())
            {
                m_stores.erase(it);
                return;
            }
        storeError(QStringLiteral("Namespace.RemoveStore"),
                   QStringLiteral("The folder is not the root of an open store."));
    }

    std::unique_ptr<Outlook::Item> GetItemFromID(const QString& entryId) override
    {
        const std::optional<EntryId> id = EntryId::parse(entryId);
        if (!id)
            storeError(QStringLiteral("Namespace.GetItemFromID"), QStringLiteral("The entry ID is not valid."));
        std::unique_ptr<Outlook::Item> item;
        if (id->kind == EntryId::Kind::Pst)
            item = cachedStore(id->storePath)->itemFromLocator(id->locator);
        else
            item = fileItemFromId(*id);
        if (!item)
            storeError(QStringLiteral("Namespace.GetItemFromID"),
                       QStringLiteral("The message is no longer in \"%1\".").arg(id->storePath));
        return item;
    }

private:
    std::vector<std::shared_ptr<Store>> m_stores;
    QStringList m_leftOut;
};

struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t modified = 0;
    long modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

} // namespace

std::shared_ptr<Store> openStore(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        storeError(QStringLiteral("AddStore"), QStringLiteral("The store \"%1\" does not exist.").arg(path));
    if (info.isDir())
    {
        if (isMaildirTree(path))
            return openMaildirStore(path);
        // mbox files and .eml files, in folders nested as on disk; a folder with none is no store
        if (auto store = openMboxStore(path); holdsMail(*store->root()))
            return store;
        storeError(QStringLiteral("AddStore"),
                   QStringLiteral("\"%1\" is not a mail store: the folder holds no mbox file with mail in it, "
                                  "no .eml file and no Maildir folder.")
                       .arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        storeError(QStringLiteral("AddStore"),
                   QStringLiteral("The store \"%1\" cannot be read: %2").arg(path, file.errorString()));
    const QByteArray head = file.read(5);
    if (head.startsWith("!BDN"))
        return openPstStore(path);
    if (isMboxFile(path))
        return openMboxStore(path);
    storeError(QStringLiteral("AddStore"),
               QStringLiteral("\"%1\" is not a mail store: neither a personal folders file (.pst, .ost), "
                              "an mbox file nor a Maildir folder.")
                   .arg(path));
}

std::shared_ptr<Store> cachedStore(const QString& path)
{
    // A print run fetches thousands of items by ID: keep the last few stores open, and
    // reopen one only when its file changed.
    struct Entry
    {
        QString path;
        std::optional<FileIdentity> identity;
        std::shared_ptr<Store> store;
    };
    static std::mutex mutex;
    static std::list<Entry> cache;
    constexpr size_t kCapacity = 8;

    const QString absolute = QFileInfo(path).absoluteFilePath();
    const std::optional<FileIdentity> identity = identityOf(absolute);
    {
        std::lock_guard lock(mutex);
        for (auto it = cache.begin(); it != cache.end(); ++it)
            if (it->path == absolute)
            {
                if (identity && it->identity == identity && !QFileInfo(absolute).isDir())
                {
                    cache.splice(cache.begin(), cache, it);
                    return it->store;
                }
                cache.erase(it);
                break;
            }
    }
    std::shared_ptr<Store> store = openStore(path);
    // Folder trees change without their folder's identity changing: only files are kept.
    if (!QFileInfo(absolute).isDir())
    {
        std::lock_guard lock(mutex);
        cache.push_front({absolute, identity, store});
        if (cache.size() > kCapacity)
            cache.pop_back();
    }
    return store;
}

QString EngineApplication::Version() const
{
    return QStringLiteral("16.0.0.0");
}

std::unique_ptr<Outlook::Namespace> EngineApplication::GetNamespace(const QString& type)
{
    if (type.compare(QLatin1String("MAPI"), Qt::CaseInsensitive) != 0)
        storeError(QStringLiteral("Application.GetNamespace"),
                   QStringLiteral("Unknown namespace type \"%1\".").arg(type));
    return std::make_unique<EngineNamespace>(m_profilePath);
}

EngineFactory::EngineFactory() : m_profilePath(Profile::defaultPath()) {}

std::unique_ptr<Outlook::Application> EngineFactory::create()
{
    return std::make_unique<EngineApplication>(m_profilePath);
}

} // namespace MailStore
