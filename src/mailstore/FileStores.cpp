// mbox files (single, or a tree with ".sbd" folders), folders of .eml files and Maildir folders
// (Maildir++ or nested).

#include "EntryId.h"
#include "FileMessage.h"
#include "FolderName.h"
#include "MboxFormat.h"
#include "StoreNode.h"
#include "TextLines.h"

#include <QCollator>
#include <QCryptographicHash>
#include <QtEndian>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringBuilder>
#include <optional>
#include <vector>

namespace MailStore
{

namespace
{

class MessageSource
{
public:
    virtual ~MessageSource() = default;
    virtual int count() = 0;
    virtual std::unique_ptr<Outlook::Item> item(int index) = 0;
    /// Messages the mail program deleted but has not yet removed from the file; not listed.
    virtual int deleted() { return 0; }
};

/// Thunderbird marks a message it deleted with bit 0x0008 and drops it only when compacting the folder.
bool deletedInThunderbird(const QByteArray& header)
{
    constexpr QByteArrayView field = "X-Mozilla-Status:";
    bool deleted = false;
    Render::forEachLine(header, [&](QByteArrayView line) {
        if (line.size() <= field.size() || line.first(field.size()).compare(field, Qt::CaseInsensitive) != 0)
            return true;
        bool ok = false;
        const uint flags = line.sliced(field.size()).trimmed().toUInt(&ok, 16);
        deleted = ok && (flags & 0x0008) != 0;
        return false; // the first one counts
    });
    return deleted;
}

QByteArray readMboxAt(const QString& path, qint64 offset)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Render::MboxFormat::readMessage(file, offset);
}

/// The header block of a message, as the mbox scan gives it.
QByteArray headerOf(const QByteArray& message)
{
    qsizetype end = message.indexOf("\n\n");
    const qsizetype crlf = message.indexOf("\n\r\n");
    if (end < 0 || (crlf >= 0 && crlf < end))
        end = crlf;
    return message.left(qMin<qsizetype>(end < 0 ? message.size() : end + 1, 64 * 1024));
}

/// What tells an mbox message from every other, wherever it moves in its file: its header
/// block without the status fields mail programs rewrite in place.
quint64 mboxCheckValue(const QByteArray& header)
{
    static const QByteArrayView rewritten[] = {"status:",
                                               "x-status:",
                                               "x-mozilla-status:",
                                               "x-mozilla-status2:",
                                               "x-mozilla-keys:",
                                               "x-keywords:",
                                               "x-uid:",
                                               "content-length:",
                                               "lines:"};
    static thread_local QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.reset();
    bool skipping = false;
    QByteArray withoutCr;
    // Every piece between newlines (the empty one after the last too), without its CRs.
    for (qsizetype at = 0; at <= header.size();)
    {
        qsizetype end = header.indexOf('\n', at);
        if (end < 0)
            end = header.size();
        QByteArrayView line(header.constData() + at, end - at);
        at = end + 1;
        if (line.contains('\r'))
            line = withoutCr = line.toByteArray().replace('\r', QByteArray());
        if (!line.startsWith(' ') && !line.startsWith('\t'))
            skipping = std::any_of(std::begin(rewritten), std::end(rewritten), [&](QByteArrayView field) {
                return line.size() >= field.size() && line.first(field.size()).compare(field, Qt::CaseInsensitive) == 0;
            });
        if (skipping)
            continue;
        hash.addData(line);
        hash.addData("\n");
    }
    return qFromBigEndian<quint64>(hash.resultView().data());
}

/// A check value as entry IDs write it: 16 hex digits.
QString checkText(quint64 check)
{
    return QStringLiteral("%1").arg(check, 16, 16, QLatin1Char('0'));
}

QString mboxCheck(const QByteArray& header)
{
    return checkText(mboxCheckValue(header));
}

/// The message an mbox entry ID names: at its offset when it is still there, else wherever
/// the file now holds it (after the mail program compacted it); empty when it is gone.
QByteArray readMboxChecked(const QString& path, qint64 offset, const QString& check)
{
    QByteArray message = readMboxAt(path, offset);
    if (!message.isEmpty() && mboxCheck(headerOf(message)) == check)
        return message;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // After a compaction every row misses: scan the file once, not once per row.
    struct Moved
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        QHash<QString, qint64> offsets;
    };
    static thread_local Moved moved;
    const QFileInfo info(path);
    if (moved.path != path || moved.size != info.size() || moved.modified != info.lastModified())
    {
        moved = {path, info.size(), info.lastModified(), {}};
        Render::MboxFormat::scan(file, [&](qint64 at, const QByteArray& header) {
            moved.offsets.insert(mboxCheck(header), at); // a duplicate is the same message
        });
    }
    const auto found = moved.offsets.constFind(check);
    if (found == moved.offsets.cend())
        return {};
    message = Render::MboxFormat::readMessage(file, *found);
    if (mboxCheck(headerOf(message)) == check)
        return message;
    moved.path.clear(); // changed within the clock's resolution: never hand out another message
    return {};
}

