#include "LoadFile.h"

#include "Message.h"
#include "MessageHash.h"
#include "MessagePdf.h"

#include <QFile>

namespace PrintTool
{

QByteArray LoadFile::record(const QStringList& fields)
{
    QStringList quoted;
    for (QString field : fields)
    {
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
            field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
        quoted << field;
    }
    return quoted.join(u',').toUtf8() + "\r\n";
}

void LoadFile::add(const Render::Message& message, const QString& file, const Render::PlacedMessage& placed,
                   const QString& store, const QString& folder)
{
    QStringList names;
    for (const Render::Attachment& attachment : message.attachments)
        names << attachment.fileName;
    // Without a zone the sender's wall time is all there is: no offset is made up.
    const QString date = !message.date.isValid() ? message.dateText
                         : message.dateHasZone   ? message.date.toString(Qt::ISODate)
                                                 : message.date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    m_rows += record({placed.batesBegin, placed.batesEnd, file, QString::number(placed.firstPage),
                      QString::number(placed.lastPage), date, message.from, message.to, message.cc, message.bcc,
                      message.subject, message.messageId, Render::messageSha256(message), store, folder,
                      names.join(QStringLiteral("; "))});
}

bool LoadFile::finish(QString* error)
{
    QFile out(m_file.tempPath());
    const QByteArray header =
        record({QStringLiteral("bates_begin"), QStringLiteral("bates_end"), QStringLiteral("file"),
                QStringLiteral("first_page"), QStringLiteral("last_page"), QStringLiteral("date"),
                QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("cc"), QStringLiteral("bcc"),
                QStringLiteral("subject"), QStringLiteral("message_id"), QStringLiteral("sha256"),
                QStringLiteral("store"), QStringLiteral("folder"), QStringLiteral("attachments")});
    if (!out.open(QIODevice::WriteOnly) || out.write(header + m_rows) != header.size() + m_rows.size() || !out.flush())
    {
        if (error)
            *error = QStringLiteral("it cannot be written: %1").arg(out.errorString());
        return false;
    }
    out.close();
    return m_file.commit(error);
}

} // namespace PrintTool
