#include "ThunderbirdProfiles.h"

#include <QMap>
#include <algorithm>

namespace MailStore
{

namespace
{

struct IniSection
{
    QString name;
    QMap<QString, QString> values;
};

/// Sections of an INI text in file order; keys keep their letter case, as Thunderbird writes them.
std::vector<IniSection> parseIni(const QByteArray& text)
{
    std::vector<IniSection> sections;
    for (const QByteArray& raw : text.split('\n'))
    {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            sections.push_back({line.mid(1, line.size() - 2).trimmed(), {}});
        else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0 && !sections.empty())
            sections.back().values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return sections;
}

} // namespace

std::vector<ProfileStore> ThunderbirdProfiles::read(const QByteArray& ini, const QString& base)
{
    const std::vector<IniSection> sections = parseIni(ini);
    QStringList installDefaults;
    for (const IniSection& section : sections)
        if (section.name.startsWith(QLatin1String("Install")) && !section.values.value("Default").isEmpty())
            installDefaults << section.values.value("Default");
    std::vector<std::pair<int, ProfileStore>> ranked;
    for (const IniSection& section : sections)
    {
        const QString path = section.values.value("Path");
        if (!section.name.startsWith(QLatin1String("Profile")) || path.isEmpty())
            continue;
        const bool relative = section.values.value("IsRelative", "1") != QLatin1String("0");
        // The installation's default is the profile Thunderbird opens; Default=1 is the older mark.
        const int rank = installDefaults.contains(path)                          ? 0
                         : section.values.value("Default") == QLatin1String("1") ? 1
                                                                                 : 2;
        ranked.push_back({rank, {relative ? base + QLatin1Char('/') + path : path, section.values.value("Name")}});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ProfileStore> profiles;
    for (auto& [rank, profile] : ranked)
        profiles.push_back(std::move(profile));
    return profiles;
}

} // namespace MailStore