std::unique_ptr<Outlook::Item> mboxItem(const QString& path, qint64 offset, const QString& check,
                                        MessageSummary summary, const QString& idPrefix)
{
    const QString id = idPrefix % QString::number(offset) % u'.' % check; // one allocation of the exact size
    return std::make_unique<FileMessage>(std::move(summary), id,
                                         [path, offset, check] { return readMboxChecked(path, offset, check); });
}

/// Byte ranges of mbox files, read a window at a time: the listing asks for the header blocks
/// of a folder's messages in file order, so one read serves many of them.
class MboxWindow
{
public:
    /// `size` bytes at `at`, fewer at the end of the file; none when the file cannot be read.
    std::optional<QByteArrayView> read(const QString& path, qint64 at, qsizetype size)
    {
        const qint64 end = m_start + m_bytes.size();
        if (path != m_path || at < m_start || at > end || (at + size > end && !m_atEnd))
        {
            m_path.clear();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || !file.seek(at))
                return std::nullopt;
            constexpr qsizetype kWindow = 16 * 1024;
            m_bytes.resize(qMax(size, kWindow));
            const qint64 got = file.read(m_bytes.data(), m_bytes.size());
            if (got < 0)
                return std::nullopt;
            m_atEnd = got < m_bytes.size();
            m_bytes.resize(got);
            m_path = path;
            m_start = at;
        }
        const qint64 from = at - m_start;
        return QByteArrayView(m_bytes).sliced(from, qMin<qint64>(size, m_bytes.size() - from));
    }

    /// The `size` bytes after the line that starts at `offset` (a message's "From " line).
    std::optional<QByteArrayView> afterLine(const QString& path, qint64 offset, qsizetype size)
    {
        // Most "From " lines are short: a second read only for a long one.
        for (const qsizetype line : {qsizetype(1024), qsizetype(64 * 1024)})
        {
            const std::optional<QByteArrayView> bytes = read(path, offset, line + 1 + size);
            const qsizetype start = bytes ? bytes->indexOf('\n') + 1 : 0;
            if (start > 0 && start + size <= bytes->size())
                return bytes->sliced(start, size);
        }
        return std::nullopt;
    }

    /// Reads from the file again next time.
    void forget() { m_path.clear(); }

private:
    QString m_path;
    qint64 m_start = 0;
    bool m_atEnd = false;
    QByteArray m_bytes;
};

class MboxSource : public MessageSource
{
public:
    explicit MboxSource(QString path)
        : m_path(std::move(path)), m_idPrefix(EntryId::prefix(EntryId::Kind::Mbox, m_path))
    {
    }

    int count() override { return int(index().size()); }

    std::unique_ptr<Outlook::Item> item(int i) override
    {
        const Entry& e = index().at(i);
        const QString check = checkText(e.check);
        return mboxItem(m_path, e.offset, check, MessageSummary::fromHeader(header(e, check)), m_idPrefix);
    }

    int deleted() override
    {
        index();
        return m_deleted;
    }

private:
    // Kept for every message of the folder while the store is open, so kept small: where the
    // message starts, the check value as a number, and the size and a quick hash of its header
    // block. The header's texts are read again when the message is listed, not kept.
    struct Entry
    {
        qint64 offset;
        quint64 check;
        quint32 headerSize;
        quint32 headerHash;
    };

