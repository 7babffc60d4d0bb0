#include "MessageDocument.h"

#include "MailDate.h"
#include "PrintLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <vector>

namespace Render
{

namespace
{

const QString RawTextNote =
    QStringLiteral("Part of this message does not follow the mail format; it is printed below as written.");

QString attachedHeading(const Message& message)
{
    return message.fileName.isEmpty() ? QStringLiteral("Attached message")
                                      : QStringLiteral("Attached message: %1").arg(message.fileName);
}

const QString RunningSeparator = QStringLiteral("  –  ");

QFont bodyFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    return font;
}

QFont plainFont()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(9);
    return font;
}

QString shortened(const QString& text, qsizetype length)
{
    return text.size() <= length ? text : text.left(length - 1) + QChar(0x2026);
}

// A header of a megabyte as one paragraph costs seconds per layout pass and per page
// drawn: such values are cut, at spaces where possible, into paragraphs of a few thousand
// characters.
QString inParagraphs(const QString& value)
{
    constexpr qsizetype Chunk = 4000;
    if (value.size() <= Chunk)
        return value;
    QString out;
    out.reserve(value.size() + value.size() / Chunk);
    qsizetype start = 0;
    while (start < value.size())
    {
        qsizetype end = qMin(start + Chunk, value.size());
        if (end < value.size())
        {
            const qsizetype space = value.lastIndexOf(u' ', end);
            if (space > start + Chunk / 2)
                end = space + 1;
        }
        if (!out.isEmpty())
            out += QChar::ParagraphSeparator;
        out += QStringView(value).sliced(start, end - start);
        start = end;
    }
    return out;
}

// Undoes what the HTML importer does for <pre> and nowrap: such lines must still wrap on paper.
void allowWrapping(QTextDocument& doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
    {
        if (!block.blockFormat().nonBreakableLines())
            continue;
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setNonBreakableLines(false);
        cursor.setBlockFormat(format);
    }
}

// Drawn where an image cannot be shown, beside a label that says why.
const QString MissingImage = QStringLiteral("vellumtide:missing-image");

QImage missingImageBox()
{
    QImage box(24, 24, QImage::Format_RGB32);
    box.fill(Qt::white);
    QPainter painter(&box);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(1, 1, 22, 22);
    painter.drawLine(1, 1, 23, 23);
    painter.drawLine(1, 23, 23, 1);
    return box;
}

QString missingImageLabel(const QString& source, bool partFound)
{
    const QString scheme = QUrl(source).scheme().toLower();
    QString shown = source.left(200);
    if (scheme == u"http" || scheme == u"https" || scheme == u"ftp" || source.startsWith(QLatin1String("//")))
        return QStringLiteral("[image not fetched: %1]").arg(shown);
    if (partFound)
        return QStringLiteral("[image could not be read: %1]").arg(shown);
    return QStringLiteral("[image not in the message: %1]").arg(shown);
}

// `width` in CSS pixels, the unit of the frames' fixed widths.
void fitFrames(QTextFrame* frame, qreal width)
{
    for (QTextFrame* child : frame->childFrames())
    {
        QTextFrameFormat format = child->frameFormat();
        bool changed = false;
        if (format.width().type() == QTextLength::FixedLength && format.width().rawValue() > width)
        {
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            changed = true;
        }
        if (format.isTableFormat())
        {
            QTextTableFormat table = format.toTableFormat();
            QList<QTextLength> columns = table.columnWidthConstraints();
            for (QTextLength& c : columns)
                if (c.type() == QTextLength::FixedLength)
                {
                    c = QTextLength();
                    changed = true;
                }
            table.setColumnWidthConstraints(columns);
            format = table;
        }
        if (changed)
            child->setFrameFormat(format);
        fitFrames(child, width);
    }
}

} // namespace

