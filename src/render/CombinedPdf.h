#pragma once

#include "OutputFiles.h"
#include "PagePainter.h"

#include <QList>
#include <QPdfWriter>
#include <QString>
#include <memory>

namespace Render
{

struct Message;

/// Many messages in one PDF: a list of them first, then each message starting on a new
/// page. The file appears under its name only when finish() succeeds.
class CombinedPdf
{
public:
    /// One line of the list: what the grid shows of a message.
    struct Entry
    {
        QString date;
        QString from;
        QString subject;
    };

    explicit CombinedPdf(const QString& path);
    ~CombinedPdf();

    /// Starts the file with the list of `entries`; false with a reason when it cannot be written.
    bool begin(const QString& title, const QList<Entry>& entries, QString* error = nullptr);
    /// Adds a message on pages of its own.
    void addMessage(const Message& message);
    /// Adds a page that says why the message in this place of the list is missing.
    void addMissing(const QString& subject, const QString& reason);
    /// Writes the file to its name; false with a reason (and no file) when that fails.
    bool finish(QString* error = nullptr);

    /// Pages so far, the list's included.
    int pageCount() const { return m_painter ? m_painter->pageCount() : 0; }

private:
    PendingFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PagePainter> m_painter;
};

} // namespace Render
