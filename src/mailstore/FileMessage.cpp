#include "FileMessage.h"

#include "AppError.h"
#include "GMimePtr.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "PrintTarget.h"
#include "StoreNode.h"

#include <QTextDocumentFragment>

namespace MailStore
{

using Render::GCharPtr;
using Render::GObjectPtr;

MessageSummary MessageSummary::fromHeader(const QByteArray& header)
{
    Render::ensureGMime();
    MessageSummary summary;
    // The parser wants the blank line that ends a header block.
    QByteArray block = header;
    block += "\n\n";
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(block.constData(), block.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message)
        return summary;
    if (const char* subject = g_mime_message_get_subject(message.get()))
        summary.subject = QString::fromUtf8(subject);
    InternetAddressList* from = g_mime_message_get_from(message.get());
    if (from && internet_address_list_length(from) > 0)
    {
        InternetAddress* first = internet_address_list_get_address(from, 0);
        if (const char* name = internet_address_get_name(first))
            summary.senderName = QString::fromUtf8(name);
        if (INTERNET_ADDRESS_IS_MAILBOX(first))
        {
            if (const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)))
                summary.senderAddress = QString::fromUtf8(addr);
        }
        if (summary.senderName.isEmpty())
            summary.senderName = summary.senderAddress;
    }
    if (GDateTime* date = g_mime_message_get_date(message.get()))
        summary.date = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date)).toLocalTime();
    return summary;
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
    return message;
}

QString FileMessage::Body()
{
    return plainTextOf(read());
}

void FileMessage::PrintOut()
{
    printMessage(read(), QStringLiteral("MailItem.PrintOut"));
}

} // namespace MailStore
