#include "MboxFormat.h"

#include "TextLines.h"

#include <bit>
#include <cstring>
#include <deque>
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
    bool afterBlank = false; ///< the line before it was blank, or it is the first of the file
};

bool isBlank(const Line& line)
{
    return line.startsLine && (line.bytes == "\n" || line.bytes == "\r\n");
}

// Lines as read by QIODevice::readLine, keeping the '\n', with look-ahead; long lines
// arrive in pieces, and only a piece that starts a line can be a "From " line.
class LineReader
{
public:
    LineReader(QIODevice& in, bool afterBlank) : m_in(in), m_afterBlank(afterBlank) {}

    /// False at the end of the file.
    bool next(Line& line)
    {
        if (m_ahead.empty() && !readOne())
            return false;
        // The caller's last line goes back for its buffer: no allocation a line.
        std::swap(line, m_ahead.front());
        m_spare = std::move(m_ahead.front().bytes);
        m_ahead.pop_front();
        return true;
    }

    /// The line `n` places ahead; null past the end of the file.
    const Line* peek(size_t n)
    {
        while (m_ahead.size() <= n)
            if (!readOne())
                return nullptr;
        return &m_ahead[n];
    }

    /// Goes on reading at `offset`, where a message may start.
    void restartAt(qint64 offset)
    {
        m_ahead.clear();
        m_in.seek(offset);
        m_atLineStart = true;
        m_afterBlank = true;
    }

private:
    bool readOne()
    {
        Line line;
        line.offset = m_in.pos();
        line.startsLine = m_atLineStart;
        line.afterBlank = m_afterBlank;
        // Into a reused buffer: readLine(max) would allocate the maximum for every line.
        const qint64 got = m_in.readLine(m_buffer.data(), m_buffer.size());
        if (got <= 0)
            return false;
        line.bytes = std::move(m_spare);
        line.bytes.resize(qsizetype(got));
        std::memcpy(line.bytes.data(), m_buffer.constData(), size_t(got));
        m_atLineStart = line.bytes.endsWith('\n');
        // Some writers put a UTF-8 byte order mark before the first "From ".
        if (line.offset == 0 && line.bytes.startsWith("\xEF\xBB\xBF"))
            line.bytes.remove(0, 3);
        if (line.startsLine)
            m_afterBlank = isBlank(line);
        m_ahead.push_back(std::move(line));
        return true;
    }

    QIODevice& m_in;
    QByteArray m_buffer = QByteArray(64 * 1024 + 1, Qt::Uninitialized);
    bool m_atLineStart = true;
    bool m_afterBlank;
    std::deque<Line> m_ahead;
    QByteArray m_spare;
};

/// The field name of a header line, as written; empty when the line is no header field.
QByteArrayView fieldName(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line.at(i) > ' ' && line.at(i) < 127 && line.at(i) != ':')
        ++i;
    return i > 0 && i < line.size() && line.at(i) == ':' ? line.first(i) : QByteArrayView();
}

/// Which of the fields every mail program writes `name` is, as a bit; 0 for any other.
/// A header block without any of them is body text.
unsigned commonField(QByteArrayView name)
{
    static constexpr QByteArrayView common[] = {"from",     "date",        "subject", "message-id",
                                                "received", "return-path", "to",      "x-mozilla-status"};
    for (size_t i = 0; i < std::size(common); ++i)
        if (name.compare(common[i], Qt::CaseInsensitive) == 0)
            return 1u << i;
    return 0;
}

/// Whether a "From " line starts a message. The first line of the file always does (there
/// is nothing else it could belong to). After a blank line it does when a header block with
/// a field every mail program writes follows it; right after a body line, some writers leave
/// out the blank line, so it takes a header block with three such fields. Otherwise an
/// unescaped "From " in a body stays in the body.
bool startsMessage(const Line& line, LineReader& reader)
{
    if (!line.startsLine || !line.bytes.startsWith("From ") || !line.bytes.endsWith('\n'))
        return false;
    if (line.offset == 0)
        return true;
    constexpr size_t kMaxHeaderLines = 2000;
    unsigned common = 0;
    const auto enough = [&] { return std::popcount(common) >= (line.afterBlank ? 1 : 3); };
    for (size_t n = 0; n < kMaxHeaderLines; ++n)
    {
        const Line* next = reader.peek(n);
        if (!next || isBlank(*next))
            return enough();
        const QByteArrayView name = fieldName(next->bytes);
        const bool continued =
            n > 0 && (!next->startsLine || next->bytes.startsWith(' ') || next->bytes.startsWith('\t'));
        if (name.isEmpty() && !continued)
            return false;
        common |= commonField(name);
    }
    return enough();
}

