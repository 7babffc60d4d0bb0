#pragma once

#include "KeyedCollection.h"
#include "Registry.h"

#include <QString>

class Dialogs;

/// Reads the registry by path: a root-key name, a backslash and the sub-key path,
/// for example "HKEY_CURRENT_USER\Identities". Never writes.
class modRegistry
{
public:
    modRegistry(Registry& registry, Dialogs& dialogs) : m_registry(registry), m_dialogs(dialogs) {}

    /// The predefined handle of a root-key name (exact letter case), or 0.
    static quint32 RootKeyHandle(const QString& name);
    /// Splits path into its root handle and sub-key (path keeps the sub-key). A path
    /// without the "HKEY_" prefix or with a trailing backslash shows "Incorrect Format:"
    /// and fails.
    bool ParseKeyPath(QString& path, quint32& root);
    /// The names of the key's sub-keys, each keyed by itself; empty when the key cannot be opened.
    KeyedCollection EnumSubKeys(const QString& path);
    /// The key's values converted by type, keyed by value name; empty when the key cannot be opened.
    KeyedCollection EnumValues(const QString& path);

    /// A value's data as the enumeration hands it out: text for strings (unexpanded)
    /// and binary data (one character per byte), a signed number for 32-bit numbers.
    static QVariant convertData(quint32 type, const QByteArray& data);

private:
    std::optional<Registry::KeyContents> openKey(const QString& path);

    Registry& m_registry;
    Dialogs& m_dialogs;
};
