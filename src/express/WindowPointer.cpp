#include "WindowPointer.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

void WindowPointer::setBusy(bool busy)
{
    m_pointer = busy ? Pointer::Busy : Pointer::Default;
    m_window.setCursor(busy ? Qt::WaitCursor : Qt::ArrowCursor);
}

void WindowPointer::set(Pointer pointer)
{
    if (m_pointer == Pointer::Busy || m_pointer == pointer)
        return;
    m_pointer = pointer;
    if (pointer == Pointer::Custom && m_custom)
        m_window.setCursor(*m_custom);
    else
        m_window.setCursor(Qt::ArrowCursor);
}

bool WindowPointer::swallowMove(QObject* watched, QEvent* event)
{
    return qobject_cast<QPushButton*>(watched) && static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton;
}
