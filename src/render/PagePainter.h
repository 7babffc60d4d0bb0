#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QTextDocument;

namespace Render
{

class MessageDocument;
struct BatesNumbers;

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
    /// Adds any document; `running` names it on its continuation pages, and on its first
    /// page too when `runningOnFirst`.
    void add(QTextDocument& doc, const QString& running, bool runningOnFirst = false);
    /// How many pages add(doc, ...) would paint.
    int pagesOf(QTextDocument& doc) const;
    /// Adds one page with `header` above its body, which `paint` fills (device units).
    /// Returns the body in PDF points from the page's lower left.
    QRectF addPage(const QString& header, const QString& pageText,
                   const std::function<void(QPainter&, const QRectF&)>& paint);
    /// Stamps every page from now on with the next of `numbers` at the bottom right, and
    /// with its page number in the whole output, the first counted as `firstPage`.
    void setNumbers(BatesNumbers* numbers, int firstPage)
    {
        m_bates = numbers;
        m_firstPage = firstPage;
    }
    /// Closes the device; false with a reason when it did not take the pages.
    bool end(QString* error = nullptr);
    /// Pages painted so far.
    int pageCount() const { return m_pages; }

private:
    struct Bands
    {
        QFont font;
        qreal header;
        qreal footer;
        QSizeF body;
    };
    Bands bands() const;
    void addPages(QTextDocument& doc, const QString& running, MessageDocument* message, bool runningOnFirst);
    void startPage();
    void paintBands(const Bands& bands, const QString& running, const QString& pageText,
                    const MessageDocument* message = nullptr);

    QPagedPaintDevice& m_device;
    QPainter m_painter;
    int m_pages = 0;
    BatesNumbers* m_bates = nullptr;
    int m_firstPage = 0; ///< 0: pages are not numbered across the output
};

} // namespace Render
