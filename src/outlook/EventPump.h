#pragma once

#include <QElapsedTimer>
#include <functional>

namespace Outlook
{

/// Lets the window process its events during a long loop without paying for a full
/// event round at every step: a round runs only when `intervalMs` have passed since
/// the last one, or longer after a slow round. `beforeEvents` runs first, so what the
/// loop produced so far shows.
class EventPump
{
public:
    explicit EventPump(int intervalMs = 30) : m_intervalMs(intervalMs), m_waitMs(intervalMs) { m_sinceLast.start(); }

    /// One place in the loop where the window may process its events.
    void letWindowProcess(const std::function<void()>& beforeEvents = {});
    /// Processes pending events now, whatever the interval.
    void processNow(const std::function<void()>& beforeEvents = {});

private:
    int m_intervalMs;
    qint64 m_waitMs; ///< until the next round
    QElapsedTimer m_sinceLast;
};

} // namespace Outlook
