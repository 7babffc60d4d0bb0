#include "MimeReader.h"

#include "GMimePtr.h"
#include "HeaderFields.h"
#include "MailDate.h"
#include "MessageBytes.h"
#include "SmimeContent.h"
#include "TextDecoding.h"
#include "TnefReader.h"
#include "Uuencoded.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace Render
{

namespace
{

// Deeper nesting than this is hostile input, not mail.
constexpr int MaxDepth = 40;

bool parseMessage(const QByteArray& raw, Message& message, int depth, QString* error);

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

class Collector
{
public:
    Collector(Message& message, GMimeParserOptions* options) : m_message(message), m_options(options) {}

    void fill(GMimeMessage* gm, int depth)
    {
        HeaderFields fields;
        fields.add(GMIME_OBJECT(gm));
        m_message.from = fields.addressLine(HeaderFields::From);
        m_message.to = fields.addressLine(HeaderFields::To);
        m_message.cc = fields.addressLine(HeaderFields::Cc);
        m_message.bcc = fields.addressLine(HeaderFields::Bcc);
        m_message.replyTo = fields.addressLine(HeaderFields::ReplyTo);
        m_message.subject = fields.subject();
        m_message.dateText = fields.dateText();
        const MailDate date = MailDate::parse(m_message.dateText);
        m_message.date = date.dateTime;
        m_message.dateZone = date.zoneName;
        m_message.dateHasZone = date.hasZone;
        m_message.messageId = fromUtf8(g_mime_message_get_message_id(gm)).trimmed();
        if (GMimeObject* body = g_mime_message_get_mime_part(gm))
            walk(body, depth, true);
        finish();
    }

    /// Text that has no place in the structure, printed as written.
    void addRaw(const QByteArray& bytes)
    {
        const QString text = decodeText(bytes, QByteArray()).trimmed();
        if (!text.isEmpty())
            m_raw << text;
    }

private:
    struct Resource
    {
        Attachment attachment;
        bool declaredAttachment = false;
        bool relatedImage = false; // inside a multipart/related
    };

    void walk(GMimeObject* object, int depth, bool topLevel)
    {
        if (depth > MaxDepth)
        {
            addNote(QStringLiteral("content nested too deeply was left out"));
            return;
        }
        if (GMIME_IS_MESSAGE_PART(object))
        {
            GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
            if (!inner)
                return;
            // Read again from its bytes, so an attached message gets the same repairs as the outer one.
            Message sub;
            GCharPtr bytes(g_mime_object_to_string(GMIME_OBJECT(inner), nullptr));
            if (!bytes || !parseMessage(QByteArray(bytes.get()), sub, depth + 1, nullptr))
                Collector(sub, m_options).fill(inner, depth + 1);
            sub.fileName = attachedName(object);
            sub.byteSize = bytes ? qint64(qstrlen(bytes.get())) : 0;
            m_message.embedded.push_back(std::move(sub));
            return;
        }
        if (GMIME_IS_MULTIPART(object))
        {
            walkMultipart(GMIME_MULTIPART(object), depth);
            return;
        }
        if (GMIME_IS_PART(object))
        {
            m_leafDepth = depth;
            leaf(GMIME_PART(object), topLevel);
        }
    }

    // The file name of an attached message: its disposition's filename, else its type's name.
    static QString attachedName(GMimeObject* object)
    {
        const char* name = g_mime_object_get_content_disposition_parameter(object, "filename");
        if (!name)
            name = g_mime_object_get_content_type_parameter(object, "name");
        return fromUtf8(name).trimmed();
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

    // A prologue of a line or two about MIME is the usual note for old mail readers, not text.
    static bool isMimeBoilerplate(const QByteArray& prologue)
    {
        const QByteArray text = prologue.trimmed();
        return text.isEmpty() || (text.size() < 300 && text.toLower().contains("mime"));
    }

    // A line "--X" that comes back later is the boundary the sender really used.
    static QByteArray discoverBoundary(const QByteArray& body)
    {
        for (const QByteArray& line : body.split('\n'))
        {
            const QByteArray candidate = line.trimmed();
            if (candidate.size() < 4 || !candidate.startsWith("--"))
                continue;
            QByteArray boundary = candidate.mid(2);
            if (boundary.endsWith("--"))
                boundary.chop(2);
            if (!boundary.isEmpty() && body.count("--" + boundary) >= 2)
                return boundary;
        }
        return {};
    }

    // Splits at every line that starts with "--boundary", whatever follows on the line.
    static bool splitLoosely(const QByteArray& body, const QByteArray& boundary, QList<QByteArray>& parts,
                             QByteArray& outside)
    {
        const QByteArray delimiter = "--" + boundary;
        QByteArray current;
        bool inPart = false;
        bool closed = false;
        for (const QByteArray& line : body.split('\n'))
        {
            if (!closed && line.startsWith(delimiter))
            {
                if (inPart)
                    parts << current;
                current.clear();
                inPart = true;
                if (line.mid(delimiter.size()).startsWith("--"))
                {
                    inPart = false;
                    closed = true;
                }
                continue;
            }
            (inPart ? current : outside) += line + '\n';
        }
        if (inPart)
            parts << current;
        return !parts.isEmpty();
    }

    // The parser found no part: the boundary was missing, folded or mistyped. Try harder, and
    // when nothing works print the text as written rather than lose it.
    void recoverMultipart(GMimeMultipart* mp, int depth)
    {
        const QByteArray body =
            QByteArray(g_mime_multipart_get_prologue(mp)) + "\n" + QByteArray(g_mime_multipart_get_epilogue(mp));
        const QByteArray declared(g_mime_multipart_get_boundary(mp));
        QByteArray squeezed = declared;
        squeezed.replace(' ', "").replace('\t', "").replace('\r', "").replace('\n', "");
        for (const QByteArray& boundary : {declared, squeezed, discoverBoundary(body)})
        {
            QList<QByteArray> parts;
            QByteArray outside;
            if (boundary.isEmpty() || !splitLoosely(body, boundary, parts, outside))
                continue;
            for (const QByteArray& part : parts)
            {
                GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(part.constData(), part.size()));
                GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
                GObjectPtr<GMimeObject> object(g_mime_parser_construct_part(parser.get(), m_options));
                if (object)
                    walk(object.get(), depth + 1, false);
                else
                    addRaw(part);
            }
            if (!isMimeBoilerplate(outside))
                addRaw(outside);
            return;
        }
        addRaw(body);
    }

    // Text before the first part and after the last is printed where it stands.
    void walkMultipart(GMimeMultipart* mp, int depth)
    {
        if (g_mime_multipart_get_count(mp) == 0)
        {
            recoverMultipart(mp, depth);
            return;
        }
        if (const char* prologue = g_mime_multipart_get_prologue(mp); prologue && !isMimeBoilerplate(prologue))
            addPlainText(decodeText(prologue, QByteArray()).trimmed());
        walkParts(mp, depth);
        if (const QString epilogue = decodeText(g_mime_multipart_get_epilogue(mp), QByteArray()).trimmed();
            !epilogue.isEmpty())
            addPlainText(epilogue);
    }

    void walkParts(GMimeMultipart* mp, int depth)
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
        if (subtype == u"related")
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
        QString fileName = fromUtf8(g_mime_part_get_filename(part)).trimmed();
        const bool declaredAttachment = disposition == u"attachment";
        const bool invalidType = !validContentType(object);
        if (invalidType && fileName.isEmpty())
            fileName = nameFromInvalidType(object);

        if (media == u"message" && (subtype == u"rfc822" || subtype == u"global"))
        {
            // Sent in base64 or quoted-printable, an attached message reaches us as a plain part.
            Message sub;
            const QByteArray content = decodedContent(part);
            if (parseMessage(content, sub, m_leafDepth + 1, nullptr))
            {
                sub.fileName = fileName;
                sub.byteSize = content.size();
                m_message.embedded.push_back(std::move(sub));
                return;
            }
        }
        if (isTnef(media + u'/' + subtype, fileName) && readTnefPart(part))
            return;
        if (isSmime(media + u'/' + subtype, fileName) && readSmimePart(part, topLevel))
            return;

        // A type without a valid subtype is plain text (RFC 2045).
        const bool html = !invalidType && media == u"text" && subtype == u"html";
        const bool plain =
            invalidType ||
            (media == u"text" && (subtype == u"plain" || subtype.isEmpty() || subtype == u"rfc822-headers" ||
                                  subtype == u"richtext" || subtype == u"enriched")) ||
            (media == u"message" && (subtype == u"delivery-status" || subtype == u"disposition-notification" ||
                                     subtype == u"feedback-report"));
        const bool inlineText = !declaredAttachment && (fileName.isEmpty() || disposition == u"inline");
        // A message that is only one text part shows it even when the sender calls it an attachment.
        if ((html || plain) && (inlineText || topLevel || invalidType))
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
                addPlainText(text);
            }
            if (fileName.isEmpty() || (!topLevel && !invalidType))
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

    static bool isTnef(const QString& mimeType, const QString& fileName)
    {
        return mimeType == u"application/ms-tnef" || mimeType == u"application/vnd.ms-tnef" ||
               fileName.compare(QStringLiteral("winmail.dat"), Qt::CaseInsensitive) == 0;
    }

    // Outlook's winmail.dat: its body joins the message's, its files join the attachment list.
    bool readTnefPart(GMimePart* part)
    {
        Message tnef;
        if (!readTnef(decodedContent(part), tnef))
            return false;
        if (!tnef.htmlBody.isEmpty())
        {
            m_pieces.push_back({true, tnef.htmlBody});
            m_anyHtml = true;
        }
        else if (!tnef.textBody.isEmpty())
            m_pieces.push_back({false, tnef.textBody.trimmed()});
        for (Attachment& a : tnef.attachments)
            m_resources.push_back({std::move(a), true});
        for (Message& embedded : tnef.embedded)
            m_message.embedded.push_back(std::move(embedded));
        return true;
    }

    static QString withoutTrailingBlanks(QString text)
    {
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1).isSpace())
            --end;
        text.truncate(end);
        return text;
    }

    // Old mail carries files uuencoded in its text: they are listed, and shown as text or image.
    void addPlainText(const QString& text)
    {
        Uuencoded split = Uuencoded::split(text);
        for (size_t i = 0; i < split.files.size(); ++i)
        {
            if (const QString before = withoutTrailingBlanks(split.texts[int(i)]); !before.trimmed().isEmpty())
                m_pieces.push_back({false, before});
            Resource resource;
            resource.declaredAttachment = true;
            Attachment& a = resource.attachment;
            a.fileName = split.files[i].name;
            a.content = std::move(split.files[i].content);
            a.mimeType = QMimeDatabase().mimeTypeForFileNameAndData(a.fileName, a.content).name();
            if (a.mimeType.startsWith(u"image/"))
            {
                m_pieces.push_back({true, imageHtml(a)});
                m_anyHtml = true;
            }
            else if (a.mimeType.startsWith(u"text/"))
                m_pieces.push_back({false, withoutTrailingBlanks(decodeText(a.content, QByteArray()))});
            m_resources.push_back(std::move(resource));
        }
        // Trailing blank lines would only cost paper.
        m_pieces.push_back({false, withoutTrailingBlanks(split.texts.last())});
    }

    void addNote(const QString& note)
    {
        if (!m_message.notes.contains(note))
            m_message.notes << note;
    }

    static bool isSmime(const QString& mimeType, const QString& fileName)
    {
        return mimeType == u"application/pkcs7-mime" || mimeType == u"application/x-pkcs7-mime" ||
               fileName.endsWith(QStringLiteral(".p7m"), Qt::CaseInsensitive);
    }

    // An opaque-signed message carries its whole content inside the signature structure.
    bool readSmimePart(GMimePart* part, bool topLevel)
    {
        const SmimeContent smime = SmimeContent::read(decodedContent(part));
        if (smime.kind == SmimeContent::Kind::Encrypted)
        {
            m_pieces.push_back(
                {false, QStringLiteral("This part is encrypted; it cannot be printed without the recipient's key.")});
            return true;
        }
        if (smime.kind != SmimeContent::Kind::Signed || smime.content.isEmpty())
            return false;
        addNote(QStringLiteral("This message is signed; the signature was not checked."));
        const PreparedMessage inner = prepareMessage(smime.content);
        GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(inner.bytes.constData(), inner.bytes.size()));
        GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
        GObjectPtr<GMimeObject> object(inner.noHeader ? nullptr
                                                      : g_mime_parser_construct_part(parser.get(), m_options));
        if (object)
            walk(object.get(), m_leafDepth + 1, topLevel);
        else
            m_pieces.push_back({false, decodeText(inner.bytes, QByteArray()).trimmed()});
        return true;
    }

    static bool validContentType(GMimeObject* object)
    {
        const char* raw = g_mime_object_get_header(object, "Content-Type");
        if (!raw)
            return true; // no header: text/plain by default
        static const QRegularExpression re(
            QStringLiteral(R"(^\s*[!#$%&'*+\-.^_`|~0-9A-Za-z]+\s*/\s*[!#$%&'*+\-.^_`|~0-9A-Za-z]+\s*(;|$))"));
        return re.match(QString::fromLatin1(raw)).hasMatch();
    }

    // The parser drops the parameters of a type it cannot read; the file name is still wanted.
    static QString nameFromInvalidType(GMimeObject* object)
    {
        static const QRegularExpression re(QStringLiteral(R"re(;\s*name\s*=\s*(?:"([^"]*)"|([^\s;]+)))re"),
                                           QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = re.match(fromUtf8(g_mime_object_get_header(object, "Content-Type")));
        return m.hasMatch() ? (m.captured(1) + m.captured(2)).trimmed() : QString();
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
            if (r.relatedImage && !html.isEmpty() && !r.attachment.isShownBy(html.join(QString())))
                unshown += imageHtml(r.attachment);
        if (!unshown.isEmpty())
            html << QStringLiteral("<p>") + unshown + QStringLiteral("</p>");
        m_message.htmlBody = html.join(QString());
        m_message.textBody = text.join(QStringLiteral("\n\n"));
        if (!m_raw.isEmpty())
        {
            if (!m_message.rawText.isEmpty())
                m_raw.prepend(m_message.rawText);
            m_message.rawText = m_raw.join(QStringLiteral("\n\n"));
        }

        for (Resource& r : m_resources)
        {
            Attachment& a = r.attachment;
            const bool referenced = a.isShownBy(m_message.htmlBody);
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
    int m_leafDepth = 0;
    QStringList m_raw;
    std::vector<std::pair<bool, QString>> m_pieces;
    bool m_anyHtml = false;
    int m_inRelated = 0;
    int m_partIds = 0;
    std::vector<Resource> m_resources;
};

// A NUL, or many control characters, near the start: a store, an image, a program.
bool looksBinary(const QByteArray& bytes)
{
    const QByteArrayView head = QByteArrayView(bytes).first(qMin<qsizetype>(bytes.size(), 64 * 1024));
    qsizetype controls = 0;
    for (char c : head)
    {
        if (c == '\0')
            return true;
        controls += uchar(c) < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\x1b';
    }
    return controls * 20 > head.size();
}

bool parseMessage(const QByteArray& raw, Message& message, int depth, QString* error)
{
    message = Message();
    if (depth > MaxDepth)
    {
        message.notes << QStringLiteral("content nested too deeply was left out");
        return true;
    }
    const PreparedMessage prepared = prepareMessage(raw);
    if (prepared.noHeader && looksBinary(prepared.bytes))
    {
        if (error)
            *error = MimeReader::notMailError();
        return false;
    }
    if (prepared.noHeader)
    {
        // Text without any header is still a message: print it with empty header fields.
        message.textBody = decodeText(prepared.bytes, QByteArray()).trimmed();
        return true;
    }

    GMimeParserOptions* options = readerOptions();
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(prepared.bytes.constData(), prepared.bytes.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> gm(g_mime_parser_construct_message(parser.get(), options));
    if (!gm)
    {
        if (error)
            *error = QStringLiteral("not an Internet message");
        return false;
    }
    message.rawText = decodeText(prepared.stray, QByteArray()).trimmed();
    Collector(message, options).fill(gm.get(), depth);
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        if (error)
            *error = file.errorString();
        return false;
    }
    return parseMessage(file.readAll(), message, 0, error);
}

bool MimeReader::readBytes(const QByteArray& bytes, Message& message, QString* error)
{
    ensureGMime();
    return parseMessage(bytes, message, 0, error);
}

} // namespace Render