    static quint32 quickHash(QByteArrayView header) { return quint32(qHash(header)); }

    const std::vector<Entry>& index()
    {
        if (!m_index)
        {
            m_index.emplace();
            QFile file(m_path);
            if (file.open(QIODevice::ReadOnly))
                Render::MboxFormat::scan(file, [this](qint64 offset, const QByteArray& header) {
                    if (deletedInThunderbird(header))
                        ++m_deleted;
                    else
                        m_index->push_back({offset, mboxCheckValue(header), quint32(header.size()),
                                            quickHash(header)});
                });
            m_index->shrink_to_fit();
        }
        return *m_index;
    }

    /// The header block the scan found: where it found it while it is still there, else
    /// wherever the message now lies (the file changed since).
    QByteArray header(const Entry& e, const QString& check)
    {
        static thread_local MboxWindow window;
        // A window read before the file last changed is read again before the message is looked for.
        for (const bool again : {false, true})
        {
            if (again)
                window.forget();
            const std::optional<QByteArrayView> header = window.afterLine(m_path, e.offset, e.headerSize);
            if (header && quickHash(*header) == e.headerHash)
                return header->toByteArray();
        }
        const QByteArray message = readMboxChecked(m_path, e.offset, check);
        if (message.isEmpty())
            storeError(QStringLiteral("Items.Item"), QStringLiteral("The message is no longer in \"%1\".").arg(m_path));
        return headerOf(message);
    }

    QString m_path;
    QString m_idPrefix; // the hex of the path once, not once per row
    std::optional<std::vector<Entry>> m_index;
    int m_deleted = 0;
};

QByteArray readHeaderBlock(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray header;
    while (header.size() < 64 * 1024)
    {
        const QByteArray line = file.readLine(64 * 1024);
        if (header.isEmpty() && line.startsWith("From ") && file.pos() == line.size())
            continue; // an mbox separator some tools leave at the top of a saved message
        if (line.isEmpty() || line == "\n" || line == "\r\n")
            break;
        header += line;
    }
    return header;
}

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 256LL * 1024 * 1024)
        return {};
    return file.readAll();
}

/// A saved .eml message, without the mbox separator some tools leave at its top.
QByteArray readEml(const QString& path)
{
    QByteArray bytes = readWhole(path);
    if (bytes.startsWith("From "))
    {
        const qsizetype end = bytes.indexOf('\n');
        bytes.remove(0, end < 0 ? bytes.size() : end + 1);
    }
    return bytes;
}

std::unique_ptr<Outlook::Item> emlItem(const QString& dir, const QString& name, MessageSummary summary)
{
    const QString id = EntryId{EntryId::Kind::Eml, dir, QString::fromLatin1(name.toUtf8().toHex())}.toString();
    const QString path = dir + QLatin1Char('/') + name;
    return std::make_unique<FileMessage>(std::move(summary), id, [path] { return readEml(path); });
}

QString uniqueName(const QString& fileName)
{
    return fileName.section(QLatin1Char(':'), 0, 0);
}

/// The file of a Maildir message now: its flags (and so its name and sub-folder) may have changed.
QString findMaildirFile(const QString& dir, const QString& unique)
{
    for (const char* sub : {"cur", "new"})
    {
        const QDir d(dir + QLatin1Char('/') + QLatin1String(sub));
        if (QFileInfo::exists(d.filePath(unique)))
            return d.filePath(unique);
        const QStringList matches = d.entryList({unique + QStringLiteral(":*")}, QDir::Files);
        if (!matches.isEmpty())
            return d.filePath(matches.first());
    }
    return {};
}

std::unique_ptr<Outlook::Item> maildirItem(const QString& dir, const QString& unique, MessageSummary summary,
                                           const QString& idPrefix)
{
    const QString id = idPrefix + QString::fromLatin1(unique.toUtf8().toHex());
    return std::make_unique<FileMessage>(std::move(summary), id, [dir, unique] {
        const QString file = findMaildirFile(dir, unique);
        return file.isEmpty() ? QByteArray() : readWhole(file);
    });
}

class MaildirSource : public MessageSource
{
public:
    explicit MaildirSource(QString dir)
        : m_dir(std::move(dir)), m_idPrefix(EntryId::prefix(EntryId::Kind::Maildir, m_dir))
    {
    }

