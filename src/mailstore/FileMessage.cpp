#include "FileMessage.h"

#include "AppError.h"
#include "GMimePtr.h"
#include "HeaderFields.h"
#include "MailDate.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "PrintTarget.h"
#include "StoreNode.h"

#include <QTextDocumentFragment>
#include <QTimeZone>

namespace MailStore
{

using Render::GObjectPtr;

// Through a zone read once: the C library's local time checks the zone file again for every message.
QDateTime localDateTime(qint64 secs)
{
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return zone.isValid() ? QDateTime::fromSecsSinceEpoch(secs, zone) : QDateTime::fromSecsSinceEpoch(secs);
}

namespace
{

MessageSummary summaryOf(const Render::HeaderFields& fields)
{
    MessageSummary summary;
    const Render::HeaderFields::Mailbox sender = fields.sender();
    summary.senderName = sender.name;
    summary.senderAddress = sender.address;
    summary.subject = fields.subject();
    summary.dateText = fields.dateText();
    summary.sent = Render::MailDate::parse(summary.dateText);
    if (summary.sent.dateTime.isValid())
        summary.date = localDateTime(summary.sent.dateTime.toSecsSinceEpoch());
    return summary;
}

// A header block laid out in ways only the message parser reads.
MessageSummary parsedSummary(const QByteArray& header)
{
    Render::ensureGMime();
    // The parser wants the blank line that ends a header block.
    QByteArray block = header;
    block += "\n\n";
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(block.constData(), block.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), Render::readerOptions()));
    if (!message)
        return {};
    Render::HeaderFields fields;
    fields.add(GMIME_OBJECT(message.get()));
    return summaryOf(fields);
}

} // namespace

MessageSummary MessageSummary::fromHeader(const QByteArray& header)
{
    Render::HeaderFields fields;
    return fields.addBlock(header) ? summaryOf(fields) : parsedSummary(header);
}

QString plainTextOf(const Render::Message& message)
{
    if (!message.textBody.isEmpty())
        return message.textBody;
    if (!message.htmlBody.isEmpty())
        return QTextDocumentFragment::fromHtml(message.htmlBody).toPlainText();
    return {};
}

namespace
{
PrintTarget* currentTarget = nullptr;
}

ScopedPrintTarget::ScopedPrintTarget(PrintTarget& target) : m_previous(currentTarget)
{
    currentTarget = &target;
}

ScopedPrintTarget::~ScopedPrintTarget()
{
    currentTarget = m_previous;
}

void printMessage(const Render::Message& message, const QString& source)
{
    QString error;
    const bool printed = currentTarget ? currentTarget->print(message, &error)
                                       : Render::MessagePrinter::toPrinter(message, QString(), &error);
    Render::MessagePrinter::releaseFreedMemory();
    if (!printed)
        throw AppError(Outlook::olPrinterFailure, source,
                       QStringLiteral("The message \"%1\" could not be printed: %2").arg(message.subject, error));
}

Render::Message FileMessage::read()
{
    const QByteArray bytes = m_load();
    if (bytes.isEmpty())
        storeError(QStringLiteral("MailItem"), QStringLiteral("The message can no longer be read from its store."));
    Render::Message message;
    QString error;
    if (!Render::MimeReader::readBytes(bytes, message, &error))
        storeError(QStringLiteral("MailItem"), QStringLiteral("The message cannot be read: %1").arg(error));
    message.source = bytes;
    return message;
}

QString FileMessage::Body()
{
    return plainTextOf(read());
}

QString FileMessage::SentOnText()
{
    return m_summary.sent.format(m_summary.dateText);
}

void FileMessage::PrintOut()
{
    printMessage(read(), QStringLiteral("MailItem.PrintOut"));
}

} // namespace MailStore
