#include "StoreDiscovery.h"

#include "Profile.h"
#include "StoreNode.h"
#include "ThunderbirdProfiles.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace MailStore
{

namespace
{

QStringList sortedSubfolders(const QString& path)
{
    QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    return names;
}

} // namespace

StoreDiscovery StoreDiscovery::forUser()
{
    return StoreDiscovery(QDir::homePath(), QProcessEnvironment::systemEnvironment());
}

std::vector<ProfileStore> StoreDiscovery::stores() const
{
    std::vector<ProfileStore> found;
    QStringList seen;
    const auto add = [&](const QString& path, const QString& origin) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        // A line break cannot be written in the profile file's format.
        if (canonical.isEmpty() || seen.contains(canonical) || path.contains(QLatin1Char('\n')))
            return;
        seen << canonical;
        found.push_back({QDir::cleanPath(path), origin});
    };

    // Thunderbird: installed from the distribution, from Flathub, from the Snap Store.
    for (const char* place :
         {".thunderbird", ".var/app/org.mozilla.Thunderbird/.thunderbird", "snap/thunderbird/common/.thunderbird"})
    {
        const QString base = m_home + QLatin1Char('/') + QLatin1String(place);
        QFile ini(base + QStringLiteral("/profiles.ini"));
        if (!ini.open(QIODevice::ReadOnly))
            continue;
        for (const ProfileStore& profile : ThunderbirdProfiles::read(ini.read(1 << 20), base))
            for (const char* kind : {"Mail", "ImapMail"})
            {
                const QString accounts = profile.path + QLatin1Char('/') + QLatin1String(kind);
                for (const QString& account : sortedSubfolders(accounts))
                    add(accounts + QLatin1Char('/') + account,
                        QStringLiteral("Thunderbird profile \"%1\", account folder \"%2\"")
                            .arg(profile.origin, account));
            }
    }

    const QString dataHome =
        m_environment.value(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/.local/share"));
    const QString evolution = dataHome + QStringLiteral("/evolution/mail/local");
    if (isMaildirTree(evolution))
        add(evolution, QStringLiteral("Evolution's local mail"));
    const QString kmail = dataHome + QStringLiteral("/local-mail");
    if (isMaildirTree(kmail))
        add(kmail, QStringLiteral("KMail's local mail"));

    const QString spool = m_environment.value(QStringLiteral("MAIL"));
    if (!spool.isEmpty() && QFileInfo(spool).isFile())
        add(spool, QStringLiteral("the mail spool ($MAIL)"));
    if (QFileInfo(m_home + QStringLiteral("/mbox")).isFile())
        add(m_home + QStringLiteral("/mbox"), QStringLiteral("the mbox in the home folder"));
    return found;
}

std::vector<ProfileStore> StoreDiscovery::resolve(const QString& profilePath) const
{
    if (profilePath.isEmpty())
        return {}; // no profile: only stores attached for a listing
    if (!QFileInfo::exists(profilePath))
        return stores();
    std::vector<ProfileStore> written;
    for (const QString& path : Profile::read(profilePath))
        written.push_back({path, QStringLiteral("the profile file %1").arg(profilePath)});
    return written;
}

} // namespace MailStore
