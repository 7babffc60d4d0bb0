#pragma once

#include "Profile.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <vector>

namespace MailStore
{

/// Finds the mail the desktop's mail programs keep for a user: Thunderbird's accounts,
/// Evolution's and KMail's local mail, the spool mbox and ~/mbox. Reads only the home
/// folder and environment it is given, so a test can point it at a home of its own.
class StoreDiscovery
{
public:
    StoreDiscovery(QString home, QProcessEnvironment environment)
        : m_home(std::move(home)), m_environment(std::move(environment))
    {
    }

    /// The user running the program.
    static StoreDiscovery forUser();

    /// Every store found, each once, Thunderbird's default profile first.
    std::vector<ProfileStore> stores() const;

    /// The stores of the profile file at `profilePath`, as written there; when no file is
    /// there, the stores found. An empty path is no profile: no stores.
    std::vector<ProfileStore> resolve(const QString& profilePath) const;

private:
    QString m_home;
    QProcessEnvironment m_environment;
};

} // namespace MailStore
