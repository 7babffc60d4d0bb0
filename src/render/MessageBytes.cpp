#include "MessageBytes.h"

#include <QRegularExpression>

namespace Render
{

namespace
{

// The line starting at `pos`, without its line break; `next` gets the start of the following line.
QByteArrayView lineAt(const QByteArray& bytes, qsizetype pos, qsizetype& next)
{
    qsizetype end = bytes.indexOf('\n', pos);
    next = end < 0 ? bytes.size() : end + 1;
    if (end < 0)
        end = bytes.size();
    qsizetype stop = end;
    if (stop > pos && bytes.at(stop - 1) == '\r')
        --stop;
    return QByteArrayView(bytes.constData() + pos, stop - pos);
}

bool isBlank(QByteArrayView line)
{
    for (char c : line)
        if (c != ' ' && c != '\t' && c != '\0')
            return false;
    return true;
}

// "Name:" with a name of printable ASCII; some senders put blanks before the colon.
bool isHeaderLine(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] > 32 && line[i] < 127 && line[i] != ':')
        ++i;
    if (i == 0)
        return false;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return i < line.size() && line[i] == ':';
}

bool isMboxSeparator(QByteArrayView line)
{
    static const QRegularExpression re(QStringLiteral(R"(^From \S+.*\d:\d\d)"));
    return line.startsWith("From ") && re.match(QString::fromLatin1(line)).hasMatch();
}

qsizetype skipPreamble(const QByteArray& raw)
{
    qsizetype pos = raw.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    qsizetype next = 0;
    if (isMboxSeparator(lineAt(raw, pos, next)))
        pos = next;
    return pos;
}

