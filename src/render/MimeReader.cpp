#include "MimeReader.h"

#include "GMimePtr.h"
#include "TextDecoding.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace Render
{

void ensureGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace
{

// Deeper nesting than this is hostile input, not mail.
constexpr int MaxDepth = 40;

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString lower(const char* text)
{
    return fromUtf8(text).toLower();
}

QByteArray decodedContent(GMimePart* part)
{
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new());
    if (g_mime_data_wrapper_write_to_stream(wrapper, stream.get()) < 0)
        return {};
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    return bytes ? QByteArray(reinterpret_cast<const char*>(bytes->data), bytes->len) : QByteArray();
}

// An HTML part without a MIME charset often names one in a <meta> element.
QByteArray htmlMetaCharset(const QByteArray& html)
{
    static const QRegularExpression re(QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?([A-Za-z0-9_:.\-]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(html.left(4096)));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

QString plainToHtml(const QString& text)
{
    // The importer would count CR and LF as two line breaks.
    return QStringLiteral("<pre style=\"white-space: pre-wrap\">") + QString(text).remove(u'\r').toHtmlEscaped() +
           QStringLiteral("</pre>");
}

QDateTime toQDateTime(GDateTime* date)
{
    if (!date)
        return {};
    const qint64 secs = g_date_time_to_unix(date);
    const int offset = static_cast<int>(g_date_time_get_utc_offset(date) / G_TIME_SPAN_SECOND);
    return QDateTime::fromSecsSinceEpoch(secs, QTimeZone(offset));
}

class Collector
{
public:
    Collector(Message& message, GMimeParserOptions* options) : m_message(message), m_options(options) {}

    void fill(GMimeMessage* gm, int depth)
    {
        m_message.from = addresses(gm, GMIME_ADDRESS_TYPE_FROM, "From");
        m_message.to = addresses(gm, GMIME_ADDRESS_TYPE_TO, "To");
        m_message.cc = addresses(gm, GMIME_ADDRESS_TYPE_CC, "Cc");
        m_message.subject = fromUtf8(g_mime_message_get_subject(gm)).simplified();
        m_message.date = toQDateTime(g_mime_message_get_date(gm));
        if (GMimeObject* body = g_mime_message_get_mime_part(gm))
            walk(body, depth, true);
        finish();
    }

private:
    struct Resource
    {
        Attachment attachment;
        bool declaredAttachment = false;
        bool relatedImage = false; // inside a multipart/related
    };

    QString addresses(GMimeMessage* gm, GMimeAddressType type, const char* header)
    {
        InternetAddressList* list = g_mime_message_get_addresses(gm, type);
        if (list && internet_address_list_length(list) > 0)
        {
            GCharPtr text(internet_address_list_to_string(list, nullptr, FALSE));
            if (text)
                return QString::fromUtf8(text.get()).simplified();
        }
        // Addresses GMime could not parse: show the header as written, decoded.
        const char* raw = g_mime_object_get_header(GMIME_OBJECT(gm), header);
        if (!raw)
            return {};
        GCharPtr decoded(g_mime_utils_header_decode_text(m_options, raw));
        return fromUtf8(decoded.get()).simplified();
    }

    void walk(GMimeObject* object, int depth, bool topLevel)
    {
        if (depth > MaxDepth)
            return;
        if (GMIME_IS_MESSAGE_PART(object))
        {
            GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
            if (!inner)
                return;
            Message sub;
            Collector(sub, m_options).fill(inner, depth + 1);
            m_message.embedded.push_back(std::move(sub));
            return;
        }
        if (GMIME_IS_MULTIPART(object))
        {
            walkMultipart(GMIME_MULTIPART(object), depth);
            return;
        }
        if (GMIME_IS_PART(object))
            leaf(GMIME_PART(object), topLevel);
    }

    static bool containsHtml(GMimeObject* object, int depth)
    {
        if (depth > MaxDepth)
            return false;
        if (GMIME_IS_MULTIPART(object))
        {
            GMimeMultipart* mp = GMIME_MULTIPART(object);
            for (int i = 0; i < g_mime_multipart_get_count(mp); ++i)
                if (containsHtml(g_mime_multipart_get_part(mp, i), depth + 1))
                    return true;
            return false;
        }
        GMimeContentType* type = g_mime_object_get_content_type(object);
        return type && g_mime_content_type_is_type(type, "text", "html");
    }

    void walkMultipart(GMimeMultipart* mp, int depth)
    {
        GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(mp));
        const QString subtype = type ? lower(g_mime_content_type_get_media_subtype(type)) : QString();
        const int count = g_mime_multipart_get_count(mp);
        if (subtype == u"alternative")
        {
            // Print one alternative only: the HTML one when there is one, else the last
            // plain or composite one (senders order alternatives from plainest to richest).
            GMimeObject* chosen = nullptr;
            for (int i = count - 1; i >= 0 && !chosen; --i)
                if (containsHtml(g_mime_multipart_get_part(mp, i), depth + 1))
                    chosen = g_mime_multipart_get_part(mp, i);
            for (int i = count - 1; i >= 0 && !chosen; --i)
            {
                GMimeObject* part = g_mime_multipart_get_part(mp, i);
                GMimeContentType* t = g_mime_object_get_content_type(part);
                if (GMIME_IS_MULTIPART(part) || (t && g_mime_content_type_is_type(t, "text", "plain")))
                    chosen = part;
            }
            if (chosen)
                walk(chosen, depth + 1, false);
            return;
        }
        if (subtype == u"related" && count > 0)
        {
            int root = 0;
            const QString start = type ? fromUtf8(g_mime_content_type_get_parameter(type, "start")) : QString();
            for (int i = 0; i < count && !start.isEmpty(); ++i)
            {
                const QString id = fromUtf8(g_mime_object_get_content_id(g_mime_multipart_get_part(mp, i)));
                if (!id.isEmpty() && start.contains(id))
                    root = i;
            }
            ++m_inRelated;
            walk(g_mime_multipart_get_part(mp, root), depth + 1, false);
            for (int i = 0; i < count; ++i)
                if (i != root)
                    walk(g_mime_multipart_get_part(mp, i), depth + 1, false);
            --m_inRelated;
            return;
        }
        for (int i = 0; i < count; ++i)
            walk(g_mime_multipart_get_part(mp, i), depth + 1, false);
    }

    void leaf(GMimePart* part, bool topLevel)
    {
        GMimeObject* object = GMIME_OBJECT(part);
        GMimeContentType* type = g_mime_object_get_content_type(object);
        const QString media = type ? lower(g_mime_content_type_get_media_type(type)) : QStringLiteral("text");
        const QString subtype = type ? lower(g_mime_content_type_get_media_subtype(type)) : QStringLiteral("plain");
        const QString disposition = lower(g_mime_object_get_disposition(object));
        const QString fileName = fromUtf8(g_mime_part_get_filename(part)).trimmed();
        const bool declaredAttachment = disposition == u"attachment";

        const bool html = media == u"text" && subtype == u"html";
        const bool plain =
            (media == u"text" && (subtype == u"plain" || subtype.isEmpty() || subtype == u"rfc822-headers")) ||
            (media == u"message" && (subtype == u"delivery-status" || subtype == u"disposition-notification"));
        const bool inlineText = !declaredAttachment && (fileName.isEmpty() || disposition == u"inline");
        // A message that is only one text part shows it even when the sender calls it an attachment.
        if ((html || plain) && (inlineText || topLevel))
        {
            const QByteArray bytes = decodedContent(part);
            QByteArray charset = type ? QByteArray(g_mime_content_type_get_parameter(type, "charset")) : QByteArray();
            if (html && charset.isEmpty())
                charset = htmlMetaCharset(bytes);
            QString text = decodeText(bytes, charset);
            if (html)
            {
                m_pieces.push_back({true, text});
                m_anyHtml = true;
            }
            else
            {
                const QString format = type ? lower(g_mime_content_type_get_parameter(type, "format")) : QString();
                if (format == u"flowed")
                    text = unflowText(text, lower(g_mime_content_type_get_parameter(type, "delsp")) == u"yes");
                // Trailing blank lines would only cost paper.
                qsizetype end = text.size();
                while (end > 0 && text.at(end - 1).isSpace())
                    --end;
                text.truncate(end);
                m_pieces.push_back({false, text});
            }
            if (fileName.isEmpty() || !topLevel)
                return;
        }

        Resource resource;
        resource.declaredAttachment = declaredAttachment || !fileName.isEmpty();
        resource.relatedImage = m_inRelated > 0 && media == u"image";
        Attachment& a = resource.attachment;
        a.fileName = fileName;
        a.mimeType = media + u'/' + subtype;
        a.contentId = fromUtf8(g_mime_object_get_content_id(object)).trimmed();
        a.contentLocation = fromUtf8(g_mime_part_get_content_location(part)).trimmed();
        a.content = decodedContent(part);
        // An image the sender put inline between text parts (as phones send photos) is drawn
        // there, and listed too when it has a name.
        if (media == u"image" && disposition == u"inline" && m_inRelated == 0)
        {
            m_pieces.push_back({true, imageHtml(a)});
            m_anyHtml = true;
        }
        m_resources.push_back(std::move(resource));
    }

    static bool referencedBy(const Attachment& a, const QString& html)
    {
        return !html.isEmpty() &&
               ((!a.contentId.isEmpty() && html.contains(QStringLiteral("cid:") + a.contentId, Qt::CaseInsensitive)) ||
                (!a.contentLocation.isEmpty() && html.contains(a.contentLocation, Qt::CaseInsensitive)));
    }

    // An <img> for a part of this message; a part without a Content-ID gets one of its own.
    QString imageHtml(Attachment& a)
    {
        if (a.contentId.isEmpty())
            a.contentId = QStringLiteral("part%1.vellumtide").arg(++m_partIds);
        return QStringLiteral("<img src=\"cid:%1\">").arg(a.contentId.toHtmlEscaped());
    }

    void finish()
    {
        QStringList html;
        QStringList text;
        for (const auto& [isHtml, piece] : m_pieces)
        {
            if (isHtml)
                html << piece;
            else
            {
                text << piece;
                if (m_anyHtml)
                    html << plainToHtml(piece);
            }
        }
        // Related images the HTML does not show are drawn after it rather than lost.
        QString unshown;
        for (Resource& r : m_resources)
            if (r.relatedImage && !html.isEmpty() && !referencedBy(r.attachment, html.join(QString())))
                unshown += imageHtml(r.attachment);
        if (!unshown.isEmpty())
            html << QStringLiteral("<p>") + unshown + QStringLiteral("</p>");
        m_message.htmlBody = html.join(QString());
        m_message.textBody = text.join(QStringLiteral("\n\n"));

        for (Resource& r : m_resources)
        {
            Attachment& a = r.attachment;
            const bool referenced = referencedBy(a, m_message.htmlBody);
            if (referenced)
                m_message.inlineParts.append(a);
            if (!referenced || r.declaredAttachment)
            {
                if (a.fileName.isEmpty())
                    a.fileName = QStringLiteral("(unnamed %1)").arg(a.mimeType);
                m_message.attachments.append(std::move(a));
            }
        }
    }

    Message& m_message;
    GMimeParserOptions* m_options;
    std::vector<std::pair<bool, QString>> m_pieces;
    bool m_anyHtml = false;
    int m_inRelated = 0;
    int m_partIds = 0;
    std::vector<Resource> m_resources;
};

bool parse(GMimeStream* stream, Message& message, QString* error)
{
    ParserOptionsPtr options(g_mime_parser_options_new());
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_address_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    // Raw 8-bit header text: UTF-8 when it is valid, else the usual Western charset.
    const char* fallback[] = {"utf-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options.get(), fallback);

    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    GObjectPtr<GMimeMessage> gm(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!gm)
    {
        if (error)
            *error = QStringLiteral("not an Internet message");
        return false;
    }
    message = Message();
    Collector(message, options.get()).fill(gm.get(), 0);
    return true;
}

} // namespace

bool MimeReader::readFile(const QString& path, Message& message, QString* error)
{
    ensureGMime();
    const QFileInfo info(path);
    if (!info.exists())
    {
        if (error)
            *error = QStringLiteral("file not found");
        return false;
    }
    if (info.isDir())
    {
        if (error)
            *error = QStringLiteral("is a folder, not a message file");
        return false;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        if (error)
            *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(fd)); // owns fd from here
    return parse(stream.get(), message, error);
}

bool MimeReader::readBytes(const QByteArray& bytes, Message& message, QString* error)
{
    ensureGMime();
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.constData(), bytes.size()));
    return parse(stream.get(), message, error);
}

} // namespace Render
