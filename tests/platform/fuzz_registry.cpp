// Feeds arbitrary bytes to the registry file reader and walks the tree it builds.

#include "RegistryHive.h"
#include "modRegistry.h"

#include <cstddef>
#include <cstdint>

namespace
{

size_t walk(const RegistryHive::Key& key)
{
    size_t total = 0;
    for (const RegistryHive::Value& value : key.values)
        total += modRegistry::convertData(value.type, value.data).toString().size();
    for (const auto& entry : key.subKeys)
        total += 1 + walk(*entry.second);
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Most inputs would stop at the version line; give half of them one.
    if (size > 0 && (data[0] & 1))
        text.prepend("WINE REGISTRY Version 2\n");
    const RegistryHive hive = RegistryHive::parse(text);
    (void)walk(hive.root());
    (void)hive.find(QStringLiteral("Identities\\x"));
    return 0;
}