MessageDocument::MessageDocument(QObject* parent) : QTextDocument(parent)
{
    setDefaultFont(bodyFont());
    setDocumentMargin(0);
    QTextOption option = defaultTextOption();
    // Long unbroken words (URLs, base64 someone pasted) must never run off the page.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setDefaultTextOption(option);
    setUndoRedoEnabled(false);
}

QList<QPair<QString, QString>> MessageDocument::headerFields(const Message& message)
{
    QList<QPair<QString, QString>> fields;
    auto add = [&](const QString& label, const QString& value) {
        if (!value.trimmed().isEmpty())
            fields.append({label, value});
    };
    add(QStringLiteral("From"), message.from);
    add(QStringLiteral("Sent"), formatMailDate(message));
    add(QStringLiteral("To"), message.to);
    add(QStringLiteral("Cc"), message.cc);
    add(QStringLiteral("Bcc"), message.bcc);
    add(QStringLiteral("Reply-To"), message.replyTo);
    add(QStringLiteral("Subject"), message.subject);
    QStringList names;
    for (const Attachment& a : message.attachments)
        names << QStringLiteral("%1 (%2)").arg(a.fileName, a.sizeText());
    for (const Message& sub : message.embedded)
        if (!sub.fileName.isEmpty())
            names << QStringLiteral("%1 (%2)").arg(sub.fileName, Attachment::sizeText(sub.byteSize));
    add(QStringLiteral("Attachments"), names.join(QStringLiteral("; ")));
    return fields;
}

QString MessageDocument::composeHtml(const Message& message)
{
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const auto& [label, value] : headerFields(message))
        html += QStringLiteral("<tr><td valign=\"top\"><b>%1:</b></td><td>%2</td></tr>")
                    .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
    html += QStringLiteral("</table><hr>");
    if (!message.htmlBody.isEmpty())
        html += message.htmlBody;
    else if (!message.textBody.isEmpty())
        html += QStringLiteral("<pre style=\"white-space: pre-wrap\">") + message.textBody.toHtmlEscaped() +
                QStringLiteral("</pre>");
    else if (message.rawText.isEmpty())
        html += QStringLiteral("<p><i>This message has no text body.</i></p>");
    if (!message.rawText.isEmpty())
        html += QStringLiteral("<p><i>%1</i></p><pre style=\"white-space: pre-wrap\">").arg(RawTextNote) +
                message.rawText.toHtmlEscaped() + QStringLiteral("</pre>");
    for (const QString& note : message.notes)
        html += QStringLiteral("<p><i>[%1]</i></p>").arg(note.toHtmlEscaped());
    for (const Message& sub : message.embedded)
        html += QStringLiteral("<hr><p><b>%1</b></p>").arg(attachedHeading(sub).toHtmlEscaped()) + composeHtml(sub);
    return html;
}

void MessageDocument::setMessage(const Message& message)
{
    clear();
    m_parts.clear();
    m_title = message.subject;
    QStringList rest;
    m_runningSubject.clear();
    for (const auto& [name, value] : headerFields(message))
        if (name == u"Subject")
            m_runningSubject = value.left(1000).simplified();
        else if (name == u"From")
            rest.prepend(shortened(value.simplified(), 48)); // the sender keeps a place on the line
        else if (name == u"Sent")
            rest.append(value.simplified());
    m_runningRest = rest.join(RunningSeparator);
    addResources(message);
    addResource(QTextDocument::ImageResource, QUrl(MissingImage), missingImageBox());
    QTextCursor cursor(this);
    appendMessage(cursor, message, 0);
    allowWrapping(*this);
    PrintLayout::pixelFontsToPoints(*this);
    PrintLayout::oneFontForHanText(*this);
    PrintLayout::showLinkTargets(*this);
    markMissingImages();
}

QString MessageDocument::joinRunning(const QString& subject, const QString& rest)
{
    return subject.isEmpty() || rest.isEmpty() ? subject + rest : subject + RunningSeparator + rest;
}

