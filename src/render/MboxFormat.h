#pragma once

#include <QByteArray>
#include <QIODevice>
#include <functional>

namespace Render
{

/// Splitting an mbox file into its messages: a message starts at every line beginning
/// with "From ", and ">From " lines (any number of '>') lose one '>' when read back.
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
