#pragma once

#include "Registry.h"
#include "WinePrefix.h"

#include <map>
#include <memory>

/// The registry of a Wine prefix: user.reg for the current user, system.reg for the
/// machine (and its classes), userdef.reg for the default user. A missing prefix is
/// an empty registry. Files are never written; each is parsed again only when it has
/// changed on disk, so a search through many keys reads it once.
class WineRegistry : public Registry
{
public:
    explicit WineRegistry(WinePrefix prefix);
    ~WineRegistry() override;
    std::optional<KeyContents> readKey(quint32 root, const QString& subKey) override;

private:
    struct Cached;
    const RegistryHive& hive(const QString& path);

    WinePrefix m_prefix;
    std::map<QString, std::unique_ptr<Cached>> m_hives;
};