    int count() override
    {
        if (!m_files)
        {
            m_files.emplace();
            for (const char* sub : {"cur", "new"})
            {
                const QString folder = m_dir + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/');
                const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
                for (const QString& name : names)
                    if (!name.startsWith(QLatin1Char('.')))
                        m_files->push_back(folder + name);
            }
            // Delivery order: Maildir names begin with the delivery time.
            std::sort(m_files->begin(), m_files->end(), [](const QString& a, const QString& b) {
                return a.section(QLatin1Char('/'), -1) < b.section(QLatin1Char('/'), -1);
            });
        }
        return int(m_files->size());
    }

    std::unique_ptr<Outlook::Item> item(int i) override
    {
        count();
        const QString& path = m_files->at(i);
        if (m_lastIndex != i)
        {
            m_lastSummary = MessageSummary::fromHeader(readHeaderBlock(path));
            m_lastIndex = i;
        }
        return maildirItem(m_dir, uniqueName(path.section(QLatin1Char('/'), -1)), m_lastSummary, m_idPrefix);
    }

private:
    QString m_dir;
    QString m_idPrefix;
    std::optional<std::vector<QString>> m_files;
    int m_lastIndex = -1;
    MessageSummary m_lastSummary;
};

bool isEmlName(const QString& name)
{
    return name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive) && !name.startsWith(QLatin1Char('.'));
}

QStringList sortedEntries(const QDir& dir, QDir::Filters filters);

/// The .eml files of one folder, each one message, in name order.
class EmlSource : public MessageSource
{
public:
    EmlSource(QString dir, QStringList names) : m_dir(std::move(dir)), m_names(std::move(names)) {}

    /// The .eml files of `dir`; null when it holds none.
    static std::shared_ptr<EmlSource> of(const QString& dir)
    {
        QStringList names = sortedEntries(QDir(dir), QDir::Files);
        names.removeIf([](const QString& name) { return !isEmlName(name); });
        return names.isEmpty() ? nullptr : std::make_shared<EmlSource>(dir, names);
    }

    int count() override { return int(m_names.size()); }

    std::unique_ptr<Outlook::Item> item(int i) override
    {
        const QString& name = m_names.at(i);
        return emlItem(m_dir, name, MessageSummary::fromHeader(readHeaderBlock(m_dir + QLatin1Char('/') + name)));
    }

private:
    QString m_dir;
    QStringList m_names;
};

/// A folder whose messages lie in two places: an mbox file and .eml files in its ".sbd" folder.
class JoinedSource : public MessageSource
{
public:
    JoinedSource(std::shared_ptr<MessageSource> first, std::shared_ptr<MessageSource> second)
        : m_first(std::move(first)), m_second(std::move(second))
    {
    }
    int count() override { return m_first->count() + m_second->count(); }
    std::unique_ptr<Outlook::Item> item(int i) override
    {
        const int firstCount = m_first->count();
        return i < firstCount ? m_first->item(i) : m_second->item(i - firstCount);
    }
    int deleted() override { return m_first->deleted() + m_second->deleted(); }

private:
    std::shared_ptr<MessageSource> m_first;
    std::shared_ptr<MessageSource> m_second;
};

std::shared_ptr<MessageSource> joined(std::shared_ptr<MessageSource> first, std::shared_ptr<MessageSource> second)
{
    if (!first || !second)
        return first ? first : second;
    return std::make_shared<JoinedSource>(std::move(first), std::move(second));
}

class FileFolder : public FolderNode
{
public:
    FileFolder(QString name, std::shared_ptr<MessageSource> source)
        : m_name(std::move(name)), m_source(std::move(source))
    {
    }

    QString name() override { return m_name; }
    int folderCount() override { return int(m_children.size()); }
    std::shared_ptr<FolderNode> folder(int index) override { return m_children.at(index); }
    int itemCount() override { return m_source ? m_source->count() : 0; }

    std::unique_ptr<Outlook::Item> item(int index) override
    {
        if (!m_source || index < 0 || index >= m_source->count())
            storeError(QStringLiteral("Items.Item"), QStringLiteral("Array index out of bounds"));
        return m_source->item(index);
    }

