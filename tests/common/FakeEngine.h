#pragma once

#include "AppError.h"
#include "OutlookApplication.h"

#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// An in-memory mail engine for the failures a real store cannot give on demand:
// members that throw, items of other classes, a store file that cannot be attached.
// Everything it is asked to do goes to World::log.
namespace Fake
{

struct Mail
{
    int cls = Outlook::olMail;
    QString body, senderName, senderAddress, senderType = QStringLiteral("SMTP"), subject, entryId;
    QDateTime received;
    QSet<QString>
        failing; ///< member names that throw ("Class", "Body", ..., "Item", "PrintOut"; "Printer": its printer fails)
    std::function<void()> onPrint;
    std::function<void()> onListed; ///< runs when a listing reads the item's class
};

struct FolderNode
{
    QString name;
    std::vector<std::shared_ptr<FolderNode>> folders;
    std::vector<std::shared_ptr<Mail>> items;
    QSet<QString> failing; ///< "Name", "Folders", "FolderCount", "Items", "ItemCount", "Item"

    FolderNode& folder(const QString& childName)
    {
        folders.push_back(std::make_shared<FolderNode>());
        folders.back()->name = childName;
        return *folders.back();
    }
    Mail& mail(const QString& subject)
    {
        items.push_back(std::make_shared<Mail>());
        Mail& added = *items.back();
        added.subject = subject;
        added.senderName = QStringLiteral("Sender of ") + subject;
        added.senderAddress = QStringLiteral("sender@example.org");
        added.body = QStringLiteral("Body of ") + subject;
        added.received = QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15));
        return added;
    }
};

inline AppError failure(const QString& member)
{
    return {-2147221233, QStringLiteral("Fake.") + member, QStringLiteral("The fake engine fails ") + member};
}

inline void failIf(const QSet<QString>& failing, const QString& member)
{
    if (failing.contains(member))
        throw failure(member);
}

struct World
{
    std::vector<std::shared_ptr<FolderNode>> profile;          ///< the profile's stores, in order
    std::map<QString, std::shared_ptr<FolderNode>> storeFiles; ///< what AddStore can open
    std::vector<std::shared_ptr<FolderNode>> attached;         ///< added and not yet removed
    QString version = QStringLiteral("16.0.0.10000");
    QSet<QString> failing; ///< "GetNamespace", "Folders", "Version"
    QStringList log;
    int nextId = 1;

    FolderNode& store(const QString& name)
    {
        profile.push_back(std::make_shared<FolderNode>());
        profile.back()->name = name;
        return *profile.back();
    }
    FolderNode& storeFile(const QString& path, const QString& name)
    {
        auto root = std::make_shared<FolderNode>();
        root->name = name;
        storeFiles[path] = root;
        return *root;
    }

    /// Gives every mail without an entry ID one.
    void numberItems()
    {
        std::function<void(FolderNode&)> walk = [&](FolderNode& node) {
            for (auto& mail : node.items)
                if (mail->entryId.isEmpty())
                    mail->entryId = QStringLiteral("ID%1").arg(nextId++);
            for (auto& child : node.folders)
                walk(*child);
        };
        for (auto& root : profile)
            walk(*root);
        for (auto& [path, root] : storeFiles)
            walk(*root);
    }

    std::shared_ptr<Mail> find(const QString& entryId) const
    {
        std::function<std::shared_ptr<Mail>(const FolderNode&)> walk = [&](const FolderNode& node) {
            for (const auto& mail : node.items)
                if (mail->entryId == entryId)
                    return mail;
            for (const auto& child : node.folders)
                if (auto found = walk(*child))
                    return found;
            return std::shared_ptr<Mail>();
        };
        for (const auto& root : profile)
            if (auto found = walk(*root))
                return found;
        for (const auto& [path, root] : storeFiles)
            if (auto found = walk(*root))
                return found;
        return {};
    }
};

class Item : public Outlook::Item
{
public:
    Item(World& world, std::shared_ptr<Mail> mail) : m_world(world), m_mail(std::move(mail)) {}
    int Class() override
    {
        if (m_mail->onListed)
            m_mail->onListed();
        return read(u"Class", m_mail->cls);
    }
    QString Body() override { return mailRead(u"Body", m_mail->body); }
    QString SenderName() override { return mailRead(u"SenderName", m_mail->senderName); }
    QString SenderEmailAddress() override { return mailRead(u"SenderEmailAddress", m_mail->senderAddress); }
    QString SenderEmailType() override { return mailRead(u"SenderEmailType", m_mail->senderType); }
    QString Subject() override { return mailRead(u"Subject", m_mail->subject); }
    QString EntryID() override { return read(u"EntryID", m_mail->entryId); }
    QDateTime ReceivedTime() override { return mailRead(u"ReceivedTime", m_mail->received); }
    void PrintOut() override
    {
        m_world.log.append(QStringLiteral("PrintOut ") + m_mail->subject);
        failIf(m_mail->failing, QStringLiteral("PrintOut"));
        if (m_mail->failing.contains(QStringLiteral("Printer")))
            throw AppError(Outlook::olPrinterFailure, QStringLiteral("Fake.PrintOut"), QStringLiteral("printer gone"));
        if (m_mail->onPrint)
            m_mail->onPrint();
    }

private:
    template <class T> T read(QStringView member, const T& value)
    {
        failIf(m_mail->failing, member.toString());
        return value;
    }
    template <class T> T mailRead(QStringView member, const T& value)
    {
        if (m_mail->cls != Outlook::olMail)
            notSupported(QStringLiteral("Fake.Item"));
        return read(member, value);
    }

    World& m_world;
    std::shared_ptr<Mail> m_mail;
};

