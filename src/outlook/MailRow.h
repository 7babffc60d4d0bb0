#pragma once

#include <QDateTime>
#include <QString>

namespace Outlook
{

// The mail grid's row model: which column holds what, and the texts made for it.
namespace MailRow
{

enum Column : int
{
    Root = 0,
    Folder = 1,
    Subfolder = 2,
    Date = 3,
    FromTo = 4,
    Email = 5,
    Subject = 6,
    ID = 7,
    ColumnCount = 8,
};

/// The "Date" text: system short date, a blank, system long time; no time at exactly midnight.
QString DateText(const QDateTime& time);

/// The engine's major version from its version text: the longest leading decimal number,
/// rounded half to even. Throws AppError 6 when it does not fit 16 bits.
int MajorVersion(const QString& version);

/// Upper-cases a text for the Find comparison.
inline QString FindKey(const QString& text)
{
    return text.toUpper();
}

} // namespace MailRow

} // namespace Outlook
