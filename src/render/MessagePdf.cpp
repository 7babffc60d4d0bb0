#include "MessagePdf.h"

#include "Message.h"
#include "MessagePages.h"
#include "MessagePrinter.h"
#include "OutputFiles.h"
#include "PageNumbers.h"
#include "PagePainter.h"
#include "PdfAssembly.h"

#include <QFile>
#include <QPdfWriter>

namespace Render
{

bool writeMessagePdf(const Message& message, const QString& path, const PdfOptions& options, PlacedMessage* placed,
                     QString* error)
{
    const QString title =
        message.subject.simplified().isEmpty() ? QStringLiteral("(no subject)") : message.subject.simplified();
    // Qt paints into a file beside the output, which the PDF library then completes.
    const QString painted = PendingFile::helperPath(path, QStringLiteral("pages"));
    PdfAssembly assembly;
    const qint64 firstNumber = options.bates ? options.bates->next : 0;
    int pages = 0;
    bool ok = false;
    {
        const std::unique_ptr<QPdfWriter> writer = MessagePrinter::pdfWriter(painted, QPageSize(QPageSize::A4), title);
        PagePainter painter(*writer);
        if (painter.begin(error))
        {
            painter.setNumbers(options.bates, 0);
            MessagePages messagePages(painter, assembly);
            assembly.addBookmark(messagePages.add(message, options.attachments));
            pages = painter.pageCount();
            ok = painter.end(error);
        }
    }
    assembly.appendFile(painted);
    ok = ok && assembly.write(path, title, MessagePrinter::producer(), error);
    QFile::remove(painted);
    if (ok && placed)
    {
        placed->firstPage = 1;
        placed->lastPage = pages;
        if (options.bates)
        {
            placed->batesBegin = options.bates->label(firstNumber);
            placed->batesEnd = options.bates->label(options.bates->next - 1);
        }
    }
    return ok;
}

} // namespace Render