QString MessageDocument::runningHeader(const QFontMetricsF& metrics, qreal width) const
{
    const QString whole = runningHeader();
    if (metrics.horizontalAdvance(whole) <= width)
        return whole;
    const qreal room = width - metrics.horizontalAdvance(joinRunning(QStringLiteral("x"), m_runningRest));
    const QString ellipsis(QChar(0x2026));
    QString subject;
    for (const QString& word : m_runningSubject.split(u' ', Qt::SkipEmptyParts))
    {
        const QString longer = subject.isEmpty() ? word : subject + u' ' + word;
        if (metrics.horizontalAdvance(longer + ellipsis) > room)
            break;
        subject = longer;
    }
    // A first word too long for the room is cut where it must be.
    subject = subject.isEmpty() ? metrics.elidedText(m_runningSubject, Qt::ElideRight, qMax<qreal>(0, room))
                                : subject + ellipsis;
    return metrics.elidedText(joinRunning(subject, m_runningRest), Qt::ElideLeft, width);
}

void MessageDocument::markMissingImages()
{
    struct Missing
    {
        int position;
        int length;
        QString label;
        QTextCharFormat format;
    };
    std::vector<Missing> missing;
    for (QTextBlock block = begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
        {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            const QString name = fragment.charFormat().toImageFormat().name();
            if (name == MissingImage || !resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>().isNull())
                continue;
            const bool found = m_parts.contains(name.toLower());
            missing.push_back(
                {fragment.position(), fragment.length(), missingImageLabel(name, found), fragment.charFormat()});
        }
    QTextCursor cursor(this);
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    {
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QTextImageFormat box;
        box.setName(MissingImage);
        box.setWidth(10);
        box.setHeight(10);
        QTextCharFormat label = it->format;
        label.setObjectType(QTextFormat::NoObject);
        label.clearProperty(QTextFormat::ImageName);
        label.clearProperty(QTextFormat::ImageWidth);
        label.clearProperty(QTextFormat::ImageHeight);
        label.setFontPointSize(7.5);
        label.setFontItalic(true);
        for (int i = 0; i < it->length; ++i)
        {
            cursor.insertImage(box);
            cursor.insertText(u' ' + it->label, label);
        }
    }
}

void MessageDocument::addResources(const Message& message)
{
    for (const Attachment& a : message.inlineParts)
    {
        if (!a.contentId.isEmpty())
        {
            m_parts.insert(QStringLiteral("cid:") + a.contentId.toLower(), a.content);
            m_parts.insert(QStringLiteral("cid:") + QUrl::toPercentEncoding(a.contentId).toLower(), a.content);
        }
        if (!a.contentLocation.isEmpty())
            m_parts.insert(a.contentLocation.toLower(), a.content);
    }
    for (const Message& sub : message.embedded)
        addResources(sub);
}

void MessageDocument::appendMessage(QTextCursor& cursor, const Message& message, int depth)
{
    if (depth > 0)
    {
        cursor.insertBlock();
        cursor.insertHtml(QStringLiteral("<hr>"));
        cursor.insertBlock();
        QTextCharFormat heading;
        heading.setFontWeight(QFont::Bold);
        heading.setFontPointSize(11);
        cursor.insertText(attachedHeading(message), heading);
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    }

    const auto fields = headerFields(message);
    if (!fields.isEmpty())
    {
        QTextTableFormat tableFormat;
        tableFormat.setBorder(0);
        tableFormat.setCellPadding(1);
        tableFormat.setCellSpacing(0);
        tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        tableFormat.setColumnWidthConstraints(
            {QTextLength(QTextLength::PercentageLength, 16), QTextLength(QTextLength::PercentageLength, 84)});
        QTextTable* table = cursor.insertTable(fields.size(), 2, tableFormat);
        QTextCharFormat label;
        label.setFontWeight(QFont::Bold);
        const QTextCharFormat value;
        for (int row = 0; row < fields.size(); ++row)
        {
            QTextCursor cell = table->cellAt(row, 0).firstCursorPosition();
            cell.insertText(fields[row].first + u':', label);
            cell = table->cellAt(row, 1).firstCursorPosition();
            cell.insertText(inParagraphs(fields[row].second), value);
        }
        cursor = table->lastCursorPosition();
        cursor.movePosition(QTextCursor::NextBlock);
    }
    cursor.insertHtml(QStringLiteral("<hr>"));
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());

    if (!message.htmlBody.isEmpty())
    {
        cursor.insertHtml(PrintLayout::rowsInsteadOfLargeTables(message.htmlBody));
    }
    else if (!message.textBody.isEmpty())
    {
        QTextCharFormat plain;
        plain.setFont(plainFont());
        cursor.insertText(message.textBody, plain);
    }
    else if (message.rawText.isEmpty())
    {
        QTextCharFormat note;
        note.setFontItalic(true);
        cursor.insertText(QStringLiteral("This message has no text body."), note);
    }
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat noteFormat;
    noteFormat.setFontItalic(true);
    if (!message.rawText.isEmpty())
    {
        if (!message.htmlBody.isEmpty() || !message.textBody.isEmpty())
        {
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        }
        cursor.insertText(RawTextNote, noteFormat);
        QTextCharFormat plain;
        plain.setFont(plainFont());
        cursor.insertBlock(QTextBlockFormat(), plain);
        cursor.insertText(message.rawText, plain);
    }
    for (const QString& note : message.notes)
    {
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(QStringLiteral("[%1]").arg(note), noteFormat);
    }

    for (const Message& sub : message.embedded)
        appendMessage(cursor, sub, depth + 1);
}

