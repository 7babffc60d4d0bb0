#pragma once

#include <QByteArray>
#include <QIODevice>
#include <functional>

namespace Render
{

/// Splitting an mbox file into its messages. A "From " line starts a message at the start of
/// the file, or when a header block with fields every mail program writes follows it (one
/// after a blank line, three right after a body line); a Content-Length that ends exactly at the next "From " line (or
/// the file's end) is taken as the message's length. ">From " lines (any number of '>') lose one '>' when read back.
class MboxFormat
{
public:
    /// Calls `found` with the offset of each message's "From " line and the message's header
    /// block (without the "From " line, at most `maxHeader` bytes), in file order. Reads `in`
    /// in chunks, so the file is never held whole.
    static void scan(QIODevice& in, const std::function<void(qint64 offset, const QByteArray& header)>& found,
                     qsizetype maxHeader = 64 * 1024);

    /// The message whose "From " line starts at `offset`, unescaped; empty when no message starts there.
    static QByteArray readMessage(QIODevice& in, qint64 offset, qint64 maxSize = 256LL * 1024 * 1024);
};

} // namespace Render