    /// Notes on what the walk of this folder and those below it does not list.
    void addNotCovered(const QString& parentPath, QStringList& notes)
    {
        const QString path = parentPath.isEmpty() ? m_name : parentPath + QLatin1Char('/') + m_name;
        if (const int deleted = m_source ? m_source->deleted() : 0)
            notes << (deleted == 1
                          ? QStringLiteral("%1 message of \"%2\" was deleted in Thunderbird and is not listed")
                          : QStringLiteral("%1 messages of \"%2\" were deleted in Thunderbird and are not listed"))
                         .arg(deleted)
                         .arg(path);
        for (const auto& child : m_children)
            child->addNotCovered(path, notes);
    }

    std::vector<std::shared_ptr<FileFolder>> m_children;

private:
    QString m_name;
    std::shared_ptr<MessageSource> m_source;
};

class FileStore : public Store
{
public:
    explicit FileStore(std::shared_ptr<FileFolder> root, QStringList strayFiles = {})
        : m_root(std::move(root)), m_strayFiles(std::move(strayFiles))
    {
    }
    std::shared_ptr<FolderNode> root() override { return m_root; }

    QStringList notCovered() override
    {
        QStringList notes;
        for (const auto& child : m_root->m_children)
            child->addNotCovered(QString(), notes);
        constexpr qsizetype named = 20;
        for (qsizetype i = 0; i < m_strayFiles.size() && i < named; ++i)
            notes << QStringLiteral("\"%1\" is not mail and is not listed").arg(m_strayFiles[i]);
        if (m_strayFiles.size() > named)
            notes << QStringLiteral("%1 more files that are not mail are not listed").arg(m_strayFiles.size() - named);
        return notes;
    }

private:
    std::shared_ptr<FileFolder> m_root;
    QStringList m_strayFiles; ///< relative to the store's folder
};

QStringList sortedEntries(const QDir& dir, QDir::Filters filters)
{
    QStringList names = dir.entryList(filters | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    return names;
}

bool looksLikeMbox(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = file.read(8);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    return head.isEmpty() || head.startsWith("From ");
}

/// Files a mail program keeps beside its mail: its indexes, filters and logs. Hidden files are never mail.
bool isStoreOwnFile(const QString& name)
{
    static const QStringList own = {QStringLiteral("msgFilterRules.dat"), QStringLiteral("popstate.dat"),
                                    QStringLiteral("filterlog.html"),     QStringLiteral("junklog.html"),
                                    QStringLiteral("feeds.json"),         QStringLiteral("feeditems.json"),
                                    QStringLiteral("maildirfolder"),      QStringLiteral("subscriptions")};
    static const QStringList ownPrefixes = {QStringLiteral("dovecot"), QStringLiteral("courierimap"),
                                            QStringLiteral("folders.db")};
    const auto isPrefix = [&](const QString& prefix) { return name.startsWith(prefix); };
    return name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1String(".msf"), Qt::CaseInsensitive) ||
           std::any_of(ownPrefixes.begin(), ownPrefixes.end(), isPrefix) || own.contains(name, Qt::CaseInsensitive);
}

/// The folders of `dirPath`: one per mbox file (subfolders from its ".sbd" folder) and one per folder
/// that holds mail; .eml files are messages of the folder they lie in. Files that are none of these
/// and no mail program's own go to `stray`.
void addTreeChildren(FileFolder& parent, const QString& dirPath, int depth, QStringList& stray)
{
    if (depth > 32)
        return;
    const QDir dir(dirPath);
    const QString sbd = QStringLiteral(".sbd");
    for (const QString& name : sortedEntries(dir, QDir::Files | QDir::Dirs))
    {
        const QString path = dir.filePath(name);
        const bool isDir = QFileInfo(path).isDir();
        std::shared_ptr<MessageSource> source;
        if (!isDir && isEmlName(name))
            continue; // a message of `parent`
        if (!isDir && looksLikeMbox(path))
            source = std::make_shared<MboxSource>(path);
        else if (isDir && name.endsWith(sbd))
        {
            if (QFileInfo(path.chopped(sbd.size())).isFile() && looksLikeMbox(path.chopped(sbd.size())))
                continue; // the subfolders of an mbox file, taken with it
        }
        else if (isDir)
        {
            // A plain folder: a folder of the store when it holds mail.
            auto folder = std::make_shared<FileFolder>(name, EmlSource::of(path));
            QStringList inner;
            addTreeChildren(*folder, path, depth + 1, inner);
            if (folder->itemCount() > 0 || !folder->m_children.empty())
            {
                stray += inner;
                parent.m_children.push_back(folder);
            }
            continue;
        }
        else
        {
            if (!isStoreOwnFile(name))
                stray << path;
            continue;
        }
        const QString folderName = name.endsWith(sbd) ? name.chopped(sbd.size()) : name;
        const QString sbdPath = dir.filePath(folderName + sbd);
        const bool hasSbd = QFileInfo(sbdPath).isDir();
        auto folder =
            std::make_shared<FileFolder>(folderName, joined(source, hasSbd ? EmlSource::of(sbdPath) : nullptr));
        if (hasSbd)
            addTreeChildren(*folder, sbdPath, depth + 1, stray);
        parent.m_children.push_back(folder);
    }
}