/// Where a message's Content-Length says it ends, when that is exactly the end of the file
/// or the next "From " line (or the blank line before it); -1 otherwise.
qint64 lengthEnd(QIODevice& in, const QByteArray& header, qint64 bodyStart)
{
    qint64 length = -1;
    bool valid = true;
    forEachLine(header, [&](QByteArrayView line) {
        if (fieldName(line).compare("content-length", Qt::CaseInsensitive) != 0)
            return true;
        length = line.sliced(line.indexOf(':') + 1).trimmed().toLongLong(&valid);
        return valid = valid && length >= 0;
    });
    if (!valid || length < 0 || bodyStart + length > in.size())
        return -1;
    const qint64 end = bodyStart + length;
    if (end == in.size())
        return end;
    const qint64 back = in.pos();
    in.seek(end);
    const QByteArray next = in.read(7);
    in.seek(back);
    return next.startsWith("From ") || next.startsWith("\nFrom ") || next.startsWith("\r\nFrom ") ? end : -1;
}

/// Unescapes a ">From " line (any number of '>') by one '>'.
void unescape(Line& line)
{
    if (!line.startsLine || !line.bytes.startsWith('>'))
        return;
    qsizetype quotes = 0;
    while (quotes < line.bytes.size() && line.bytes.at(quotes) == '>')
        ++quotes;
    if (line.bytes.mid(quotes).startsWith("From "))
        line.bytes.remove(0, 1);
}

// The messages of a file one after the other, from a "From " line that starts one.
class Splitter
{
public:
    Splitter(QIODevice& in, bool afterBlank, qsizetype maxHeader, qint64 maxSize)
        : m_in(in), m_reader(in, afterBlank), m_maxHeader(maxHeader), m_maxSize(maxSize)
    {
    }

    /// The next message: its offset, header block and, with `wantWhole`, all of it after
    /// the "From " line. `firstOnly`: only a message starting at the current line counts.
    bool next(qint64& offset, QByteArray& header, QByteArray* whole, bool firstOnly = false)
    {
        Line line;
        if (m_pending)
            line = std::move(*m_pending);
        else
            while (true)
            {
                if (!m_reader.next(line))
                    return false;
                if (startsMessage(line, m_reader))
                    break;
                if (firstOnly)
                    return false;
            }
        m_pending.reset();
        offset = line.offset;
        header.clear();
        while (m_reader.next(line))
        {
            if (whole)
                add(*whole, line);
            if (isBlank(line))
                break;
            if (header.size() < m_maxHeader)
                header += line.bytes.left(m_maxHeader - header.size());
        }
        const qint64 bodyStart = line.offset + line.bytes.size();
        if (const qint64 end = isBlank(line) ? lengthEnd(m_in, header, bodyStart) : -1; end >= 0)
        {
            if (whole && m_in.seek(bodyStart))
                *whole += m_in.read(qMax<qint64>(0, qMin(end - bodyStart, m_maxSize - whole->size())));
            m_reader.restartAt(end);
            return true;
        }
        while (m_reader.next(line))
        {
            if (startsMessage(line, m_reader))
            {
                m_pending = std::move(line);
                break;
            }
            if (whole)
                add(*whole, line);
        }
        // The blank line before the next "From " belongs to the file, not to the message.
        if (whole && whole->endsWith("\n\n"))
            whole->chop(1);
        else if (whole && whole->endsWith("\r\n\r\n"))
            whole->chop(2);
        return true;
    }

private:
    void add(QByteArray& whole, Line& line)
    {
        unescape(line);
        if (whole.size() + line.bytes.size() <= m_maxSize)
            whole += line.bytes;
    }

    QIODevice& m_in;
    LineReader m_reader;
    qsizetype m_maxHeader;
    qint64 m_maxSize;
    std::optional<Line> m_pending;
};

/// Whether the line before `offset` is blank (or `offset` starts the file).
bool blankBefore(QIODevice& in, qint64 offset)
{
    if (offset == 0)
        return true;
    const qint64 from = qMax<qint64>(0, offset - 3);
    if (!in.seek(from))
        return false;
    QByteArray before = in.read(offset - from);
    if (!before.endsWith('\n'))
        return false;
    before.chop(1);
    if (before.endsWith('\r'))
        before.chop(1);
    return before.endsWith('\n') || (before.isEmpty() && from == 0);
}

} // namespace

void MboxFormat::scan(QIODevice& in, const std::function<void(qint64, const QByteArray&)>& found, qsizetype maxHeader)
{
    Splitter splitter(in, true, maxHeader, 0);
    qint64 offset = 0;
    QByteArray header;
    while (splitter.next(offset, header, nullptr))
        found(offset, header);
}

QByteArray MboxFormat::readMessage(QIODevice& in, qint64 offset, qint64 maxSize)
{
    if (offset < 0 || offset >= in.size())
        return {};
    const bool afterBlank = blankBefore(in, offset);
    if (!in.seek(offset))
        return {};
    Splitter splitter(in, afterBlank, 64 * 1024, maxSize);
    qint64 found = 0;
    QByteArray header;
    QByteArray message;
    if (!splitter.next(found, header, &message, true) || found != offset)
        return {};
    return message;
}

} // namespace Render
