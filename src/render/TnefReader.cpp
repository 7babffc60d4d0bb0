#include "TnefReader.h"

#include "Message.h"
#include "TextDecoding.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <vector>

// libytnef's headers define BYTE, WORD, DWORD and ULONG as macros: include them last.
extern "C" {
#include <ytnef.h>
}

namespace Render
{

namespace
{

// Large enough for any real winmail.dat, small enough that a hostile one cannot exhaust memory.
constexpr qsizetype MaxTnefBytes = 256 * 1024 * 1024;

class TnefStream
{
public:
    TnefStream() { TNEFInitialize(&m_tnef); }
    ~TnefStream() { TNEFFree(&m_tnef); }
    TnefStream(const TnefStream&) = delete;
    TnefStream& operator=(const TnefStream&) = delete;

    bool parse(QByteArray bytes)
    {
        m_bytes = std::move(bytes); // the parser reads from our copy, never from the caller's
        m_tnef.Debug = 0;
        return TNEFParseMemory(reinterpret_cast<unsigned char*>(m_bytes.data()), m_bytes.size(), &m_tnef) == 0;
    }
    TNEFStruct* get() { return &m_tnef; }

private:
    TNEFStruct m_tnef{};
    QByteArray m_bytes;
};

QByteArray bytesOf(const variableLength* v)
{
    if (!v || v == MAPI_UNDEFINED || !v->data || v->size <= 0)
        return {};
    return QByteArray(reinterpret_cast<const char*>(v->data), v->size);
}

QString utf16(const QByteArray& bytes)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

QString eightBit(QByteArray bytes, const QByteArray& charset)
{
    // The text ends at its first NUL: libytnef narrows UTF-16 strings in place and leaves
    // the rest of the buffer behind it.
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return decodeText(bytes, charset);
}

// A text property: 8-bit text in the message's code page (some writers put UTF-16 there:
// tell them apart by the bytes), or a Unicode one, which libytnef hands over as UTF-8.
QString stringProperty(MAPIProps* props, unsigned id, const QByteArray& charset)
{
    const QByteArray bytes = bytesOf(MAPIFindProperty(props, PROP_TAG(PT_STRING8, id)));
    if (bytes.isEmpty())
        return eightBit(bytesOf(MAPIFindProperty(props, PROP_TAG(PT_UNICODE, id))), QByteArrayLiteral("utf-8"));
    qsizetype zeros = 0;
    for (qsizetype i = 1; i < bytes.size(); i += 2)
        zeros += bytes[i] == '\0';
    if (bytes.size() >= 2 && bytes.size() % 2 == 0 && zeros * 2 >= bytes.size() / 2)
        return utf16(bytes);
    return eightBit(bytes, charset);
}

QByteArray codepageCharset(TNEFStruct* tnef)
{
    const QByteArray cp = bytesOf(&tnef->CodePage);
    if (cp.size() < 4)
        return QByteArrayLiteral("windows-1252");
    const unsigned number = static_cast<unsigned char>(cp[0]) | static_cast<unsigned char>(cp[1]) << 8;
    if (number == 65001)
        return QByteArrayLiteral("utf-8");
    return "cp" + QByteArray::number(number);
}

} // namespace

QString rtfToText(const QByteArray& rtf, bool* isHtml)
{
    static const QSet<QByteArray> skipped = {"fonttbl",   "colortbl",     "stylesheet", "info",
                                             "pict",      "object",       "header",     "footer",
                                             "footerf",   "headerf",      "themedata",  "colorschememapping",
                                             "datastore", "latentstyles", "listtable",  "listoverridetable",
                                             "rsidtbl",   "generator",    "xmlnstbl",   "fldinst",
                                             "filetbl",   "revtbl",       "nonshppict"};
    const bool fromHtml = rtf.contains("\\fromhtml");
    if (isHtml)
        *isHtml = fromHtml;
    struct State
    {
        bool skip = false;
        bool htmlSuppressed = false;
        int uc = 1;
    };
    std::vector<State> stack{State()};
    QByteArray charset = "windows-1252";
    QString out;
    QByteArray pending; // 8-bit text waiting for its codepage
    auto flush = [&] {
        if (!pending.isEmpty())
            out += decodeText(pending, charset);
        pending.clear();
    };
    auto visible = [&] { return !stack.back().skip && !(fromHtml && stack.back().htmlSuppressed); };
    int skipFallback = 0; // characters after \uN that stand in for it in older readers
    bool starPending = false;
    const qsizetype n = rtf.size();
    for (qsizetype i = 0; i < n; ++i)
    {
        const char c = rtf[i];
        if (c == '{')
        {
            if (stack.size() > 500)
                break; // hostile depth
            stack.push_back(stack.back());
            continue;
        }
        if (c == '}')
        {
            if (stack.size() > 1)
                stack.pop_back();
            starPending = false;
            continue;
        }
        if (c == '\r' || c == '\n')
            continue;
        if (c != '\\')
        {
            if (skipFallback > 0)
                --skipFallback;
            else if (visible())
                pending += c;
            continue;
        }
        if (i + 1 >= n)
            break;
        const char d = rtf[i + 1];
        if (d == '\\' || d == '{' || d == '}')
        {
            ++i;
            if (skipFallback > 0)
                --skipFallback;
            else if (visible())
                pending += d;
            continue;
        }
        if (d == '\'')
        {
            const QByteArray hex = rtf.mid(i + 2, 2);
            i += 3;
            bool ok = false;
            const int value = hex.toInt(&ok, 16);
            if (skipFallback > 0)
                --skipFallback;
            else if (ok && visible())
                pending += static_cast<char>(value);
            continue;
        }
        if (d == '*')
        {
            ++i;
            starPending = true;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(d)))
        {
            ++i;
            if (visible() && d == '~')
                pending += ' ';
            else if (visible() && d == '_')
                pending += '-';
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && std::isalpha(static_cast<unsigned char>(rtf[j])))
            ++j;
        const QByteArray word = rtf.mid(i + 1, j - i - 1);
        qsizetype k = j;
        if (k < n && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k]))))
            ++k;
        while (k < n && std::isdigit(static_cast<unsigned char>(rtf[k])))
            ++k;
        const bool hasParam = k > j;
        const int param = hasParam ? rtf.mid(j, k - j).toInt() : 0;
        if (k < n && rtf[k] == ' ')
            ++k;
        i = k - 1;

        State& state = stack.back();
        if (starPending)
        {
            starPending = false;
            if (!(fromHtml && word == "htmltag"))
            {
                state.skip = true;
                continue;
            }
        }
        if (fromHtml && word == "htmltag")
        {
            state.htmlSuppressed = false;
            continue;
        }
        if (skipped.contains(word))
            state.skip = true;
        else if (word == "htmlrtf")
            state.htmlSuppressed = !hasParam || param != 0;
        else if (word == "ansicpg" && hasParam)
            charset = "cp" + QByteArray::number(param);
        else if (word == "uc" && hasParam)
            state.uc = qBound(0, param, 10);
        else if (word == "u" && hasParam)
        {
            if (visible())
            {
                flush();
                out += QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param));
            }
            skipFallback = state.uc;
        }
        else if (!visible())
            continue;
        else if (word == "par" || word == "line")
            pending += '\n';
        else if (word == "tab")
            pending += '\t';
        else if (word == "emdash")
            out += (flush(), QChar(0x2014));
        else if (word == "endash")
            out += (flush(), QChar(0x2013));
        else if (word == "bullet")
            out += (flush(), QChar(0x2022));
        else if (word == "lquote" || word == "rquote")
            out += (flush(), QChar(word == "lquote" ? 0x2018 : 0x2019));
        else if (word == "ldblquote" || word == "rdblquote")
            out += (flush(), QChar(word == "ldblquote" ? 0x201C : 0x201D));
    }
    flush();
    return out;
}

