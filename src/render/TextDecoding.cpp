#include "TextDecoding.h"

#include "GMimePtr.h"

#include <QStringDecoder>
#include <QStringList>
#include <cerrno>
#include <gmime/gmime.h>
#include <iconv.h>
#include <mutex>

namespace Render
{

void ensureGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace
{

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80 || c == 0x1b)
            return false;
    return true;
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes); // the decoder is lazy until converted
    return !decoder.hasError();
}

// Returns a null string when iconv does not know the charset.
QString viaIconv(const QByteArray& bytes, const char* charset)
{
    ensureGMime(); // its charset table names iconv's converters; a .pst body may come first
    iconv_t cd = iconv_open("UTF-8", g_mime_charset_iconv_name(charset));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString();
    QByteArray out;
    out.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = bytes.size();
    size_t written = 0;
    while (inLeft > 0)
    {
        char* outPtr = out.data() + written;
        size_t outLeft = out.size() - written;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
        {
            out.resize(out.size() * 2);
        }
        else
        {
            // An invalid or truncated sequence: show a replacement character and go on
            // with the next byte, so one bad byte never loses the rest of the text.
            if (out.size() - written < 3)
                out.resize(out.size() * 2);
            memcpy(out.data() + written, "\xEF\xBF\xBD", 3);
            written += 3;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Flush a stateful encoding's shift sequence.
    for (;;)
    {
        char* outPtr = out.data() + written;
        size_t outLeft = out.size() - written;
        if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1))
        {
            written = out.size() - outLeft;
            break;
        }
        if (errno != E2BIG)
            break;
        out.resize(out.size() * 2);
    }
    iconv_close(cd);
    out.truncate(written);
    return QString::fromUtf8(out);
}

QString guess(const QByteArray& bytes)
{
    // ISO-2022-JP is 7-bit and so also valid UTF-8: look for its escapes first.
    if (bytes.contains("\x1b$B") || bytes.contains("\x1b$@"))
    {
        const QString text = viaIconv(bytes, "ISO-2022-JP");
        if (!text.isNull())
            return text;
    }
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return viaIconv(bytes, "windows-1252");
}

} // namespace

QString decodeText(const QByteArray& bytes, const QByteArray& charset)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    const QByteArray name = charset.trimmed().toLower();
    if (name.isEmpty() || name == "us-ascii" || name == "ascii" || name.startsWith("unknown") ||
        name.startsWith("x-unknown") || name == "default")
        return guess(bytes);
    if (name == "utf-8" || name == "utf8")
        return QString::fromUtf8(bytes);
    // Senders label windows-1252 text as ISO-8859-1; the two agree except that the
    // former has printable characters (curly quotes, euro sign) where the latter has controls.
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "latin-1" || name == "l1")
        return viaIconv(bytes, "windows-1252");
    const QString text = viaIconv(bytes, name.constData());
    return text.isNull() ? guess(bytes) : text;
}

QByteArray charsetOfCodepage(int codepage)
{
    switch (codepage)
    {
    case 65001:
        return QByteArrayLiteral("utf-8");
    case 1200:
        return QByteArrayLiteral("utf-16le");
    case 20127:
        return QByteArrayLiteral("us-ascii");
    case 28591:
        return QByteArrayLiteral("iso-8859-1");
    default:
        // iconv knows the Windows and OEM pages as cpNNN; an unknown one is guessed by decodeText.
        return codepage > 0 ? "cp" + QByteArray::number(codepage) : QByteArray();
    }
}

QString unflowText(const QString& text, bool delSp)
{
    QString result;
    result.reserve(text.size());
    const QStringList lines = text.split(u'\n');
    int openDepth = -1; // quote depth of a paragraph that a soft break keeps open
    for (QString line : lines)
    {
        if (line.endsWith(u'\r'))
            line.chop(1);
        int depth = 0;
        while (depth < line.size() && line.at(depth) == u'>')
            ++depth;
        QString content = line.mid(depth);
        if (content.startsWith(u' '))
            content.remove(0, 1);
        const bool soft = content.endsWith(u' ') && content != QStringLiteral("-- ");
        if (soft && delSp)
            content.chop(1);

        if (openDepth >= 0 && openDepth != depth)
            result += u'\n'; // a soft break never joins lines of different quote depth
        if (openDepth != depth)
        {
            if (depth > 0)
                result += QString(depth, u'>') + u' ';
        }
        result += content;
        if (soft)
        {
            openDepth = depth;
        }
        else
        {
            result += u'\n';
            openDepth = -1;
        }
    }
    if (result.endsWith(u'\n'))
        result.chop(1);
    return result;
}

} // namespace Render
