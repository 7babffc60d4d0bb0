#include "PagePainter.h"

#include "MessageDocument.h"
#include "PrintLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPalette>

namespace Render
{

bool PagePainter::paint(MessageDocument& doc, QPagedPaintDevice& device, QString* error)
{
    PagePainter painter(device);
    if (!painter.begin(error))
        return false;
    painter.add(doc);
    return painter.end(error);
}

bool PagePainter::begin(QString* error)
{
    if (m_painter.begin(&m_device))
        return true;
    if (error)
        *error = QStringLiteral("the printer or output file could not be opened");
    return false;
}

void PagePainter::add(MessageDocument& doc)
{
    addPages(doc, doc.runningHeader(), &doc);
}

void PagePainter::add(QTextDocument& doc, const QString& running)
{
    addPages(doc, running, nullptr);
}

bool PagePainter::end(QString* error)
{
    const bool ok = m_painter.end();
    if (!ok && error)
        *error = QStringLiteral("the printer or output file did not accept the document");
    return ok;
}

void PagePainter::addPages(QTextDocument& doc, const QString& running, MessageDocument* message)
{
    QPagedPaintDevice& device = m_device;
    QPainter& painter = m_painter;

    // Lay out for the device itself, so fonts and images get its resolution.
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    layout->setPaintDevice(&device);
    const QRectF paper = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont smallFont(QStringLiteral("Arial"));
    smallFont.setPointSizeF(8);
    const QFontMetricsF metrics(smallFont, &device);
    // The band above the body holds the running header on continuation pages.
    const qreal headerHeight = metrics.height() * 2;
    const qreal footerHeight = metrics.height() * 2.5;
    const QSizeF body(paper.width(), qMax<qreal>(paper.height() - headerHeight - footerHeight, paper.height() / 2));
    // One endless page for the layout: the breaks are ours (pageBreaks), since the layout's
    // own would clip table cells at places that no longer match them.
    doc.setTextWidth(body.width());
    if (message)
        message->fitToWidth(body.width(), body.height());

    const QList<qreal> breaks = PrintLayout::pageBreaks(doc, body.height());
    const int pages = int(breaks.size()) - 1;
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int page = 0; page < pages; ++page)
    {
        // Every document after the device's first starts on a page of its own.
        if (m_pages > 0)
            device.newPage();
        ++m_pages;
        const qreal top = breaks[page];
        const qreal bottom = page + 1 < pages ? breaks[page + 1] : top + body.height();
        painter.save();
        painter.translate(0, headerHeight - top);
        painter.setClipRect(QRectF(0, top, body.width(), bottom - top));
        // Lines that only touch the page's edges belong to the neighbouring page: drawn
        // here too they would be invisible yet found twice by search and copy. The margin
        // covers the layout's rounding inside table cells; every line is taller than it.
        const qreal edge = 2 * device.logicalDpiY() / 96.0;
        context.clip = QRectF(0, top + edge, body.width(), bottom - top - 2 * edge);
        layout->draw(&painter, context);
        painter.restore();

        painter.setFont(smallFont);
        painter.setPen(Qt::black);
        const QString pageText = QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages);
        if (page > 0)
        {
            const QRectF band(0, 0, body.width(), metrics.height());
            const qreal numberWidth = metrics.horizontalAdvance(pageText + QStringLiteral("    "));
            const qreal width = band.width() - numberWidth;
            painter.drawText(band, Qt::AlignLeft | Qt::AlignTop,
                             message ? message->runningHeader(metrics, width)
                                     : metrics.elidedText(running, Qt::ElideRight, width));
            painter.drawText(band, Qt::AlignRight | Qt::AlignTop, pageText);
        }
        const QRectF footer(0, headerHeight + body.height(), body.width(), footerHeight);
        painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, pageText);
        // Long documents: keep the window responsive between pages.
        if (page % 8 == 7)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    layout->setPaintDevice(nullptr); // the device usually dies right after printing
}

} // namespace Render
