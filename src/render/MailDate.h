#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace Render
{

/// The Date header of a message as the sender wrote it.
struct MailDate
{
    QDateTime dateTime;   ///< in the sender's offset; invalid when the text could not be read
    QString zoneName;     ///< a zone name the sender gave ("CST", "GMT"), else empty
    bool hasZone = false; ///< false when the text names no zone: the time is the sender's wall time

    /// Reads an RFC 5322 date (with the obsolete forms mail still carries).
    static MailDate parse(const QString& text);
};

/// The date line of the printed header: the sender's time with its offset and zone name, the
/// time alone when no zone was given, and the text as written when it could not be read.
QString formatMailDate(const QDateTime& dateTime, bool hasZone, const QString& zoneName, const QString& asWritten);
/// A Date header's text as written: decoded, on one line.
QString dateHeaderText(const QByteArray& raw);
/// The date line of the printed header for a Date header's text as written.
QString formatMailDate(const QString& asWritten);

} // namespace Render
