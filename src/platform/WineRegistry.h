#pragma once

#include "Registry.h"
#include "WinePrefix.h"

/// The registry of a Wine prefix: user.reg for the current user, system.reg for the
/// machine (and its classes), userdef.reg for the default user. A missing prefix is
/// an empty registry. Files are read on every call and never written.
class WineRegistry : public Registry
{
public:
    explicit WineRegistry(WinePrefix prefix);
    std::optional<KeyContents> readKey(quint32 root, const QString& subKey) override;

private:
    WinePrefix m_prefix;
};
