#pragma once

#include "Attachment.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace Render
{

/// What the renderer prints of one message, independent of where it came from
/// (an Internet message file or a mail store item).
struct Message
{
    QString from; ///< display form, names and addresses
    QString to;
    QString cc;
    QString bcc;     ///< present in the sender's own copy
    QString replyTo; ///< printed when it is present
    QString subject;
    QString messageId;       ///< the Message-ID without angle brackets; empty when there is none
    QDateTime date;          ///< in the sender's offset; invalid when the message has no usable date
    QString dateText;        ///< the date as written, printed when `date` could not be read
    QString dateZone;        ///< zone name the sender gave ("CST"), printed beside the offset
    bool dateHasZone = true; ///< false when the sender gave no zone: `date` is the wall time as written
    QString htmlBody;        ///< empty when the message has no HTML part
    QString textBody;        ///< plain text (format=flowed already joined); may be set beside htmlBody

    /// Named files shown in the header block.
    QList<Attachment> attachments;
    /// Parts the HTML body shows in place (cid: or Content-Location references).
    QList<Attachment> inlineParts;
    /// Attached messages (message/rfc822), printed after the body.
    std::vector<Message> embedded;
    /// For an attached message: the file name its part gives ("test.eml"), and its size in bytes.
    QString fileName;
    qint64 byteSize = 0;

    /// Text the reader could not place in the message's structure, printed as written under a note.
    QString rawText;
    /// What the reader had to leave out (such as content nested too deeply), printed after the body.
    QStringList notes;

    /// The message as stored when it is an Internet message (mbox, Maildir, .eml); empty
    /// for a mail store's item. Its hash identifies the message.
    QByteArray source;

    /// True when there is neither an HTML nor a plain-text body nor raw text.
    bool hasNoBody() const { return htmlBody.isEmpty() && textBody.isEmpty() && rawText.isEmpty(); }
};

/// How a sender or recipient prints from a mail store's name and Internet address:
/// "Name <address>", or the address alone when there is no name or the name is the address
/// (Outlook names a recipient typed as an address by that address in quotes).
inline QString nameWithAddress(const QString& name, const QString& address)
{
    if (address.isEmpty())
        return name;
    const bool quoted = name.size() > 2 && name.startsWith(u'\'') && name.endsWith(u'\'');
    const QString bare = quoted ? name.mid(1, name.size() - 2) : name;
    if (bare.isEmpty() || bare.compare(address, Qt::CaseInsensitive) == 0)
        return address;
    return QStringLiteral("%1 <%2>").arg(name, address);
}

/// How the recipients of one line are joined, whatever the message came from: a semicolon,
/// since names may hold commas ("Smith, Ann").
inline QString joinRecipients(const QStringList& recipients)
{
    return recipients.join(QStringLiteral("; "));
}

/// "Name <address>" for an Internet address; the name alone for any other kind (an Exchange
/// directory path means nothing on paper).
inline QString shownAddress(const QString& name, const QString& address, const QString& addressType)
{
    if (address.isEmpty() || addressType.compare(QLatin1String("SMTP"), Qt::CaseInsensitive) != 0)
        return name.isEmpty() ? address : name;
    return nameWithAddress(name, address);
}

/// One row of a MAPI recipient table, as a mail store or a TNEF stream keeps it.
struct MapiRecipient
{
    quint32 kind = 1; ///< 1 To, 2 Cc, 3 Bcc; the high bits are flags
    QString name;
    QString address;     ///< as its address type writes it: an Exchange recipient's is a directory path
    QString addressType; ///< "SMTP", "EX", ...
    QString smtpAddress; ///< the Internet address, which an Exchange recipient may have beside
};

/// To, Cc and Bcc of `message` from its recipient table, each recipient with its Internet
/// address. A kind the table has nobody of keeps what `message` holds: the display strings,
/// which hold the names only.
inline void setRecipients(Message& message, const std::vector<MapiRecipient>& table)
{
    QStringList lists[3]; // To, Cc, Bcc
    for (const MapiRecipient& r : table)
    {
        const QString shown = r.smtpAddress.isEmpty() ? shownAddress(r.name, r.address, r.addressType)
                                                      : shownAddress(r.name, r.smtpAddress, QStringLiteral("SMTP"));
        const quint32 kind = r.kind & 0x0F;
        if (!shown.isEmpty())
            lists[kind == 2 ? 1 : kind == 3 ? 2 : 0] << shown;
    }
    QString* lines[3] = {&message.to, &message.cc, &message.bcc};
    for (int i = 0; i < 3; ++i)
        if (!lists[i].isEmpty())
            *lines[i] = joinRecipients(lists[i]);
}

} // namespace Render
