// Random and mutated MIME through the readers alone (MIME; TNEF properties, as a stream and a table):
// fast enough to explore their branches.
// The input's first line also goes through the date reader and, as a field inside a longer
// block, the header field reader, whose shortcuts for plain values must agree with GMime.

#include "GMimePtr.h"
#include "HeaderFields.h"
#include "MailDate.h"
#include "MimeReader.h"
#include "TnefProperties.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Render;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Message message;
    (void)MimeReader::readBytes(bytes, message);
    (void)TnefProperties::rows(TnefProperties::messageAttribute(bytes, TnefProperties::RecipientTable));
    (void)TnefProperties::rows(bytes);

    const QByteArray line = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    (void)formatMailDate(QString::fromUtf8(line));
    HeaderFields fields;
    fields.add("From", QByteArrayView(bytes).first(line.size()));
    fields.add("Subject", QByteArrayView(bytes).first(line.size()));
    GCharPtr unfolded(g_mime_utils_header_unfold(line.constData()));
    GCharPtr decoded(g_mime_utils_header_decode_text(readerOptions(), unfolded.get()));
    GObjectPtr<InternetAddressList> list(internet_address_list_parse(readerOptions(), line.constData()));
    if (line.contains('\0') || line.count('@') > 1) // an old relayed address is printed as written
        return 0;
    if (fields.subject() != QString::fromUtf8(decoded.get()).simplified())
        __builtin_trap();
    InternetAddress* first =
        list && internet_address_list_length(list.get()) ? internet_address_list_get_address(list.get(), 0) : nullptr;
    const HeaderFields::Mailbox sender = fields.sender();
    const QString address = first && INTERNET_ADDRESS_IS_MAILBOX(first)
                                ? QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)))
                                : QString();
    const QString name = first ? QString::fromUtf8(internet_address_get_name(first)).simplified() : QString();
    if (sender.address != address || (first && sender.name != (name.isEmpty() ? address : name)))
        __builtin_trap();
    return 0;
}
