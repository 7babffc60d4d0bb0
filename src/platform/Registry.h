#pragma once

#include "RegistryHive.h"

#include <QString>
#include <optional>

/// The system registry, read only. Roots are the predefined handles (0x80000000 and up).
class Registry
{
public:
    struct KeyContents
    {
        QStringList subKeys; ///< in enumeration order
        QList<RegistryHive::Value> values;
    };

    virtual ~Registry() = default;
    /// The sub-keys and values of subKey under root; nothing when the key cannot be opened.
    virtual std::optional<KeyContents> readKey(quint32 root, const QString& subKey) = 0;
};
