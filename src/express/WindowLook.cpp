#include "WindowLook.h"

#include <QFont>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace WindowLook
{

QFont windowFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont buttonFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

void setWhiteBackground(QWidget& widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    // Option buttons fill with their button colour, not the window's.
    palette.setColor(widget.backgroundRole(), Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

const char* buttonStyleSheet()
{
    return "QPushButton { background-color: #f4f6f8; color: #1b1b1b; border: 1px solid #9aa4ae;"
           " border-radius: 3px; padding: 0px 6px; }"
           "QPushButton:hover { background-color: #e3eef9; border-color: #3a7bd5; }"
           "QPushButton:pressed { background-color: #c9dcf2; }"
           "QPushButton:focus { border: 2px solid #3a7bd5; }";
}

} // namespace WindowLook
