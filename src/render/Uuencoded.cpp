#include "Uuencoded.h"

#include <QRegularExpression>

namespace Render
{

namespace
{

// One line of uuencode: a length character, then four characters for every three bytes.
// False when the line is no such line.
bool decodeLine(QStringView line, QByteArray& out)
{
    if (line.isEmpty())
        return true;
    auto value = [](QChar c) { return (c.unicode() - 32) & 63; };
    for (QChar c : line)
        if (c.unicode() < 32 || c.unicode() > 96)
            return false;
    const int length = value(line[0]);
    qsizetype pos = 1;
    for (int written = 0; written < length; pos += 4)
    {
        int group = 0;
        for (int i = 0; i < 4; ++i)
            group = group << 6 | (pos + i < line.size() ? value(line[pos + i]) : 0);
        for (int shift = 16; shift >= 0 && written < length; shift -= 8, ++written)
            out += char(group >> shift & 0xff);
    }
    return true;
}

} // namespace

Uuencoded Uuencoded::split(const QString& text)
{
    Uuencoded result;
    static const QRegularExpression begin(QStringLiteral(R"(^begin [0-7]{3,4} +(\S[^\r\n]*?)\r?$)"),
                                          QRegularExpression::MultilineOption);
    qsizetype copied = 0;
    qsizetype from = 0;
    while (true)
    {
        const QRegularExpressionMatch m = begin.match(text, from);
        if (!m.hasMatch())
            break;
        qsizetype pos = m.capturedEnd() + 1;
        QByteArray content;
        bool ended = false;
        bool valid = true;
        while (pos <= text.size() && valid)
        {
            qsizetype end = text.indexOf(u'\n', pos);
            if (end < 0)
                end = text.size();
            QStringView line = QStringView(text).sliced(pos, end - pos);
            if (line.endsWith(u'\r'))
                line.chop(1);
            pos = end + 1;
            if (line == u"end")
            {
                ended = true;
                break;
            }
            valid = decodeLine(line, content);
        }
        if (!ended)
        {
            from = m.capturedEnd();
            continue;
        }
        result.texts << text.mid(copied, m.capturedStart() - copied);
        result.files.push_back({m.captured(1), content});
        copied = from = qMin(pos, text.size());
    }
    result.texts << text.mid(copied);
    return result;
}

} // namespace Render