namespace
{

// Embedded messages inside embedded messages: deeper than this is no real mail.
constexpr int MaxTnefDepth = 8;

// When a message was sent, from a FILETIME property (100 ns steps since 1601, UTC).
QDateTime fileTime(MAPIProps* props, unsigned id)
{
    const QByteArray bytes = bytesOf(MAPIFindProperty(props, PROP_TAG(PT_SYSTIME, id)));
    if (bytes.size() < 8)
        return {};
    quint64 ticks = 0;
    for (int i = 7; i >= 0; --i)
        ticks = (ticks << 8) | uchar(bytes[i]);
    constexpr qint64 UnixEpochTicks = 116444736000000000LL;
    if (ticks < quint64(UnixEpochTicks) || ticks > quint64(UnixEpochTicks) + 400LL * 365 * 86400 * 10000000)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(ticks - UnixEpochTicks) / 10000, QTimeZone::utc());
}

// The header of a message attached inside a TNEF stream: the outer message's MIME header
// has only the outer message's.
void readEmbeddedHeader(TNEFStruct* tnef, const QByteArray& charset, Message& message)
{
    MAPIProps* props = &tnef->MapiProperties;
    message.subject = stringProperty(props, PR_SUBJECT, charset).trimmed();
    if (message.subject.isEmpty())
        message.subject = eightBit(bytesOf(&tnef->subject), charset).trimmed();
    const QString name = stringProperty(props, PR_SENDER_NAME, charset);
    const QString address = stringProperty(props, PR_SENDER_EMAIL_ADDRESS, charset);
    message.from = address.contains(u'@') ? nameWithAddress(name, address) : (name.isEmpty() ? address : name);
    message.to = stringProperty(props, PR_DISPLAY_TO, charset);
    message.cc = stringProperty(props, PR_DISPLAY_CC, charset);
    message.date = fileTime(props, PR_CLIENT_SUBMIT_TIME);
    if (!message.date.isValid())
        message.date = fileTime(props, PR_MESSAGE_DELIVERY_TIME);
}

