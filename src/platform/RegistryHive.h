#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

/// One registry file of a Wine prefix ("WINE REGISTRY Version 2" text), read into a
/// tree. Sub-keys enumerate sorted without regard to letter case, values in file order.
class RegistryHive
{
public:
    struct Value
    {
        QString name;     ///< empty for the default value ("@")
        quint32 type = 0; ///< 1 string, 2 expandable string, 3 binary, 4 32-bit number, ...
        QByteArray data;  ///< as the system stores it: strings are UTF-16LE with their NUL
    };

    struct Key
    {
        QString name;
        std::map<QString, std::unique_ptr<Key>> subKeys; ///< by upper-case name
        QList<Value> values;
    };

    /// Reads the text; lines it cannot make sense of are skipped. Text without the
    /// version line is no registry file and gives an empty tree.
    static RegistryHive parse(const QByteArray& text);

    /// The key at a backslash-separated path, letter case ignored; "" is the root.
    const Key* find(const QString& path) const;

    /// Sub-key names in enumeration order.
    static QStringList subKeyNames(const Key& key);

    const Key& root() const { return m_root; }

private:
    Key* findOrCreate(const QStringList& components);

    Key m_root;
};
