#pragma once

#include "PdfAssembly.h"

#include <QString>

namespace Render
{

class PagePainter;
struct Attachment;
struct Message;

/// A message on the pages of a PDF output and, when asked, its attachments after it, each
/// from a new page under a header line: PDFs with their own pages, images one to a page,
/// text as text, office documents through LibreOffice, and a page that says why for
/// anything that cannot be shown. Attached PDFs' pages are recorded in the assembly,
/// which draws them onto the pages painted for them.
class MessagePages
{
public:
    /// `firstPage`: the page of the finished file that the painter's first page becomes.
    MessagePages(PagePainter& painter, PdfAssembly& assembly, int firstPage = 0)
        : m_painter(painter), m_assembly(assembly), m_firstPage(firstPage)
    {
    }

    /// Adds `message`, then its attachments and those of its attached messages when
    /// `attachments`; returns its outline entry, one child per attachment.
    PdfAssembly::Bookmark add(const Message& message, bool attachments);

    /// "2025-01-06 09:00 · sender · subject"
    static QString outlineTitle(const Message& message);

private:
    void addAttachments(const Message& message, PdfAssembly::Bookmark& entry);
    void addAttachment(const Attachment& attachment, const QString& header);
    bool addPdf(const QByteArray& pdf, const QString& header, QString* reason);
    void addPlaceholder(const Attachment& attachment, const QString& header, const QString& reason);
    int nextPage() const;

    PagePainter& m_painter;
    PdfAssembly& m_assembly;
    int m_firstPage;
};

} // namespace Render
