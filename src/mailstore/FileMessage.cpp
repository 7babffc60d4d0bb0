#include "FileMessage.h"

#include "AppError.h"
#include "GMimePtr.h"
#include "MailDate.h"
#include "Message.h"
#include "MessagePrinter.h"
#include "MimeReader.h"
#include "PrintTarget.h"
#include "StoreNode.h"

#include <QTextDocumentFragment>
#include <QTimeZone>
#include <vector>

namespace MailStore
{

using Render::GCharPtr;
using Render::GObjectPtr;

// Through a zone read once: the C library's local time checks the zone file again for every message.
QDateTime localDateTime(qint64 secs)
{
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return zone.isValid() ? QDateTime::fromSecsSinceEpoch(secs, zone) : QDateTime::fromSecsSinceEpoch(secs);
}

namespace
{

QString fromUtf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// The whole header block through GMime's message parser.
MessageSummary parsedSummary(const QByteArray& header)
{
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
    if (const char* raw = g_mime_object_get_header(GMIME_OBJECT(message.get()), "Date"))
        summary.dateText = Render::dateHeaderText(QByteArray(raw));
    if (GDateTime* date = g_mime_message_get_date(message.get()))
        summary.date = localDateTime(g_date_time_to_unix(date));
    return summary;
}

} // namespace

MessageSummary MessageSummary::fromHeader(const QByteArray& header)
{
    Render::ensureGMime();
    // Only the three fields, each through GMime's own decoder: a whole message object per
    // row cost more than all the rest of a listing.
    enum Field
    {
        From,
        Subject,
        Date,
        Other
    };
    std::vector<std::pair<Field, QByteArray>> fields;
    for (qsizetype at = 0; at < header.size();)
    {
        qsizetype end = header.indexOf('\n', at);
        if (end < 0)
            end = header.size();
        QByteArrayView line(header.constData() + at, end - at);
        at = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        if (line.front() == ' ' || line.front() == '\t')
        {
            if (fields.empty())
                return parsedSummary(header);
            if (fields.back().first != Other)
                fields.back().second.append('\n').append(line);
            continue;
        }
        // Anything unusual (no field, a field twice) goes to the full parse, which has its own rules for it.
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView name = line.first(qMax<qsizetype>(colon, 0));
        if (name.isEmpty() || std::any_of(name.begin(), name.end(), [](char c) { return c <= ' ' || c >= 127; }))
            return parsedSummary(header);
        const Field field = name.compare("From", Qt::CaseInsensitive) == 0      ? From
                            : name.compare("Subject", Qt::CaseInsensitive) == 0 ? Subject
                            : name.compare("Date", Qt::CaseInsensitive) == 0    ? Date
                                                                                : Other;
        if (field != Other &&
            std::any_of(fields.begin(), fields.end(), [&](const auto& f) { return f.first == field; }))
            return parsedSummary(header);
        fields.emplace_back(field, field == Other ? QByteArray() : line.sliced(colon + 1).toByteArray());
    }

    MessageSummary summary;
    for (const auto& [field, raw] : fields)
    {
        if (field == Other)
            continue;
        GCharPtr value(g_mime_utils_header_unfold(raw.constData()));
        if (field == Subject)
            summary.subject = fromUtf8(GCharPtr(g_mime_utils_header_decode_text(nullptr, value.get())).get());
        else if (field == Date)
        {
            summary.dateText = Render::dateHeaderText(QByteArray(value.get()));
            GDateTime* date = g_mime_utils_header_decode_date(value.get());
            summary.date = date ? localDateTime(g_date_time_to_unix(date)) : QDateTime();
            if (date)
                g_date_time_unref(date);
        }
        else if (GObjectPtr<InternetAddressList> from(internet_address_list_parse(nullptr, value.get()));
                 from && internet_address_list_length(from.get()) > 0)
        {
            InternetAddress* first = internet_address_list_get_address(from.get(), 0);
            summary.senderName = fromUtf8(internet_address_get_name(first));
            if (INTERNET_ADDRESS_IS_MAILBOX(first))
                summary.senderAddress = fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)));
            if (summary.senderName.isEmpty())
                summary.senderName = summary.senderAddress;
        }
    }
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
    message.source = bytes;
    return message;
}

QString FileMessage::Body()
{
    return plainTextOf(read());
}

QString FileMessage::SentOnText()
{
    return Render::formatMailDate(m_summary.dateText);
}

void FileMessage::PrintOut()
{
    printMessage(read(), QStringLiteral("MailItem.PrintOut"));
}

} // namespace MailStore
