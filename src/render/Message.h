#pragma once

#include "Attachment.h"

#include <QDateTime>
#include <QList>
#include <QString>
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
    QString subject;
    QDateTime date;   ///< invalid when the message has no usable date
    QString htmlBody; ///< empty when the message has no HTML part
    QString textBody; ///< plain text (format=flowed already joined); may be set beside htmlBody

    /// Named files shown in the header block.
    QList<Attachment> attachments;
    /// Parts the HTML body shows in place (cid: or Content-Location references).
    QList<Attachment> inlineParts;
    /// Attached messages (message/rfc822), printed after the body.
    std::vector<Message> embedded;

    /// True when there is neither an HTML nor a plain-text body.
    bool hasNoBody() const { return htmlBody.isEmpty() && textBody.isEmpty(); }
};

} // namespace Render