QByteArray decodeWordPayload(const QByteArray& encoding, const QByteArray& payload)
{
    if (encoding == "B" || encoding == "b")
        return QByteArray::fromBase64(payload);
    QByteArray bytes;
    for (qsizetype i = 0; i < payload.size(); ++i)
    {
        const char c = payload[i];
        if (c == '=' && i + 2 < payload.size())
        {
            bool ok = false;
            const int value = payload.mid(i + 1, 2).toInt(&ok, 16);
            if (ok)
            {
                bytes += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        bytes += c == '_' ? ' ' : c;
    }
    return bytes;
}

// Mailers cut long text into encoded words of one charset wherever the line ends, often
// inside a multibyte character: decoded one by one, each half is garbage. Joining their
// bytes into one word first keeps the character whole.
QByteArray joinEncodedWords(const QByteArray& header)
{
    static const QRegularExpression word(QStringLiteral(R"(=\?([^?\s]+)\?([BbQq])\?([^?\s]*)\?=)"));
    // Some mailers write the words of one text with no blank between them.
    static const QRegularExpression gap(QStringLiteral(R"(^(?:(?:\r?\n)?[ \t]+)?$)"));
    const QString text = QString::fromLatin1(header);
    QString result;
    qsizetype copied = 0;
    auto it = word.globalMatch(text);
    QRegularExpressionMatch runStart;
    QRegularExpressionMatch last;
    QByteArray runBytes;
    int runLength = 0;
    auto closeRun = [&] {
        if (runLength >= 2)
        {
            result += text.mid(copied, runStart.capturedStart() - copied);
            result += QStringLiteral("=?%1?B?%2?=").arg(runStart.captured(1), QString::fromLatin1(runBytes.toBase64()));
            copied = last.capturedEnd();
        }
        runLength = 0;
        runBytes.clear();
    };
    while (it.hasNext())
    {
        const QRegularExpressionMatch m = it.next();
        const QString charset = m.captured(1).section(u'*', 0, 0);
        const bool adjacent =
            runLength > 0 && charset.compare(runStart.captured(1).section(u'*', 0, 0), Qt::CaseInsensitive) == 0 &&
            gap.match(text.mid(last.capturedEnd(), m.capturedStart() - last.capturedEnd())).hasMatch();
        if (!adjacent)
        {
            closeRun();
            runStart = m;
        }
        runBytes += decodeWordPayload(m.captured(2).toLatin1(), m.captured(3).toLatin1());
        ++runLength;
        last = m;
    }
    closeRun();
    if (copied == 0)
        return header;
    result += text.mid(copied);
    return result.toLatin1();
}

void collectBoundaries(QByteArrayView text, QList<QByteArray>& boundaries)
{
    static const QRegularExpression re(QStringLiteral(R"re(boundary\s*=\s*(?:"([^"]+)"|([^\s;"]+)))re"),
                                       QRegularExpression::CaseInsensitiveOption);
    if (!text.contains("oundary"))
        return;
    for (auto it = re.globalMatch(QString::fromLatin1(text)); it.hasNext();)
    {
        const QRegularExpressionMatch m = it.next();
        const QByteArray boundary = (m.captured(1) + m.captured(2)).toLatin1();
        if (!boundaries.contains(boundary))
            boundaries << boundary;
    }
}

bool opensPart(QByteArrayView line, const QList<QByteArray>& boundaries)
{
    if (!line.startsWith("--"))
        return false;
    for (const QByteArray& b : boundaries)
        if (line.size() >= b.size() + 2 && line.sliced(2, b.size()) == b && isBlank(line.sliced(b.size() + 2)))
            return true;
    return false;
}

// A part whose header lines run straight into its data gets the blank line it lacks, where
// the first line that is no header starts: else the parser takes the data for header and drops it.
QByteArray separatePartHeaders(const QByteArray& header, const QByteArray& body)
{
    QList<QByteArray> boundaries;
    collectBoundaries(header, boundaries);
    if (boundaries.isEmpty())
        return body;
    std::vector<qsizetype> missing;
    bool inHeader = false;
    bool seenHeader = false;
    for (qsizetype pos = 0, next = 0; pos < body.size(); pos = next)
    {
        const QByteArrayView line = lineAt(body, pos, next);
        if (inHeader)
        {
            if (isHeaderLine(line) || (seenHeader && (line.startsWith(' ') || line.startsWith('\t'))))
            {
                seenHeader = true;
                collectBoundaries(line, boundaries);
                continue;
            }
            inHeader = false;
            if (isBlank(line))
                continue;
            if (seenHeader)
                missing.push_back(pos);
        }
        inHeader = opensPart(line, boundaries);
        seenHeader = false;
    }
    if (missing.empty())
        return body;
    QByteArray out;
    out.reserve(body.size() + 2 * qsizetype(missing.size()));
    qsizetype copied = 0;
    for (qsizetype at : missing)
    {
        out += QByteArrayView(body).sliced(copied, at - copied);
        out += "\r\n";
        copied = at;
    }
    out += QByteArrayView(body).sliced(copied);
    return out;
}

} // namespace

PreparedMessage prepareMessage(const QByteArray& raw)
{
    PreparedMessage result;
    const qsizetype start = skipPreamble(raw);
    qsizetype next = 0;
    const QByteArrayView first = lineAt(raw, start, next);
    if (start < raw.size() && !first.isEmpty() && !isHeaderLine(first))
    {
        result.noHeader = true;
        result.bytes = raw.mid(start);
        return result;
    }

    QByteArray header;
    qsizetype pos = start;
    bool inHeader = false; // a continuation line belongs to the header before it
    while (pos < raw.size())
    {
        const QByteArrayView line = lineAt(raw, pos, next);
        if (isBlank(line))
        {
            header += "\r\n";
            pos = next;
            break;
        }
        const QByteArrayView whole(raw.constData() + pos, next - pos);
        const bool continuation = line[0] == ' ' || line[0] == '\t';
        if (isHeaderLine(line) || (continuation && inHeader))
        {
            inHeader = true;
            header += whole;
        }
        else
        {
            inHeader = false;
            result.stray += whole;
        }
        pos = next;
    }
    // A NUL would end the value for a C parser: keep the rest of it readable.
    header.replace('\0', ' ');
    header = joinEncodedWords(header);
    result.bytes = header + separatePartHeaders(header, raw.mid(pos));
    return result;
}

} // namespace Render
