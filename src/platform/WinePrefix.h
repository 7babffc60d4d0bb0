#pragma once

#include <QString>

/// The user's Wine prefix: where its registry files and Windows drives live.
class WinePrefix
{
public:
    explicit WinePrefix(QString folder);
    /// $WINEPREFIX, or ~/.wine when it is not set.
    static WinePrefix fromEnvironment();

    const QString& folder() const { return m_folder; }
    /// The Windows profile folder of the current user when the registry names none:
    /// drive_c/users/<login name>.
    QString profileFolder() const;
    /// The user's login name, as Wine names the profile folder it makes.
    static QString loginName();
    /// A Windows path as a real one: "X:\..." through dosdevices, backslashes as slashes,
    /// each missing component matched without regard to letter case as Windows does.
    /// An absolute POSIX path keeps its text (backslashes turned to slashes); anything
    /// else is not a path and comes back unchanged.
    QString toRealPath(const QString& windowsPath) const;

private:
    QString m_folder;
};
