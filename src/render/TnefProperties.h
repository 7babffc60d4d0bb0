#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace Render
{

/// What libytnef reads but does not keep, read from the stream itself: a message
/// attribute's data and the MAPI property rows of a table such as the recipient table.
/// Every read is bounded by the bytes given; the checksums are not checked.
namespace TnefProperties
{

/// The recipient table attribute: a row per To, Cc or Bcc recipient.
constexpr quint32 RecipientTable = 0x00069004;

/// One MAPI property: its type and id, and its value as stored (the first one of a
/// multi-valued property; for strings and binaries without their length and padding).
struct Property
{
    quint16 type = 0;
    quint16 id = 0;
    QByteArray value;
};
using Row = std::vector<Property>;

/// The data of the first message-level attribute `id` of the TNEF stream `stream`;
/// empty when there is none or the stream ends before it.
QByteArray messageAttribute(const QByteArray& stream, quint32 id);

/// The rows of a table attribute: a row count, then for each row a property count and its
/// properties. Reading ends at the first row that does not fit in `table`.
std::vector<Row> rows(const QByteArray& table);

} // namespace TnefProperties

} // namespace Render
