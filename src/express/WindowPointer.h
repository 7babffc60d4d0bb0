#pragma once

#include <QCursor>
#include <optional>

class QEvent;
class QObject;
class QWidget;

/// The mouse-pointer rule both windows follow: the hand over the controls that ask
/// for it, the arrow elsewhere, and neither while the busy pointer shows.
class WindowPointer
{
public:
    enum class Pointer
    {
        Default,
        Custom,
        Busy,
    };

    explicit WindowPointer(QWidget& window) : m_window(window) {}

    /// The pointer loaded from the cursor file; without one the custom pointer is the arrow.
    void setCustomCursor(std::optional<QCursor> cursor) { m_custom = std::move(cursor); }
    bool hasCustomCursor() const { return m_custom.has_value(); }
    Pointer current() const { return m_pointer; }

    /// Shows or clears the busy pointer.
    void setBusy(bool busy);
    /// Shows `pointer` unless the busy pointer shows.
    void set(Pointer pointer);
    /// After a mouse move over `watched` was handled: true when the move should stop
    /// there. A button ignores a move without a pressed mouse button; passed on to the
    /// window it would put the default pointer back at once.
    static bool swallowMove(QObject* watched, QEvent* event);

private:
    QWidget& m_window;
    std::optional<QCursor> m_custom;
    Pointer m_pointer = Pointer::Default;
};
