#pragma once

#include "MessagePdf.h"
#include "OutputFiles.h"
#include "PagePainter.h"
#include "PdfAssembly.h"

#include <QList>
#include <QPdfWriter>
#include <QString>
#include <memory>

namespace Render
{

struct Message;

/// Many messages in one PDF that can be cited: a list of them first, giving for each its
/// folder, store and the page where it starts (its production number with those), then
/// each message from a new page, an outline entry for each message and its attachments,
/// and the page within the whole document in every footer. The file appears under its
/// name only when finish() succeeds.
class CombinedPdf
{
public:
    /// One line of the list: what the grid shows of a message.
    struct Entry
    {
        QString date;
        QString from;
        QString subject;
        QString folder;
        QString store;
    };

    explicit CombinedPdf(const QString& path, const PdfOptions& options = {});
    ~CombinedPdf();

    /// Starts the file with room for the list of `entries`; false with a reason when it cannot be written.
    bool begin(const QString& title, const QList<Entry>& entries, QString* error = nullptr);
    /// Adds the next message of the list on pages of its own; returns where it landed.
    PlacedMessage addMessage(const Message& message);
    /// Adds a page that says why the message in this place of the list is missing.
    void addMissing(const QString& subject, const QString& reason);
    /// Writes the list and the file to its name; false with a reason (and no file) when that fails.
    bool finish(QString* error = nullptr);

    /// Pages so far, the list's included.
    int pageCount() const { return m_painter ? m_listPages + m_painter->pageCount() : 0; }
    const QString& path() const { return m_path; }

private:
    QString listHtml(const QStringList& citations) const;
    QString citation(int page) const;

    QString m_path;
    PdfOptions m_options;
    PendingFile m_file;
    QString m_pagesPath; // the messages, as Qt paints them
    QString m_listPath;
    QString m_title;
    QList<Entry> m_entries;
    QList<int> m_starts; // page (from 0) where each entry starts
    int m_listPages = 0;
    qint64 m_firstBates = 0; // the list's first number
    PdfAssembly m_assembly;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PagePainter> m_painter;
};

} // namespace Render
