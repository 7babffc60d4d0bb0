#include "TnefReader.h"

#include "Message.h"
#include "RtfText.h"
#include "TextDecoding.h"
#include "TnefProperties.h"

#include <QDateTime>
#include <QTimeZone>
#include <QtEndian>
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
    const qsizetype end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
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

// 8-bit text in the message's code page; some writers put UTF-16 there: tell them apart
// by the bytes before the terminator (with it, "Bob\0" would read as one UTF-16 letter).
QString string8(const QByteArray& bytes, const QByteArray& charset)
{
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
        --end;
    qsizetype zeros = 0;
    for (qsizetype i = 1; i < end; i += 2)
        zeros += bytes[i] == '\0';
    if (end >= 2 && zeros * 2 >= end / 2)
        return utf16(bytes);
    return eightBit(bytes, charset);
}

// A text property: 8-bit, or a Unicode one, which libytnef hands over as UTF-8.
QString stringProperty(MAPIProps* props, unsigned id, const QByteArray& charset)
{
    const QByteArray bytes = bytesOf(MAPIFindProperty(props, PROP_TAG(PT_STRING8, id)));
    if (bytes.isEmpty())
        return eightBit(bytesOf(MAPIFindProperty(props, PROP_TAG(PT_UNICODE, id))), QByteArrayLiteral("utf-8"));
    return string8(bytes, charset);
}

QByteArray codepageCharset(TNEFStruct* tnef)
{
    const QByteArray cp = bytesOf(&tnef->CodePage);
    if (cp.size() < 4)
        return QByteArrayLiteral("windows-1252");
    return charsetOfCodepage(static_cast<unsigned char>(cp[0]) | static_cast<unsigned char>(cp[1]) << 8);
}

} // namespace

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

constexpr quint16 PrSmtpAddress = 0x39FE;
constexpr quint16 PrSenderSmtpAddress = 0x5D01;

// The recipients of a message attached inside a TNEF stream, from the stream's recipient
// table, which libytnef skips. Its strings are as stored: 8-bit or UTF-16.
std::vector<MapiRecipient> recipientTable(const QByteArray& stream, const QByteArray& charset)
{
    std::vector<MapiRecipient> table;
    for (const TnefProperties::Row& row :
         TnefProperties::rows(TnefProperties::messageAttribute(stream, TnefProperties::RecipientTable)))
    {
        MapiRecipient recipient;
        for (const TnefProperties::Property& p : row)
        {
            if (p.id == PR_RECIPIENT_TYPE && p.type == PT_LONG && p.value.size() == 4)
                recipient.kind = qFromLittleEndian<quint32>(p.value.constData());
            QString* field = p.id == PR_DISPLAY_NAME    ? &recipient.name
                             : p.id == PR_EMAIL_ADDRESS ? &recipient.address
                             : p.id == PR_ADDRTYPE      ? &recipient.addressType
                             : p.id == PrSmtpAddress    ? &recipient.smtpAddress
                                                        : nullptr;
            if (field && (p.type == PT_STRING8 || p.type == PT_UNICODE))
                *field = (p.type == PT_UNICODE ? utf16(p.value) : string8(p.value, charset)).trimmed();
        }
        table.push_back(std::move(recipient));
    }
    return table;
}

// The header of a message attached inside a TNEF stream: the outer message's MIME header
// has only the outer message's.
void readEmbeddedHeader(TNEFStruct* tnef, const QByteArray& stream, const QByteArray& charset, Message& message)
{
    MAPIProps* props = &tnef->MapiProperties;
    message.subject = stringProperty(props, PR_SUBJECT, charset).trimmed();
    if (message.subject.isEmpty())
        message.subject = eightBit(bytesOf(&tnef->subject), charset).trimmed();
    const QString name = stringProperty(props, PR_SENDER_NAME, charset);
    // An Exchange sender's address is a directory path; its Internet address may stand beside it.
    QString address = stringProperty(props, PR_SENDER_EMAIL_ADDRESS, charset);
    if (!address.contains(u'@'))
        address = stringProperty(props, PrSenderSmtpAddress, charset);
    message.from = address.contains(u'@') ? nameWithAddress(name, address) : (name.isEmpty() ? address : name);
    message.to = stringProperty(props, PR_DISPLAY_TO, charset);
    message.cc = stringProperty(props, PR_DISPLAY_CC, charset);
    setRecipients(message, recipientTable(stream, charset));
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
                const RtfText rtf = RtfText::convert(QByteArray(reinterpret_cast<const char*>(plain.get()), size));
                if (rtf.isHtml)
                    message.htmlBody = rtf.text;
                else if (text.trimmed().isEmpty())
                    text = rtf.text;
            }
        }
    }
    message.textBody = text.trimmed().isEmpty() ? QString() : text;
    if (depth > 0)
        readEmbeddedHeader(tnef, bytes, charset, message);

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
