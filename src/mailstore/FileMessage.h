#pragma once

#include "Item.h"
#include "MailDate.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

namespace Render
{
struct Message;
}

namespace MailStore
{

/// What the listing reads of an Internet message, taken from its header block alone.
struct MessageSummary
{
    QString senderName;
    QString senderAddress;
    QString subject;
    QDateTime date;   ///< the Date header in local time; invalid when missing or unreadable
    QString dateText; ///< the Date header as written
    Render::MailDate sent; ///< its reading, which the page's date line shows

    static MessageSummary fromHeader(const QByteArray& header);
};

/// A message of an mbox file or a Maildir folder: always a mail item, sender type "SMTP".
/// The full message is read only for Body and PrintOut.
class FileMessage : public Outlook::Item
{
public:
    using Loader = std::function<QByteArray()>;

    FileMessage(MessageSummary summary, QString entryId, Loader load)
        : m_summary(std::move(summary)), m_entryId(std::move(entryId)), m_load(std::move(load))
    {
    }

    int Class() override { return Outlook::olMail; }
    QString Body() override;
    QString SenderName() override { return m_summary.senderName; }
    QString SenderEmailAddress() override { return m_summary.senderAddress; }
    QString SenderEmailType() override { return QStringLiteral("SMTP"); }
    QString Subject() override { return m_summary.subject; }
    QString EntryID() override { return m_entryId; }
    QDateTime ReceivedTime() override { return m_summary.date; }
    QString SentOnText() override;
    void PrintOut() override;

private:
    Render::Message read();

    MessageSummary m_summary;
    QString m_entryId;
    Loader m_load;
};

/// The local time of an instant.
QDateTime localDateTime(qint64 secsSinceEpoch);

/// The plain text of a rendered message: its plain body, else text made from its HTML.
QString plainTextOf(const Render::Message& message);

/// Prints `message` on the default printer, or on the PrintTarget in force; throws AppError saying why when it cannot.
void printMessage(const Render::Message& message, const QString& source);

} // namespace MailStore
