#pragma once

#include <QByteArray>
#include <QString>

namespace Render
{

/// A non-body part of a message: a named file, or an inline resource the HTML body refers to.
struct Attachment
{
    QString fileName;        ///< decoded file name; may be empty for unnamed inline parts
    QString mimeType;        ///< lower-case type/subtype
    QString contentId;       ///< without angle brackets; empty when the part has none
    QString contentLocation; ///< URL an MHTML body may use instead of a Content-ID
    QByteArray content;      ///< decoded bytes

    /// Size of the decoded content in bytes.
    qint64 size() const { return content.size(); }

    /// The size as printed: "278 B", "17 KB", "2.5 MB".
    QString sizeText() const { return sizeText(size()); }
    static QString sizeText(qint64 bytes)
    {
        if (bytes < 1024)
            return QStringLiteral("%1 B").arg(bytes);
        if (bytes < 1024 * 1024)
            return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
        return QStringLiteral("%1 MB").arg(QString::number(bytes / (1024.0 * 1024.0), 'f', 1));
    }

    /// Whether an HTML body shows this part in place: it names its Content-ID or location.
    bool isShownBy(const QString& html) const
    {
        return !html.isEmpty() &&
               ((!contentId.isEmpty() && html.contains(QStringLiteral("cid:") + contentId, Qt::CaseInsensitive)) ||
                (!contentLocation.isEmpty() && html.contains(contentLocation, Qt::CaseInsensitive)));
    }
};

} // namespace Render
