#include "Profile.h"

#include <QFile>
#include <QStandardPaths>

namespace MailStore
{

QString Profile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillmark/Vellumtide-profile.txt");
}

QStringList Profile::read(const QString& path)
{
    if (path.isEmpty())
        return {}; // no profile: only stores attached for a listing
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A profile is a handful of lines; anything huge is not one.
    return parse(file.read(1 << 20));
}

QStringList Profile::parse(const QByteArray& text)
{
    QStringList paths;
    for (QByteArray line : text.split('\n'))
    {
        if (line.endsWith('\r'))
            line.chop(1);
        // Trailing blanks are kept: a file name may end in one; leading ones only mark indentation.
        const QString path = QString::fromUtf8(line);
        const QString trimmed = path.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        qsizetype start = 0;
        while (start < path.size() && path.at(start).isSpace())
            ++start;
        paths << path.mid(start);
    }
    return paths;
}

QByteArray Profile::format(const std::vector<ProfileStore>& stores)
{
    QByteArray text;
    for (const ProfileStore& store : stores)
    {
        QString origin = store.origin;
        origin.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text += "# " + origin.toUtf8() + '\n' + store.path.toUtf8() + '\n';
    }
    return text;
}

} // namespace MailStore
