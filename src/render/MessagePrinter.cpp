#include "MessagePrinter.h"

#include "Message.h"
#include "MessageDocument.h"
#include "PagePainter.h"
#include "PdfAssembly.h"
#include "Version.h"

#include <QCoreApplication>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <malloc.h>

namespace Render
{

namespace
{

const QMarginsF PageMargins(15, 15, 15, 15); // millimetres

QString jobTitle(const MessageDocument& doc)
{
    const QString title = doc.title().simplified();
    return title.isEmpty() ? QStringLiteral("(no subject)") : title;
}

} // namespace

QString MessagePrinter::producer()
{
    return QCoreApplication::applicationName() + QStringLiteral(" " VELLUMTIDE_VERSION);
}

void MessagePrinter::releaseFreedMemory()
{
    malloc_trim(0);
}

QString MessagePrinter::defaultPrinter()
{
    return QPrinterInfo::defaultPrinterName();
}

bool MessagePrinter::toPrinter(MessageDocument& doc, const QString& printer, QString* error)
{
    const QString name = printer.isEmpty() ? defaultPrinter() : printer;
    if (name.isEmpty())
    {
        if (error)
            *error = QStringLiteral("there is no default printer");
        return false;
    }
    if (QPrinterInfo::printerInfo(name).isNull())
    {
        if (error)
            *error = QStringLiteral("no printer named \"%1\"").arg(name);
        return false;
    }
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::NativeFormat);
    device.setPrinterName(name);
    device.setDocName(jobTitle(doc));
    device.setCreator(MessagePrinter::producer());
    QMarginsF margins = device.pageLayout().margins(QPageLayout::Millimeter);
    margins.setLeft(qMax(margins.left(), PageMargins.left()));
    margins.setTop(qMax(margins.top(), PageMargins.top()));
    margins.setRight(qMax(margins.right(), PageMargins.right()));
    margins.setBottom(qMax(margins.bottom(), PageMargins.bottom()));
    device.setPageMargins(margins, QPageLayout::Millimeter);
    if (!device.isValid())
    {
        if (error)
            *error = QStringLiteral("printer \"%1\" is not usable").arg(name);
        return false;
    }
    return PagePainter::paint(doc, device, error);
}

bool MessagePrinter::toPrinter(const Message& message, const QString& printer, QString* error)
{
    MessageDocument doc;
    doc.setMessage(message);
    return toPrinter(doc, printer, error);
}

std::unique_ptr<QPdfWriter> MessagePrinter::pdfWriter(const QString& pdfPath, const QPageSize& pageSize,
                                                      const QString& title)
{
    auto device = std::make_unique<QPdfWriter>(pdfPath);
    device->setPageSize(pageSize);
    device->setPageMargins(PageMargins, QPageLayout::Millimeter);
    device->setTitle(title);
    device->setCreator(producer());
    device->setDocumentXmpMetadata(PdfAssembly::xmpMetadata(title, producer()));
    return device;
}

bool MessagePrinter::toPdf(MessageDocument& doc, const QString& pdfPath, const QPageSize& pageSize, QString* error)
{
    const std::unique_ptr<QPdfWriter> device = pdfWriter(pdfPath, pageSize, jobTitle(doc));
    return PagePainter::paint(doc, *device, error);
}

bool MessagePrinter::toPdf(const Message& message, const QString& pdfPath, const QPageSize& pageSize, QString* error)
{
    MessageDocument doc;
    doc.setMessage(message);
    return toPdf(doc, pdfPath, pageSize, error);
}

} // namespace Render
