#include "EntryId.h"

#include <QByteArray>
#include <QStringList>

namespace MailStore
{

namespace
{

const char* kindName(EntryId::Kind kind)
{
    switch (kind)
    {
    case EntryId::Kind::Pst:
        return "pst";
    case EntryId::Kind::Mbox:
        return "mbox";
    case EntryId::Kind::Maildir:
        return "maildir";
    case EntryId::Kind::Eml:
        return "eml";
    }
    return "";
}

bool isDecimal(const QString& s)
{
    if (s.isEmpty() || s.size() > 19)
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isHex(const QString& s)
{
    if (s.isEmpty() || s.size() % 2 != 0)
        return false;
    for (QChar c : s)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}

} // namespace

QString EntryId::toString() const
{
    return prefix(kind, storePath) + locator;
}

QString EntryId::prefix(Kind kind, const QString& storePath)
{
    return QStringLiteral("VT1-%1-%2-")
        .arg(QLatin1String(kindName(kind)), QString::fromLatin1(storePath.toUtf8().toHex()));
}

std::optional<EntryId> EntryId::parse(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 4 || parts[0] != QLatin1String("VT1") || !isHex(parts[2]))
        return std::nullopt;
    EntryId id;
    if (parts[1] == QLatin1String("pst"))
        id.kind = Kind::Pst;
    else if (parts[1] == QLatin1String("mbox"))
        id.kind = Kind::Mbox;
    else if (parts[1] == QLatin1String("maildir"))
        id.kind = Kind::Maildir;
    else if (parts[1] == QLatin1String("eml"))
        id.kind = Kind::Eml;
    else
        return std::nullopt;
    const bool locatorOk = id.kind == Kind::Maildir || id.kind == Kind::Eml ? isHex(parts[3])
                           : id.kind == Kind::Mbox
                               ? isDecimal(parts[3].section(u'.', 0, 0)) && parts[3].count(u'.') == 1 &&
                                     parts[3].section(u'.', 1).size() == 16 && isHex(parts[3].section(u'.', 1))
                               : isDecimal(parts[3]);
    if (!locatorOk)
        return std::nullopt;
    id.storePath = QString::fromUtf8(QByteArray::fromHex(parts[2].toLatin1()));
    if (id.storePath.isEmpty() || id.storePath.contains(QChar(0)))
        return std::nullopt;
    id.locator = parts[3];
    return id;
}

} // namespace MailStore