bool isMaildir(const QString& path)
{
    // Some writers create cur/ or new/ only when a message first lands there.
    return QFileInfo(path + QStringLiteral("/cur")).isDir() || QFileInfo(path + QStringLiteral("/new")).isDir();
}

bool holdsMaildirs(const QString& path, int depth)
{
    if (depth > 8)
        return false;
    for (const QString& name : sortedEntries(QDir(path), QDir::Dirs))
        if (isMaildir(path + QLatin1Char('/') + name) || holdsMaildirs(path + QLatin1Char('/') + name, depth + 1))
            return true;
    return false;
}

/// Nested Maildir folders: sub-folders that are Maildirs themselves or hold Maildirs.
void addNestedMaildirs(FileFolder& parent, const QString& dirPath, int depth, QStringList& stray)
{
    if (depth > 32)
        return;
    for (const QString& name : sortedEntries(QDir(dirPath), QDir::Files))
        if (!isStoreOwnFile(name))
            stray << dirPath + QLatin1Char('/') + name;
    for (const QString& name : sortedEntries(QDir(dirPath), QDir::Dirs))
    {
        if (name.startsWith(QLatin1Char('.')) || name == QLatin1String("cur") || name == QLatin1String("new") ||
            name == QLatin1String("tmp"))
            continue;
        const QString path = dirPath + QLatin1Char('/') + name;
        const bool own = isMaildir(path);
        if (!own && !holdsMaildirs(path, 0))
            continue;
        auto folder =
            std::make_shared<FileFolder>(decodeFolderName(name), own ? std::make_shared<MaildirSource>(path) : nullptr);
        addNestedMaildirs(*folder, path, depth + 1, stray);
        // KMail keeps a folder's subfolders in ".<name>.directory" beside it.
        const QString kmailChildren = dirPath + QStringLiteral("/.") + name + QStringLiteral(".directory");
        if (QFileInfo(kmailChildren).isDir())
            addNestedMaildirs(*folder, kmailChildren, depth + 1, stray);
        parent.m_children.push_back(folder);
    }
}

/// Maildir++: ".Sent", ".Work.Projects" beside the inbox's own cur/new, nested by the dots.
void addMaildirPlusPlus(FileFolder& root, const QString& dirPath)
{
    std::vector<std::pair<QStringList, QString>> folders;
    for (const QString& name : sortedEntries(QDir(dirPath), QDir::Dirs | QDir::Hidden))
        if (name.size() > 1 && name.startsWith(QLatin1Char('.')) && isMaildir(dirPath + QLatin1Char('/') + name))
        {
            QStringList parts = name.mid(1).split(QLatin1Char('.'));
            for (QString& part : parts)
                part = decodeFolderName(part);
            folders.emplace_back(std::move(parts), dirPath + QLatin1Char('/') + name);
        }
    std::sort(folders.begin(), folders.end());
    for (const auto& [parts, path] : folders)
    {
        FileFolder* parent = &root;
        for (int i = 0; i < parts.size(); ++i)
        {
            const bool last = i == parts.size() - 1;
            std::shared_ptr<FileFolder> next;
            for (const auto& child : parent->m_children)
                if (child->name() == parts[i])
                    next = child;
            if (!next)
            {
                next = std::make_shared<FileFolder>(parts[i], last ? std::make_shared<MaildirSource>(path) : nullptr);
                parent->m_children.push_back(next);
            }
            parent = next.get();
        }
    }
}

