#include "WinePrefix.h"

#include <QDir>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

namespace
{

} // namespace

QString WinePrefix::loginName()
{
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty())
        return user;
    if (const passwd* entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("user");
}

namespace
{

// Appends the components to base, taking an existing entry in another letter case
// where the exact one is missing.
QString resolveComponents(QString base, const QStringList& components)
{
    bool matching = true;
    for (const QString& component : components)
    {
        if (component.isEmpty())
            continue;
        QString next = base + u'/' + component;
        if (matching && !QFileInfo::exists(next))
        {
            const QStringList entries = QDir(base).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            const auto found = std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
                return entry.compare(component, Qt::CaseInsensitive) == 0;
            });
            if (found != entries.end())
                next = base + u'/' + *found;
            else
                matching = false; // nothing deeper exists either
        }
        base = next;
    }
    return base;
}

} // namespace

WinePrefix::WinePrefix(QString folder) : m_folder(std::move(folder)) {}

WinePrefix WinePrefix::fromEnvironment()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return WinePrefix(prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix);
}

QString WinePrefix::profileFolder() const
{
    return m_folder + QStringLiteral("/drive_c/users/") + loginName();
}

QString WinePrefix::toRealPath(const QString& windowsPath) const
{
    QString path = windowsPath;
    path.replace(u'\\', u'/');
    if (path.startsWith(u'/'))
        return path;
    if (path.size() < 2 || path[1] != u':' || !path[0].isLetter() || path[0].unicode() > 0x7f)
        return windowsPath;
    const QString drive = m_folder + QStringLiteral("/dosdevices/") + path[0].toLower() + u':';
    const QFileInfo device(drive);
    if (!device.exists())
        return windowsPath;
    const QString trailing = path.endsWith(u'/') && path.size() > 3 ? QStringLiteral("/") : QString();
    QString real = resolveComponents(device.canonicalFilePath(), path.mid(2).split(u'/', Qt::SkipEmptyParts));
    return real + trailing;
}
