// Random and mutated MIME through the reader alone: fast enough to explore its branches.
// The input's first line also goes through the header field reader and the date reader.

#include "GMimePtr.h"
#include "HeaderFields.h"
#include "MailDate.h"
#include "MimeReader.h"

#include <cstdint>

namespace
{

// The parser's reading of a From value, which the reader's shortcut for plain ones must match.
Render::HeaderFields::Mailbox parsedMailbox(const QByteArray& value)
{
    Render::HeaderFields::Mailbox mailbox;
    Render::GObjectPtr<InternetAddressList> list(
        internet_address_list_parse(Render::readerOptions(), value.constData()));
    if (!list || internet_address_list_length(list.get()) == 0)
        return mailbox;
    InternetAddress* first = internet_address_list_get_address(list.get(), 0);
    mailbox.name = QString::fromUtf8(internet_address_get_name(first)).simplified();
    if (INTERNET_ADDRESS_IS_MAILBOX(first))
        mailbox.address = QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)));
    return mailbox;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Render::Message message;
    (void)Render::MimeReader::readBytes(bytes, message);

    const QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    (void)Render::formatMailDate(QString::fromUtf8(line));
    if (line.contains('\0'))
        return 0;
    Render::HeaderFields fields;
    // The field as part of a longer block, as the listing hands it over.
    fields.add("From", QByteArrayView(bytes).first(line.size()));
    fields.add("Subject", QByteArrayView(bytes).first(line.size()));
    // Plain text and plain addresses are read without GMime's decoders: the two must agree.
    Render::GCharPtr unfolded(g_mime_utils_header_unfold(line.constData()));
    Render::GCharPtr decoded(g_mime_utils_header_decode_text(Render::readerOptions(), unfolded.get()));
    if (fields.subject() != QString::fromUtf8(decoded.get()).simplified())
        __builtin_trap();
    if (line.count('@') < 2) // an old relayed address is printed as written
    {
        const Render::HeaderFields::Mailbox sender = fields.sender();
        Render::HeaderFields::Mailbox parsed = parsedMailbox(line);
        if (parsed.name.isEmpty())
            parsed.name = parsed.address;
        if (parsed.name.isEmpty() ? !sender.address.isEmpty()
                                  : parsed.name != sender.name || parsed.address != sender.address)
            __builtin_trap();
    }
    return 0;
}
