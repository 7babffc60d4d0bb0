#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

typedef struct _GMimeObject GMimeObject;
typedef struct _GMimeParserOptions GMimeParserOptions;

namespace Render
{

/// The parser options every message is read with: lenient about the rules, raw 8-bit header
/// text read as UTF-8 when it is valid and as windows-1252 otherwise. Made once per process.
GMimeParserOptions* readerOptions();

/// The header fields that both the message list and the printed page show, read one way for
/// both so that the two never disagree. Values are kept as written; they point into the bytes
/// handed to add and addBlock, which must outlive this object.
class HeaderFields
{
public:
    enum Address
    {
        From,
        To,
        Cc,
        Bcc,
        ReplyTo,
        AddressCount
    };

    struct Mailbox
    {
        QString name; ///< the address when the sender gave no name
        QString address;
    };

    /// Takes one field: `value` as after the colon, folded lines and all. Fields neither the
    /// list nor the page shows are passed over. Every occurrence of an address field counts; of
    /// Subject the last, of Date the first (as the parser keeps them).
    void add(QByteArrayView name, QByteArrayView value);
    /// Takes the fields of an object the parser read.
    void add(GMimeObject* object);
    /// Takes the fields of a header block of plain "Name: value" lines. False, and nothing
    /// taken, for a block that is not laid out that way (a folded line before any field, a
    /// name with blanks or 8-bit bytes, a line without a colon): the parser has rules for those.
    bool addBlock(QByteArrayView block);

    /// The printed line of an address field: each recipient as sent, joined as every source
    /// joins them; the field as written when it cannot be parsed or holds an old relayed address.
    QString addressLine(Address field) const;
    /// The first mailbox of From, for the list. The field as written when it cannot be parsed.
    Mailbox sender() const;
    QString subject() const { return text(m_subject); }
    /// The Date field as written, on one line (MailDate reads it).
    QString dateText() const { return text(m_date); }

    /// A field value as one line of text: unfolded, encoded words decoded, runs of blanks made one.
    static QString text(QByteArrayView value);

private:
    QByteArray m_addresses[AddressCount];
    QByteArrayView m_subject;
    QByteArrayView m_date;
};

} // namespace Render
