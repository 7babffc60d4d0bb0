#include "DBXFiles.h"

#include "AppError.h"
#include "FileUtilities.h"
#include "modRegistry.h"

#include <QDir>
#include <optional>

namespace
{

const QString kIdentities = QStringLiteral("HKEY_CURRENT_USER\\Identities");
const QString kProfiles =
    QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");

} // namespace

bool IsBlankText(const QString& text)
{
    return QString(text).remove(QChar(0)).trimmed().isEmpty();
}

QStringList DBXFiles::GetStoreFolder()
{
    try
    {
        QStringList identities;
        const KeyedCollection names = m_registry.EnumSubKeys(kIdentities);
        for (int i = 1; i <= names.count(); ++i)
        {
            const QString name = names.item(i).toString();
            if (!IsBlankText(name))
                identities.append(name);
        }
        if (identities.isEmpty())
            throw AppError(kFailure, QString(), QString());

        // Replaced before the path is resolved, so its letter case is matched on disk like
        // the rest of a drive path.
        std::optional<QString> profile;
        QStringList folders;
        for (const QString& identity : identities)
        {
            // An identity that never used Outlook Express has no store: it is skipped
            // and the identities after it are still read.
            const QString expressKey =
                kIdentities + u'\\' + identity + QStringLiteral("\\Software\\Microsoft\\Outlook Express");
            const KeyedCollection versions = m_registry.EnumSubKeys(expressKey);
            if (versions.count() == 0)
                continue;
            const KeyedCollection values = m_registry.EnumValues(expressKey + u'\\' + versions.item(1).toString());
            if (values.count() == 0)
                continue;
            QString folder = values.item(QStringLiteral("Store Root")).toString();
            if (folder.contains(QStringLiteral("%UserProfile%")))
            {
                if (!profile)
                    profile = windowsProfileFolder();
                folder.replace(QStringLiteral("%UserProfile%"), *profile);
            }
            folder = m_prefix.toRealPath(folder);
            // Without a separator the folder would be taken as a prefix of file names.
            if (folder.startsWith(u'/') && !folder.endsWith(u'/'))
                folder.append(u'/');
            folders.append(folder);
        }
        folders.append(QString());
        return folders;
    }
    catch (...)
    {
        throw AppError(kFailure, QStringLiteral("Vellumtide.DBXFiles.GetStoreFolder"),
                       QStringLiteral("DBXFiles component failure"));
    }
}

QStringList DBXFiles::GetDBXFilesInPath(const QString& folder)
{
    QStringList files;
    // Only a real folder: a relative text would list whatever folder we happen to be in.
    if (!folder.startsWith(u'/'))
        return files;
    const QString directory = FileUtilities::FolderPart(folder);
    const QString pattern = folder.mid(directory.size()) + QStringLiteral("*.dbx");
    for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
    {
        if (!FileUtilities::MatchesWildcard(name, pattern, Qt::CaseInsensitive) || IsExcludedStoreFile(name))
            continue;
        files.append(directory + name);
    }
    if (!files.isEmpty())
        files.append(QString());
    return files;
}

QString DBXFiles::windowsProfileFolder()
{
    // The profile Wine made for the user is named in the machine's profile list (user
    // accounts are S-1-5-21-...); a prefix without one uses the login name.
    const KeyedCollection users = m_registry.EnumSubKeys(kProfiles);
    for (int i = 1; i <= users.count(); ++i)
    {
        const QString sid = users.item(i).toString();
        if (!sid.startsWith(QStringLiteral("S-1-5-21-")))
            continue;
        const KeyedCollection values = m_registry.EnumValues(kProfiles + u'\\' + sid);
        const QString path = values.contains(QStringLiteral("ProfileImagePath"))
                                 ? values.item(QStringLiteral("ProfileImagePath")).toString()
                                 : QString();
        if (!IsBlankText(path))
            return QString(path).replace(QStringLiteral("%SystemDrive%"), QStringLiteral("C:"), Qt::CaseInsensitive);
    }
    return QStringLiteral("C:\\users\\") + WinePrefix::loginName();
}

bool DBXFiles::IsExcludedStoreFile(const QString& name)
{
    const QString lower = name.toLower();
    return lower == u"folders.dbx" || lower == u"pop3uidl.dbx";
}
