#pragma once

#include <QString>

namespace Render
{

struct Message;

/// The SHA-256 (lower-case hex) that identifies a message as stored, the same on every run:
///  - an Internet message (mbox, Maildir, .eml, converted .dbx): its bytes as stored;
///  - a mail store's item (.pst/.ost): a canonical form of what the store holds, each field
///    written as "<name> <byte count>\n<UTF-8 or raw bytes>\n" in this order: from, to, cc,
///    bcc, subject, message-id, date (ISO 8601 with the sender's offset, else as written),
///    text (the plain body), html (the HTML body), then per attachment "attachment-name",
///    "attachment-type" and "attachment" (its bytes), then per attached message "message"
///    holding that message's canonical form.
QString messageSha256(const Message& message);

} // namespace Render
