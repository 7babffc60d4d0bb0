#pragma once

#include <QDateTime>
#include <QString>

namespace Render
{

struct Message;

/// The Date header of a message as the sender wrote it.
struct MailDate
{
    QDateTime dateTime;   ///< in the sender's offset; invalid when the text could not be read
    QString zoneName;     ///< a zone name the sender gave ("CST", "GMT"), else empty
    bool hasZone = false; ///< false when the text names no zone: the time is the sender's wall time
    /// The text names a zone we cannot place ("XYZT", a military letter): mail's rule reads the
    /// time as UTC, which places the message in lists and ranges; its page shows the text as written.
    bool zoneUnknown = false;

    /// Reads an RFC 5322 date, with the obsolete forms mail still carries and the C library's
    /// "Tue Dec  1 10:00:00 2026", "Dec 1, 2026 10:00:00" and "2026-12-01 10:00:00".
    static MailDate parse(const QString& text);
    /// The date line of the printed header for this reading of `asWritten`.
    QString format(const QString& asWritten) const;
};

/// The date line of the printed header: the sender's time with its offset and zone name, the
/// time alone when no zone was given, and the text as written when it could not be read.
QString formatMailDate(const QDateTime& dateTime, bool hasZone, const QString& zoneName, const QString& asWritten);
/// The date line of the printed header for a Date header's text as written.
QString formatMailDate(const QString& asWritten);
/// The date line of a message's page: read again from its Date header when it has one, as
/// the list reads it; a store's own time otherwise.
QString formatMailDate(const Message& message);

} // namespace Render
