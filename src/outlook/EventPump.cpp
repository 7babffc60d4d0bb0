#include "EventPump.h"

#include <QCoreApplication>

namespace Outlook
{

void EventPump::letWindowProcess(const std::function<void()>& beforeEvents)
{
    if (m_sinceLast.elapsed() >= m_intervalMs)
        processNow(beforeEvents);
}

void EventPump::processNow(const std::function<void()>& beforeEvents)
{
    if (beforeEvents)
        beforeEvents();
    QCoreApplication::processEvents();
    m_sinceLast.restart();
}

} // namespace Outlook
