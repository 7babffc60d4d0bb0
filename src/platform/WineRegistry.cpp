#include "WineRegistry.h"

#include <QFile>
#include <sys/stat.h>

struct WineRegistry::Cached
{
    // What tells a changed file: Wine writes a new file and renames it over the old one.
    struct Signature
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified = {};

        bool operator==(const Signature& other) const
        {
            return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
                   modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
        }
    };

    static Signature signatureOf(const QString& path)
    {
        Signature signature;
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            return signature;
        signature = {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
        return signature;
    }

    Signature signature;
    RegistryHive hive;
};

WineRegistry::WineRegistry(WinePrefix prefix) : m_prefix(std::move(prefix)) {}

WineRegistry::~WineRegistry() = default;

const RegistryHive& WineRegistry::hive(const QString& path)
{
    std::unique_ptr<Cached>& cached = m_hives[path];
    const Cached::Signature now = Cached::signatureOf(path);
    if (cached && cached->signature == now)
        return cached->hive;
    cached = std::make_unique<Cached>();
    cached->signature = now;
    QFile file(path);
    if (now.exists && file.open(QIODevice::ReadOnly))
        cached->hive = RegistryHive::parse(file.readAll());
    return cached->hive;
}

std::optional<Registry::KeyContents> WineRegistry::readKey(quint32 root, const QString& subKey)
{
    QString file;
    QString path = subKey;
    switch (root)
    {
    case 0x80000000: // classes root: the machine's classes
        file = QStringLiteral("system.reg");
        path = QStringLiteral("Software\\Classes\\") + subKey;
        break;
    case 0x80000001:
        file = QStringLiteral("user.reg");
        break;
    case 0x80000002:
        file = QStringLiteral("system.reg");
        break;
    case 0x80000003: // users: only the default user is kept in a prefix
        if (subKey.isEmpty())
        {
            if (!QFile::exists(m_prefix.folder() + QStringLiteral("/userdef.reg")))
                return std::nullopt;
            return KeyContents{{QStringLiteral(".Default")}, {}};
        }
        if (!subKey.startsWith(QStringLiteral(".Default"), Qt::CaseInsensitive) ||
            (subKey.size() > 8 && subKey[8] != u'\\'))
            return std::nullopt;
        file = QStringLiteral("userdef.reg");
        path = subKey.mid(8);
        break;
    default:
        return std::nullopt;
    }
    const RegistryHive::Key* key = hive(m_prefix.folder() + u'/' + file).find(path);
    if (!key)
        return std::nullopt;
    return KeyContents{RegistryHive::subKeyNames(*key), key->values};
}
