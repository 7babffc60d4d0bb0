#pragma once

#include <QPainter>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

namespace Render
{

class MessageDocument;

/// Paints documents page by page on a printer or PDF writer, with a "Page n of m" footer;
/// pages after a document's first also name it in a running header. The page size is
/// the device's. Several documents may share one device: each starts on a new page and
/// counts its own pages.
class PagePainter
{
public:
    /// Paints every page of `doc` on `device`; false with a reason when the device refuses.
    static bool paint(MessageDocument& doc, QPagedPaintDevice& device, QString* error = nullptr);

    explicit PagePainter(QPagedPaintDevice& device) : m_device(device) {}

    /// Opens the device; false with a reason when it refuses.
    bool begin(QString* error = nullptr);
    /// Adds a message, its images and tables fitted to the page.
    void add(MessageDocument& doc);
    /// Adds any document; `running` names it on its continuation pages.
    void add(QTextDocument& doc, const QString& running);
    /// Closes the device; false with a reason when it did not take the pages.
    bool end(QString* error = nullptr);
    /// Pages painted so far.
    int pageCount() const { return m_pages; }

private:
    void addPages(QTextDocument& doc, const QString& running, MessageDocument* message);

    QPagedPaintDevice& m_device;
    QPainter m_painter;
    int m_pages = 0;
};

} // namespace Render
