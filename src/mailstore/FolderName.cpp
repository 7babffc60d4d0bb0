#include "FolderName.h"

#include <QByteArray>

namespace MailStore
{

namespace
{

bool isBase64Letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == ',';
}

} // namespace

QString decodeFolderName(const QString& name)
{
    if (!name.contains(u'&'))
        return name;
    QString decoded;
    decoded.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
    {
        if (name[i] != u'&')
        {
            decoded += name[i];
            continue;
        }
        const qsizetype end = name.indexOf(u'-', i + 1);
        if (end < 0)
            return name;
        if (end == i + 1)
        {
            decoded += u'&'; // "&-" is a literal "&"
            i = end;
            continue;
        }
        QByteArray letters = name.mid(i + 1, end - i - 1).toLatin1();
        for (char c : letters)
            if (!isBase64Letter(c))
                return name;
        letters.replace(',', '/');
        const QByteArray utf16 = QByteArray::fromBase64(letters);
        if (utf16.isEmpty() || utf16.size() % 2 != 0)
            return name;
        for (qsizetype j = 0; j < utf16.size(); j += 2)
            decoded += QChar(char16_t((uchar(utf16[j]) << 8) | uchar(utf16[j + 1])));
        i = end;
    }
    return decoded.isValidUtf16() ? decoded : name;
}

} // namespace MailStore
