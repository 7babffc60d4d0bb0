#pragma once

#include <QByteArray>
#include <QString>

namespace Render
{

/// Turns the bytes of a text part into text. `charset` is the declared charset (may be empty);
/// ISO-8859-1 is read as windows-1252, undeclared or unknown charsets are guessed (UTF-8,
/// ISO-2022-JP, else windows-1252) and invalid sequences become U+FFFD instead of being dropped.
QString decodeText(const QByteArray& bytes, const QByteArray& charset);

/// The charset of a Windows code page number (as MAPI properties and RTF give it), for decodeText.
QByteArray charsetOfCodepage(int codepage);

/// Joins the soft line breaks of a format=flowed text (RFC 3676) and removes space-stuffing.
QString unflowText(const QString& text, bool delSp);

} // namespace Render