class ItemCollection : public Outlook::ItemCollection
{
public:
    ItemCollection(World& world, std::shared_ptr<FolderNode> folder) : m_world(world), m_folder(std::move(folder)) {}
    int Count() override
    {
        failIf(m_folder->failing, QStringLiteral("ItemCount"));
        return static_cast<int>(m_folder->items.size());
    }
    std::unique_ptr<Outlook::Item> Item(int index) override
    {
        failIf(m_folder->failing, QStringLiteral("Item"));
        const auto& mail = m_folder->items.at(static_cast<size_t>(index - 1));
        failIf(mail->failing, QStringLiteral("Item"));
        return std::make_unique<Fake::Item>(m_world, mail);
    }

private:
    World& m_world;
    std::shared_ptr<FolderNode> m_folder;
};

class FolderCollection;

class Folder : public Outlook::Folder
{
public:
    Folder(World& world, std::shared_ptr<FolderNode> node) : m_world(world), m_node(std::move(node)) {}
    QString Name() override
    {
        failIf(m_node->failing, QStringLiteral("Name"));
        return m_node->name;
    }
    std::unique_ptr<Outlook::FolderCollection> Folders() override;
    std::unique_ptr<Outlook::ItemCollection> Items() override
    {
        failIf(m_node->failing, QStringLiteral("Items"));
        return std::make_unique<ItemCollection>(m_world, m_node);
    }
    const std::shared_ptr<FolderNode>& node() const { return m_node; }

private:
    World& m_world;
    std::shared_ptr<FolderNode> m_node;
};

class FolderCollection : public Outlook::FolderCollection
{
public:
    FolderCollection(World& world, std::vector<std::shared_ptr<FolderNode>> folders, QSet<QString> failing = {})
        : m_world(world), m_folders(std::move(folders)), m_failing(std::move(failing))
    {
    }
    int Count() override
    {
        failIf(m_failing, QStringLiteral("FolderCount"));
        return static_cast<int>(m_folders.size());
    }
    std::unique_ptr<Outlook::Folder> Item(int index) override
    {
        if (index < 1 || index > static_cast<int>(m_folders.size()))
            throw AppError(-2147352567, QStringLiteral("Fake.Folders"), QStringLiteral("Array index out of bounds."));
        failIf(m_folders[static_cast<size_t>(index - 1)]->failing, QStringLiteral("Fetch"));
        return std::make_unique<Folder>(m_world, m_folders[static_cast<size_t>(index - 1)]);
    }
    std::unique_ptr<Outlook::Folder> GetLast() override
    {
        if (m_folders.empty())
            throw failure(QStringLiteral("GetLast"));
        return std::make_unique<Folder>(m_world, m_folders.back());
    }

private:
    World& m_world;
    std::vector<std::shared_ptr<FolderNode>> m_folders;
    QSet<QString> m_failing;
};

inline std::unique_ptr<Outlook::FolderCollection> Folder::Folders()
{
    failIf(m_node->failing, QStringLiteral("Folders"));
    return std::make_unique<FolderCollection>(m_world, m_node->folders, m_node->failing);
}

class Namespace : public Outlook::Namespace
{
public:
    explicit Namespace(World& world) : m_world(world) {}
    ~Namespace() override { m_world.log.append(QStringLiteral("release namespace")); }
    std::unique_ptr<Outlook::FolderCollection> Folders() override
    {
        failIf(m_world.failing, QStringLiteral("Folders"));
        std::vector<std::shared_ptr<FolderNode>> roots = m_world.profile;
        roots.insert(roots.end(), m_world.attached.begin(), m_world.attached.end());
        return std::make_unique<FolderCollection>(m_world, roots);
    }
    void AddStore(const QString& path) override
    {
        m_world.log.append(QStringLiteral("AddStore ") + path);
        const auto found = m_world.storeFiles.find(path);
        if (found == m_world.storeFiles.end())
            throw AppError(-2147467259, QStringLiteral("Fake.AddStore"), QStringLiteral("Not a store: ") + path);
        m_world.attached.push_back(found->second);
    }
    void RemoveStore(Outlook::Folder& root) override
    {
        auto& node = static_cast<Fake::Folder&>(root).node();
        m_world.log.append(QStringLiteral("RemoveStore ") + node->name);
        std::erase(m_world.attached, node);
    }
    std::unique_ptr<Outlook::Item> GetItemFromID(const QString& entryId) override
    {
        m_world.log.append(QStringLiteral("GetItemFromID ") + entryId);
        auto mail = m_world.find(entryId);
        if (!mail)
            throw AppError(-2147221233, QStringLiteral("Fake.GetItemFromID"), QStringLiteral("No such item"));
        return std::make_unique<Item>(m_world, mail);
    }

private:
    World& m_world;
};

class Application : public Outlook::Application
{
public:
    explicit Application(World& world) : m_world(world) {}
    ~Application() override { m_world.log.append(QStringLiteral("release application")); }
    QString Version() const override
    {
        failIf(m_world.failing, QStringLiteral("Version"));
        return m_world.version;
    }
    std::unique_ptr<Outlook::Namespace> GetNamespace(const QString& type) override
    {
        failIf(m_world.failing, QStringLiteral("GetNamespace"));
        m_world.log.append(QStringLiteral("GetNamespace ") + type);
        return std::make_unique<Namespace>(m_world);
    }

private:
    World& m_world;
};

class Factory : public Outlook::ApplicationFactory
{
public:
    explicit Factory(World& world) : m_world(world) {}
    std::unique_ptr<Outlook::Application> create() override
    {
        if (fail)
            throw AppError(429, QStringLiteral("Vellumtide"), QStringLiteral("ActiveX component can't create object"));
        m_world.log.append(QStringLiteral("create"));
        return std::make_unique<Application>(m_world);
    }
    bool fail = false;

private:
    World& m_world;
};

} // namespace Fake
