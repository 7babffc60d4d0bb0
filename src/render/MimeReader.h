#pragma once

#include "Message.h"

#include <QByteArray>
#include <QString>

namespace Render
{

/// Reads an Internet message (.eml, .mht and the like) into a Message.
class MimeReader
{
public:
    /// Reads the message file at `path`; on failure returns false and says why in `error`.
    static bool readFile(const QString& path, Message& message, QString* error = nullptr);

    /// Reads a message held in memory; fails only when nothing resembling a message is found.
    static bool readBytes(const QByteArray& bytes, Message& message, QString* error = nullptr);

    /// The error of a file that holds binary data and no header: no message at all.
    static QString notMailError() { return QStringLiteral("is not a mail message (binary data, no header lines)"); }
};

} // namespace Render
