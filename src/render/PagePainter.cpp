#include "PagePainter.h"

#include "MessageDocument.h"
#include "PageNumbers.h"
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
    addPages(doc, doc.runningHeader(), &doc, false);
}

void PagePainter::add(QTextDocument& doc, const QString& running, bool runningOnFirst)
{
    addPages(doc, running, nullptr, runningOnFirst);
}

PagePainter::Bands PagePainter::bands() const
{
    const QRectF paper = m_device.pageLayout().paintRectPixels(m_device.logicalDpiX());
    QFont smallFont(QStringLiteral("Arial"));
    smallFont.setPointSizeF(8);
    const QFontMetricsF metrics(smallFont, &m_device);
    // The band above the body holds the running header on continuation pages; the one
    // below it the page numbers, which the body never reaches.
    const qreal headerHeight = metrics.height() * 2;
    const qreal footerHeight = metrics.height() * 2.5;
    return {smallFont, headerHeight, footerHeight,
            QSizeF(paper.width(), qMax<qreal>(paper.height() - headerHeight - footerHeight, paper.height() / 2))};
}

void PagePainter::startPage()
{
    // Every document after the device's first starts on a page of its own.
    if (m_pages > 0)
        m_device.newPage();
    ++m_pages;
}

void PagePainter::paintBands(const Bands& bands, const QString& running, const QString& pageText,
                             const MessageDocument* message)
{
    const QFontMetricsF metrics(bands.font, &m_device);
    m_painter.setFont(bands.font);
    m_painter.setPen(Qt::black);
    if (!running.isEmpty())
    {
        const QRectF band(0, 0, bands.body.width(), metrics.height());
        const qreal numberWidth = metrics.horizontalAdvance(pageText + QStringLiteral("    "));
        const qreal width = band.width() - numberWidth;
        // A message fits its own header: the subject gives way at a word, the date never.
        m_painter.drawText(band, Qt::AlignLeft | Qt::AlignTop,
                           message ? message->runningHeader(metrics, width)
                                   : metrics.elidedText(running, Qt::ElideRight, width));
        m_painter.drawText(band, Qt::AlignRight | Qt::AlignTop, pageText);
    }
    const QRectF footer(0, bands.header + bands.body.height(), bands.body.width(), bands.footer);
    m_painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, pageText);
    if (m_firstPage > 0)
        m_painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom,
                           QStringLiteral("Document page %1").arg(m_firstPage + m_pages - 1));
    if (m_bates)
        m_painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom, m_bates->take());
}

int PagePainter::pagesOf(QTextDocument& doc) const
{
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    layout->setPaintDevice(&m_device);
    const Bands b = bands();
    doc.setTextWidth(b.body.width());
    const int pages = int(PrintLayout::pageBreaks(doc, b.body.height()).size()) - 1;
    layout->setPaintDevice(nullptr);
    return pages;
}

QRectF PagePainter::addPage(const QString& header, const QString& pageText,
                            const std::function<void(QPainter&, const QRectF&)>& paint)
{
    const Bands b = bands();
    startPage();
    const QRectF body(0, b.header, b.body.width(), b.body.height());
    m_painter.save();
    m_painter.setClipRect(body);
    paint(m_painter, body);
    m_painter.restore();
    paintBands(b, header, pageText);
    // Device units to PDF points, from the paper's lower left.
    const qreal scale = 72.0 / m_device.logicalDpiX();
    const QRectF paintArea = m_device.pageLayout().paintRect(QPageLayout::Point);
    const qreal paperHeight = m_device.pageLayout().fullRect(QPageLayout::Point).height();
    return QRectF(paintArea.left() + body.left() * scale, paperHeight - paintArea.top() - body.bottom() * scale,
                  body.width() * scale, body.height() * scale);
}

bool PagePainter::end(QString* error)
{
    const bool ok = m_painter.end();
    if (!ok && error)
        *error = QStringLiteral("the printer or output file did not accept the document");
    return ok;
}

void PagePainter::addPages(QTextDocument& doc, const QString& running, MessageDocument* message, bool runningOnFirst)
{
    QPagedPaintDevice& device = m_device;
    QPainter& painter = m_painter;

    // Lay out for the device itself, so fonts and images get its resolution.
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    layout->setPaintDevice(&device);
    const Bands bands = this->bands();
    const qreal headerHeight = bands.header;
    const QSizeF body = bands.body;
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
        startPage();
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

        paintBands(bands, page > 0 || runningOnFirst ? running : QString(),
                   QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages), message);
        // Long documents: keep the window responsive between pages.
        if (page % 8 == 7)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    layout->setPaintDevice(nullptr); // the device usually dies right after printing
}

} // namespace Render
