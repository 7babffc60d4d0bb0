#pragma once

#include "Profile.h"

#include <QByteArray>
#include <vector>

namespace MailStore
{

/// Thunderbird's list of profiles (profiles.ini).
class ThunderbirdProfiles
{
public:
    /// The profile folders `ini` lists, each with the profile's name as its origin, the default
    /// first: the installation's, else the one marked Default=1. Relative ones lie under `base`.
    static std::vector<ProfileStore> read(const QByteArray& ini, const QString& base);
};

} // namespace MailStore
