#include "MessagePages.h"

#include "Attachment.h"
#include "Message.h"
#include "MessageDocument.h"
#include "OfficeConverter.h"
#include "PagePainter.h"
#include "TextDecoding.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>
#include <QPaintDevice>
#include <QTextDocument>

namespace Render
{

namespace
{

bool looksLikePdf(const Attachment& attachment)
{
    return attachment.mimeType == u"application/pdf" || attachment.content.startsWith("%PDF-");
}

// Text files often come as application/octet-stream: judge by the bytes.
bool looksLikeText(const Attachment& attachment)
{
    if (attachment.mimeType.startsWith(u"text/"))
        return true;
    const QByteArray head = attachment.content.left(64 * 1024);
    if (head.isEmpty())
        return false;
    qsizetype control = 0;
    for (const char c : head)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return false;
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f')
            ++control;
    }
    return control * 100 <= head.size();
}

QString shownName(const Attachment& attachment)
{
    return attachment.fileName.isEmpty() ? QStringLiteral("(unnamed)") : attachment.fileName;
}

} // namespace

QString MessagePages::outlineTitle(const Message& message)
{
    const QString date =
        message.date.isValid() ? message.date.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : message.dateText;
    const QString subject = message.subject.isEmpty() ? QStringLiteral("(no subject)") : message.subject;
    return QStringLiteral("%1 \u00b7 %2 \u00b7 %3")
        .arg(date.isEmpty() ? QStringLiteral("undated") : date, message.from, subject);
}

int MessagePages::nextPage() const
{
    return m_firstPage + m_painter.pageCount();
}

PdfAssembly::Bookmark MessagePages::add(const Message& message, bool attachments)
{
    PdfAssembly::Bookmark entry{outlineTitle(message), nextPage(), {}};
    MessageDocument doc;
    doc.setMessage(message);
    m_painter.add(doc);
    if (attachments)
        addAttachments(message, entry);
    return entry;
}

void MessagePages::addAttachments(const Message& message, PdfAssembly::Bookmark& entry)
{
    const qsizetype count = message.attachments.size();
    for (qsizetype i = 0; i < count; ++i)
    {
        const Attachment& attachment = message.attachments[i];
        const QString subject = message.subject.isEmpty() ? QStringLiteral("(no subject)") : message.subject;
        entry.children.append(
            {QStringLiteral("Attachment %1 of %2: %3").arg(i + 1).arg(count).arg(shownName(attachment)),
             nextPage(),
             {}});
        addAttachment(attachment, QStringLiteral("Attachment %1 of %2 to: %3 \u00b7 %4 \u00b7 %5")
                                      .arg(i + 1)
                                      .arg(count)
                                      .arg(subject, shownName(attachment), attachment.sizeText()));
    }
    // Attached messages print inside their message; their own attachments follow here.
    for (const Message& embedded : message.embedded)
        addAttachments(embedded, entry);
}

void MessagePages::addAttachment(const Attachment& attachment, const QString& header)
{
    QString reason;
    if (looksLikePdf(attachment))
    {
        if (addPdf(attachment.content, header, &reason))
            return;
        return addPlaceholder(attachment, header, reason);
    }
    QBuffer buffer;
    buffer.setData(attachment.content);
    QImageReader reader(&buffer);
    const QImage image = reader.canRead() ? reader.read() : QImage();
    if (!image.isNull())
    {
        m_painter.addPage(header, QStringLiteral("Page 1 of 1"), [&](QPainter& painter, const QRectF& body) {
            // Its own size on paper (96 dpi when the file does not say), never larger, shrunk to fit.
            const qreal fileDpi = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 96.0;
            const qreal deviceDpi = painter.device()->logicalDpiX();
            QSizeF size = QSizeF(image.size()) * (deviceDpi / fileDpi);
            if (size.width() > body.width() || size.height() > body.height())
                size.scale(body.size(), Qt::KeepAspectRatio);
            painter.drawImage(QRectF(QPointF(body.left() + (body.width() - size.width()) / 2, body.top()), size),
                              image);
        });
        return;
    }
    if (attachment.mimeType.startsWith(u"image/"))
        return addPlaceholder(attachment, header,
                              QStringLiteral("the image cannot be read: %1").arg(reader.errorString()));
    if (OfficeConverter::isOfficeDocument(attachment))
    {
        QByteArray pdf;
        if (OfficeConverter::toPdf(attachment, pdf, &reason) && addPdf(pdf, header, &reason))
            return;
        return addPlaceholder(attachment, header, reason);
    }
    if (looksLikeText(attachment))
    {
        QTextDocument text;
        text.setPlainText(decodeText(attachment.content, QByteArray()));
        m_painter.add(text, header, true);
        return;
    }
    addPlaceholder(attachment, header, QStringLiteral("files of this type cannot be printed"));
}

bool MessagePages::addPdf(const QByteArray& pdf, const QString& header, QString* reason)
{
    const int pages = PdfAssembly::pageCount(pdf, reason);
    if (pages < 0)
        return false;
    const int source = m_assembly.addSource(pdf, reason);
    if (source < 0)
        return false;
    for (int page = 0; page < pages; ++page)
    {
        const int target = nextPage();
        const QRectF box = m_painter.addPage(header, QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages),
                                             [](QPainter&, const QRectF&) {});
        m_assembly.place({target, source, page, box});
    }
    return true;
}

void MessagePages::addPlaceholder(const Attachment& attachment, const QString& header, const QString& reason)
{
    const auto row = [](const QString& label, const QString& value) {
        return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(label, value.toHtmlEscaped());
    };
    QTextDocument note;
    note.setHtml(QStringLiteral("<h3>This attachment is not shown</h3><table cellpadding=\"3\">") +
                 row(QStringLiteral("File"), shownName(attachment)) +
                 row(QStringLiteral("Type"),
                     attachment.mimeType.isEmpty() ? QStringLiteral("application/octet-stream") : attachment.mimeType) +
                 row(QStringLiteral("Size"), QStringLiteral("%1 bytes").arg(attachment.size())) +
                 row(QStringLiteral("Why"), reason) +
                 QStringLiteral("</table><p><b>SHA-256</b><br/><tt>%1</tt></p>")
                     .arg(QString::fromLatin1(
                         QCryptographicHash::hash(attachment.content, QCryptographicHash::Sha256).toHex())));
    m_painter.add(note, header, true);
}

} // namespace Render
