#include "EventPump.h"

#include <QCoreApplication>
#include <algorithm>

namespace Outlook
{

void EventPump::letWindowProcess(const std::function<void()>& beforeEvents)
{
    if (m_sinceLast.elapsed() >= m_waitMs)
        processNow(beforeEvents);
}

void EventPump::processNow(const std::function<void()>& beforeEvents)
{
    QElapsedTimer round;
    round.start();
    if (beforeEvents)
        beforeEvents();
    QCoreApplication::processEvents();
    // The loop keeps nine tenths of the time: a window slow to repaint (a grid of many
    // rows) gets its rounds less often, though never less than about three a second.
    constexpr qint64 kLongestWaitMs = 300;
    m_waitMs = m_intervalMs > 0
                   ? std::clamp<qint64>(9 * round.elapsed(), m_intervalMs, qMax<qint64>(m_intervalMs, kLongestWaitMs))
                   : 0;
    m_sinceLast.restart();
}

} // namespace Outlook
