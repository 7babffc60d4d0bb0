#include "PagePainter.h"

#include "MessageDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace Render
{

bool PagePainter::paint(MessageDocument& doc, QPagedPaintDevice& device, QString* error)
{
    QPainter painter;
    if (!painter.begin(&device))
    {
        if (error)
            *error = QStringLiteral("the printer or output file could not be opened");
        return false;
    }

    // Lay out for the device itself, so fonts and images get its resolution.
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    layout->setPaintDevice(&device);
    const QRectF paper = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont footerFont(QStringLiteral("Arial"));
    footerFont.setPointSizeF(8);
    const QFontMetricsF metrics(footerFont, &device);
    const qreal footerHeight = metrics.height() * 2.5;
    const QSizeF body(paper.width(), qMax<qreal>(paper.height() - footerHeight, paper.height() / 2));
    doc.setPageSize(body);
    doc.fitToWidth(body.width());

    const int pages = qMax(1, doc.pageCount());
    for (int page = 0; page < pages; ++page)
    {
        if (page > 0)
            device.newPage();
        painter.save();
        const QRectF view(0, page * body.height(), body.width(), body.height());
        painter.translate(0, -view.top());
        doc.drawContents(&painter, view);
        painter.restore();

        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        const QRectF footer(0, body.height(), body.width(), paper.height() - body.height());
        painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
        // Long documents: keep the window responsive between pages.
        if (page % 8 == 7)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    const bool ok = painter.end();
    layout->setPaintDevice(nullptr); // the device usually dies right after printing
    if (!ok && error)
        *error = QStringLiteral("the printer or output file did not accept the document");
    return ok;
}

} // namespace Render
