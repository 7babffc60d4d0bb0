#include "WineRegistry.h"

#include <QFile>

namespace
{

RegistryHive readHive(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return RegistryHive::parse(file.readAll());
}

} // namespace

WineRegistry::WineRegistry(WinePrefix prefix) : m_prefix(std::move(prefix)) {}

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
    const RegistryHive hive = readHive(m_prefix.folder() + u'/' + file);
    const RegistryHive::Key* key = hive.find(path);
    if (!key)
        return std::nullopt;
    return KeyContents{RegistryHive::subKeyNames(*key), key->values};
}