bool readTnefAt(const QByteArray& bytes, Message& message, int depth);

// An attachment that is itself a message (attach method 5): its data object holds a TNEF
// stream after a 16-byte interface id.
bool readEmbeddedMessage(::Attachment* a, Message& message, int depth)
{
    const QByteArray object = bytesOf(MAPIFindProperty(&a->MAPI, PROP_TAG(PT_OBJECT, PR_ATTACH_DATA_OBJ)));
    return depth < MaxTnefDepth && object.size() > 16 && readTnefAt(object.mid(16), message, depth + 1);
}

bool readTnefAt(const QByteArray& bytes, Message& message, int depth)
{
    // The signature first: libytnef reports a mismatch on the console.
    if (bytes.size() < 6 || bytes.size() > MaxTnefBytes || !bytes.startsWith("\x78\x9f\x3e\x22"))
        return false;
    auto stream = std::make_unique<TnefStream>();
    if (!stream->parse(bytes))
        return false;
    TNEFStruct* tnef = stream->get();
    const QByteArray charset = codepageCharset(tnef);
    MAPIProps* props = &tnef->MapiProperties;

    QByteArray html = bytesOf(MAPIFindProperty(props, PROP_TAG(PT_BINARY, PR_BODY_HTML)));
    if (html.isEmpty())
        html = bytesOf(MAPIFindProperty(props, PROP_TAG(PT_STRING8, PR_BODY_HTML)));
    if (!html.isEmpty())
        message.htmlBody = eightBit(html, charset);

    QString text = stringProperty(props, PR_BODY, charset);
    if (text.isEmpty())
        text = eightBit(bytesOf(&tnef->body), charset);
    if (message.htmlBody.isEmpty())
    {
        variableLength* rtf = MAPIFindProperty(props, PROP_TAG(PT_BINARY, PR_RTF_COMPRESSED));
        if (rtf != MAPI_UNDEFINED && rtf && rtf->size > 16)
        {
            int size = 0;
            std::unique_ptr<unsigned char, decltype(&std::free)> plain(DecompressRTF(rtf, &size), &std::free);
            if (plain && size > 0)
            {
                bool isHtml = false;
                const QString converted =
                    rtfToText(QByteArray(reinterpret_cast<const char*>(plain.get()), size), &isHtml);
                if (isHtml)
                    message.htmlBody = converted;
                else if (text.trimmed().isEmpty())
                    text = converted;
            }
        }
    }
    message.textBody = text.trimmed().isEmpty() ? QString() : text;
    if (depth > 0)
        readEmbeddedHeader(tnef, charset, message);

    for (::Attachment* a = tnef->starting_attach.next; a; a = a->next)
    {
        Message embedded;
        if (readEmbeddedMessage(a, embedded, depth))
        {
            message.embedded.push_back(std::move(embedded));
            continue;
        }
        Render::Attachment attachment;
        attachment.fileName = stringProperty(&a->MAPI, PR_ATTACH_LONG_FILENAME, charset).trimmed();
        if (attachment.fileName.isEmpty())
            attachment.fileName = eightBit(bytesOf(&a->Title), charset).trimmed();
        attachment.mimeType = stringProperty(&a->MAPI, PR_ATTACH_MIME_TAG, charset).trimmed().toLower();
        if (attachment.mimeType.isEmpty())
            attachment.mimeType = QStringLiteral("application/octet-stream");
        // What the HTML body refers to the file by, so it shows in place.
        attachment.contentId = stringProperty(&a->MAPI, PR_ATTACH_CONTENT_ID, charset).trimmed();
        if (attachment.contentId.startsWith(u'<') && attachment.contentId.endsWith(u'>'))
            attachment.contentId = attachment.contentId.mid(1, attachment.contentId.size() - 2);
        attachment.contentLocation = stringProperty(&a->MAPI, PR_ATTACH_CONTENT_LOCATION, charset).trimmed();
        attachment.content = bytesOf(&a->FileData);
        if (attachment.content.isEmpty())
            attachment.content = bytesOf(MAPIFindProperty(&a->MAPI, PROP_TAG(PT_BINARY, PR_ATTACH_DATA_OBJ)));
        if (attachment.fileName.isEmpty() && attachment.content.isEmpty())
            continue;
        if (attachment.fileName.isEmpty())
            attachment.fileName = QStringLiteral("(unnamed %1)").arg(attachment.mimeType);
        // An attached message's own images go in place here; the outer message's are placed
        // with the rest of its MIME parts.
        const bool shown = depth > 0 && attachment.isShownBy(message.htmlBody);
        (shown ? message.inlineParts : message.attachments).append(std::move(attachment));
    }
    return true;
}

} // namespace

bool readTnef(const QByteArray& bytes, Message& message)
{
    return readTnefAt(bytes, message, 0);
}

} // namespace Render
