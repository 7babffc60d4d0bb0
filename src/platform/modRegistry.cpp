#include "modRegistry.h"

#include "Dialogs.h"
#include "Registry.h"

#include <array>
#include <utility>

namespace
{

constexpr std::array<std::pair<const char16_t*, quint32>, 7> kRoots{{
    {u"HKEY_CLASSES_ROOT", 0x80000000},
    {u"HKEY_CURRENT_USER", 0x80000001},
    {u"HKEY_LOCAL_MACHINE", 0x80000002},
    {u"HKEY_USERS", 0x80000003},
    {u"HKEY_PERFORMANCE_DATA", 0x80000004},
    {u"HKEY_CURRENT_CONFIG", 0x80000005},
    {u"HKEY_DYN_DATA", 0x80000006},
}};

} // namespace

quint32 modRegistry::RootKeyHandle(const QString& name)
{
    for (const auto& [rootName, handle] : kRoots)
    {
        if (name == QStringView(rootName))
            return handle;
    }
    return 0;
}

bool modRegistry::ParseKeyPath(QString& path, quint32& root)
{
    root = 0;
    if (!path.startsWith(QStringLiteral("HKEY_")) || path.endsWith(u'\\'))
    {
        m_dialogs.message(QStringLiteral("Incorrect Format:\n\n") + path, QString(), Dialogs::Icon::None);
        return false;
    }
    const qsizetype backslash = path.indexOf(u'\\');
    if (backslash < 0)
    {
        root = RootKeyHandle(path);
        path.clear();
        return true;
    }
    root = RootKeyHandle(path.left(backslash));
    path = path.mid(backslash + 1);
    return true;
}

std::optional<Registry::KeyContents> modRegistry::openKey(const QString& path)
{
    QString subKey = path;
    quint32 root = 0;
    if (!ParseKeyPath(subKey, root) || root == 0)
        return std::nullopt;
    return m_registry.readKey(root, subKey);
}

KeyedCollection modRegistry::EnumSubKeys(const QString& path)
{
    KeyedCollection result;
    if (const std::optional<Registry::KeyContents> key = openKey(path))
    {
        for (const QString& name : key->subKeys)
            result.add(name, name);
    }
    return result;
}

KeyedCollection modRegistry::EnumValues(const QString& path)
{
    KeyedCollection result;
    if (const std::optional<Registry::KeyContents> key = openKey(path))
    {
        for (const RegistryHive::Value& value : key->values)
            result.add(convertData(value.type, value.data), value.name);
    }
    return result;
}

QVariant modRegistry::convertData(quint32 type, const QByteArray& data)
{
    switch (type)
    {
    case 1:
    case 2: {
        // Stored with a terminating NUL, which the text leaves out.
        QString text;
        const qsizetype units = data.size() / 2;
        text.reserve(units);
        for (qsizetype i = 0; i < units; ++i)
            text.append(QChar(
                static_cast<char16_t>(static_cast<uchar>(data[2 * i]) | (static_cast<uchar>(data[2 * i + 1]) << 8))));
        if (text.endsWith(QChar(0)))
            text.chop(1);
        return text;
    }
    case 4: {
        quint32 number = 0;
        for (int i = 0; i < 4 && i < data.size(); ++i)
            number |= static_cast<quint32>(static_cast<uchar>(data[i])) << (8 * i);
        return static_cast<qint32>(number);
    }
    default:
        return QString::fromLatin1(data); // one character per byte
    }
}
