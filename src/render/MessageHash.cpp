#include "MessageHash.h"

#include "Message.h"

#include <QCryptographicHash>

namespace Render
{

namespace
{

void field(QByteArray& out, const char* name, const QByteArray& value)
{
    out += name;
    out += ' ';
    out += QByteArray::number(value.size());
    out += '\n';
    out += value;
    out += '\n';
}

QByteArray canonicalForm(const Message& message)
{
    QByteArray out;
    field(out, "from", message.from.toUtf8());
    field(out, "to", message.to.toUtf8());
    field(out, "cc", message.cc.toUtf8());
    field(out, "bcc", message.bcc.toUtf8());
    field(out, "subject", message.subject.toUtf8());
    field(out, "message-id", message.messageId.toUtf8());
    field(out, "date", (message.date.isValid() ? message.date.toString(Qt::ISODate) : message.dateText).toUtf8());
    field(out, "text", message.textBody.toUtf8());
    field(out, "html", message.htmlBody.toUtf8());
    for (const Attachment& attachment : message.attachments)
    {
        field(out, "attachment-name", attachment.fileName.toUtf8());
        field(out, "attachment-type", attachment.mimeType.toUtf8());
        field(out, "attachment", attachment.content);
    }
    for (const Message& embedded : message.embedded)
        field(out, "message", embedded.source.isEmpty() ? canonicalForm(embedded) : embedded.source);
    return out;
}

} // namespace

QString messageSha256(const Message& message)
{
    const QByteArray stored = message.source.isEmpty() ? canonicalForm(message) : message.source;
    return QString::fromLatin1(QCryptographicHash::hash(stored, QCryptographicHash::Sha256).toHex());
}

} // namespace Render
