#pragma once

#include <QByteArrayView>

namespace Render
{

/// Calls `line` with each line of `bytes` in turn, without its "\n" (a "\r" before it stays),
/// until `line` returns false.
template <typename LineFn>
void forEachLine(QByteArrayView bytes, LineFn line)
{
    for (qsizetype at = 0; at < bytes.size();)
    {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        if (!line(bytes.sliced(at, end - at)))
            return;
        at = end + 1;
    }
}

} // namespace Render
