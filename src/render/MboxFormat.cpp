#include "MboxFormat.h"

#include <optional>

namespace Render
{

namespace
{

struct Line
{
    QByteArray bytes;
    qint64 offset = 0;
    bool startsLine = true;
};

// Lines as read by QIODevice::readLine, keeping the '\n', with one line of look-ahead;
// long lines arrive in pieces, and only a piece that starts a line can be a "From " line.
class LineReader
{
public:
    explicit LineReader(QIODevice& in) : m_in(in) {}

    /// False at the end of the file.
    bool next(Line& line)
    {
        if (m_peeked)
        {
            line = std::move(*m_peeked);
            m_peeked.reset();
            return true;
        }
        line.offset = m_in.pos();
        line.startsLine = m_atLineStart;
        // Into a reused buffer: readLine(max) would allocate the maximum for every line.
        const qint64 got = m_in.readLine(m_buffer.data(), m_buffer.size());
        if (got <= 0)
            return false;
        line.bytes = QByteArray(m_buffer.constData(), qsizetype(got));
        m_atLineStart = line.bytes.endsWith('\n');
        // Some writers put a UTF-8 byte order mark before the first "From ".
        if (line.offset == 0 && line.bytes.startsWith("\xEF\xBB\xBF"))
            line.bytes.remove(0, 3);
        return true;
    }

    const Line* peek()
    {
        if (!m_peeked)
        {
            Line line;
            if (!next(line))
                return nullptr;
            m_peeked = std::move(line);
        }
        return &*m_peeked;
    }

private:
    QIODevice& m_in;
    QByteArray m_buffer = QByteArray(64 * 1024 + 1, Qt::Uninitialized);
    bool m_atLineStart = true;
    std::optional<Line> m_peeked;
};

bool looksLikeHeaderField(const QByteArray& line)
{
    qsizetype i = 0;
    while (i < line.size() && line.at(i) > ' ' && line.at(i) < 127 && line.at(i) != ':')
        ++i;
    return i > 0 && i < line.size() && line.at(i) == ':';
}

/// A "From " line starts a message only when a header field follows it, so an unescaped
/// "From " at the start of a body line stays in the body.
bool startsMessage(const Line& line, LineReader& reader)
{
    if (!line.startsLine || !line.bytes.startsWith("From ") || !line.bytes.endsWith('\n'))
        return false;
    const Line* next = reader.peek();
    return next && looksLikeHeaderField(next->bytes);
}

bool isBlank(const QByteArray& line)
{
    return line == "\n" || line == "\r\n";
}

} // namespace

void MboxFormat::scan(QIODevice& in, const std::function<void(qint64, const QByteArray&)>& found, qsizetype maxHeader)
{
    LineReader reader(in);
    Line line;
    qint64 messageOffset = -1;
    QByteArray header;
    bool inHeader = false;
    while (reader.next(line))
    {
        if (startsMessage(line, reader))
        {
            if (messageOffset >= 0)
                found(messageOffset, header);
            messageOffset = line.offset;
            header.clear();
            inHeader = true;
            continue;
        }
        if (!inHeader)
            continue;
        if (line.startsLine && isBlank(line.bytes))
            inHeader = false;
        else if (header.size() < maxHeader)
            header += line.bytes.left(maxHeader - header.size());
    }
    if (messageOffset >= 0)
        found(messageOffset, header);
}

QByteArray MboxFormat::readMessage(QIODevice& in, qint64 offset, qint64 maxSize)
{
    if (offset < 0 || !in.seek(offset))
        return {};
    LineReader reader(in);
    Line line;
    if (!reader.next(line) || (offset != 0 && line.bytes.startsWith("\xEF\xBB\xBF")) || !startsMessage(line, reader))
        return {};
    QByteArray message;
    while (reader.next(line))
    {
        if (startsMessage(line, reader))
            break;
        if (line.startsLine && line.bytes.startsWith('>'))
        {
            qsizetype quotes = 0;
            while (quotes < line.bytes.size() && line.bytes.at(quotes) == '>')
                ++quotes;
            if (line.bytes.mid(quotes).startsWith("From "))
                line.bytes.remove(0, 1);
        }
        if (message.size() + line.bytes.size() > maxSize)
            break;
        message += line.bytes;
    }
    // The blank line before the next "From " belongs to the file, not to the message.
    if (message.endsWith("\n\n"))
        message.chop(1);
    else if (message.endsWith("\r\n\r\n"))
        message.chop(2);
    return message;
}

} // namespace Render
