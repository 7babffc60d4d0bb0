#include "WindowLook.h"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace WindowLook
{

namespace
{

// Fusion shades the inside of a frame a little darker than its background, so a white
// frame showed light grey with white patches around its options and labels. This one
// draws the border only, and the frame's own background shows through.
class PlainFrameStyle : public QProxyStyle
{
public:
    PlainFrameStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_FrameGroupBox)
        {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // The border starts below the caption, where Fusion puts it.
        constexpr int kCaptionGap = 3;
        QRectF frame = option->rect;
        const auto* box = qobject_cast<const QGroupBox*>(widget);
        if (!box || box->isCheckable() || !box->title().isEmpty())
            frame.setTop(
                frame.top() + kCaptionGap +
                qMax(proxy()->pixelMetric(PM_ExclusiveIndicatorHeight, option, widget), option->fontMetrics.height()));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(option->palette.color(QPalette::Mid));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
    }
};

} // namespace

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
    if (qobject_cast<QGroupBox*>(&widget) && !dynamic_cast<PlainFrameStyle*>(widget.style()))
    {
        auto* style = new PlainFrameStyle;
        style->setParent(&widget);
        widget.setStyle(style);
    }
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