QVariant MessageDocument::loadResource(int type, const QUrl& name)
{
    // Only parts of the message itself: no network, no local files (a mail must not be
    // able to print /etc/passwd through <img src="file:...">).
    if (type != QTextDocument::ImageResource)
        return QVariant();
    const QString key = name.toString().toLower();
    auto it = m_parts.constFind(key);
    if (it == m_parts.constEnd())
        it = m_parts.constFind(QUrl::fromPercentEncoding(key.toUtf8()).toLower());
    if (it == m_parts.constEnd())
        return QVariant();
    QImage image = QImage::fromData(*it);
    if (image.isNull())
        return QVariant();
    return image;
}

void MessageDocument::fitToWidth(qreal width, qreal pageHeight)
{
    // Frame and image sizes are in CSS pixels; the layout scales them to the paint device.
    const QPaintDevice* device = documentLayout()->paintDevice();
    const qreal scale = device ? device->logicalDpiX() / 96.0 : 1.0;
    const qreal maxWidth = width / scale;
    fitFrames(rootFrame(), maxWidth);
    PrintLayout::fitTables(*this, width);
    // Taller than a page, an image would leave the page before it blank and be cut.
    const qreal maxHeight = pageHeight > 0 ? pageHeight * 0.9 / scale : 1e9;
    struct Change
    {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Change> changes; // applied after the walk, which they would disturb
    for (QTextBlock block = begin(); block.isValid(); block = block.next())
    {
        for (auto it = block.begin(); !it.atEnd(); ++it)
        {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            qreal w = format.width();
            qreal h = format.height();
            if (w <= 0 || h <= 0)
            {
                const QImage image = resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
                if (image.isNull())
                    continue;
                if (w <= 0 && h <= 0)
                {
                    w = image.width();
                    h = image.height();
                }
                else if (w <= 0)
                    w = h * image.width() / qMax(1, image.height());
                else
                    h = w * image.height() / qMax(1, image.width());
            }
            const qreal shrink = qMin(maxWidth / w, maxHeight / h);
            if (shrink >= 1)
                continue;
            format.setWidth(w * shrink);
            format.setHeight(h * shrink);
            changes.push_back({fragment.position(), fragment.length(), format});
        }
    }
    for (const Change& change : changes)
    {
        QTextCursor cursor(this);
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
}

} // namespace Render