/// Notes name files as the user knows them: below the store's folder.
void relativeTo(const QString& base, QStringList& paths)
{
    const QDir dir(base);
    for (QString& path : paths)
        path = dir.relativeFilePath(path);
}

} // namespace

std::shared_ptr<Store> openMboxStore(const QString& path)
{
    const QFileInfo info(path);
    auto root = std::make_shared<FileFolder>(info.fileName(), nullptr);
    QStringList stray;
    if (info.isDir())
    {
        // Messages at the top show in a folder named after the store, as the walk lists no root items.
        if (auto top = EmlSource::of(path))
            root->m_children.push_back(std::make_shared<FileFolder>(info.fileName(), top));
        addTreeChildren(*root, path, 0, stray);
        relativeTo(path, stray);
    }
    else
    {
        // A single file shows as a store holding one folder, so its messages are not root items.
        const QString sbd = path + QStringLiteral(".sbd");
        auto folder = std::make_shared<FileFolder>(info.fileName(),
                                                   joined(std::make_shared<MboxSource>(path), EmlSource::of(sbd)));
        if (QFileInfo(sbd).isDir())
            addTreeChildren(*folder, sbd, 1, stray);
        root->m_children.push_back(folder);
        relativeTo(info.path(), stray);
    }
    return std::make_shared<FileStore>(root, stray);
}

std::shared_ptr<Store> openMaildirStore(const QString& path)
{
    const QFileInfo info(path);
    auto root = std::make_shared<FileFolder>(info.fileName(), nullptr);
    if (isMaildir(path))
    {
        root->m_children.push_back(
            std::make_shared<FileFolder>(QStringLiteral("Inbox"), std::make_shared<MaildirSource>(path)));
        addMaildirPlusPlus(*root, path);
    }
    QStringList stray;
    addNestedMaildirs(*root, path, 0, stray);
    relativeTo(path, stray);
    return std::make_shared<FileStore>(root, stray);
}

bool isMaildirTree(const QString& path)
{
    return isMaildir(path) || holdsMaildirs(path, 0);
}

bool isMboxFile(const QString& path)
{
    return looksLikeMbox(path);
}

bool holdsMail(FolderNode& folder, int depth)
{
    if (depth > 64)
        return false;
    if (folder.itemCount() > 0)
        return true;
    for (int i = 0; i < folder.folderCount(); ++i)
        if (holdsMail(*folder.folder(i), depth + 1))
            return true;
    return false;
}

std::unique_ptr<Outlook::Item> fileItemFromId(const EntryId& id)
{
    if (id.kind == EntryId::Kind::Mbox)
    {
        const qint64 offset = id.locator.section(u'.', 0, 0).toLongLong();
        const QString check = id.locator.section(u'.', 1);
        const QByteArray bytes = readMboxChecked(id.storePath, offset, check);
        if (bytes.isEmpty())
            return nullptr;
        return mboxItem(id.storePath, offset, check, MessageSummary::fromHeader(headerOf(bytes)),
                        EntryId::prefix(id.kind, id.storePath));
    }
    const QString unique = QString::fromUtf8(QByteArray::fromHex(id.locator.toLatin1()));
    if (unique.contains(QLatin1Char('/')) || unique == QLatin1String("..") || unique == QLatin1String("."))
        return nullptr;
    if (id.kind == EntryId::Kind::Eml)
    {
        const QString file = id.storePath + QLatin1Char('/') + unique;
        if (!QFileInfo(file).isFile())
            return nullptr;
        return emlItem(id.storePath, unique, MessageSummary::fromHeader(readHeaderBlock(file)));
    }
    const QString file = findMaildirFile(id.storePath, unique);
    if (file.isEmpty())
        return nullptr;
    return maildirItem(id.storePath, unique, MessageSummary::fromHeader(readHeaderBlock(file)),
                       EntryId::prefix(id.kind, id.storePath));
}

} // namespace MailStore
