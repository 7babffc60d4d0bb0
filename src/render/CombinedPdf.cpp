#include "CombinedPdf.h"

#include "Message.h"
#include "MessagePages.h"
#include "MessagePrinter.h"
#include "PageNumbers.h"

#include <QFile>
#include <QTextDocument>

namespace Render
{

namespace
{

QString cell(const QString& text, int widthPercent)
{
    return QStringLiteral("<td width=\"%1%\">%2</td>").arg(widthPercent).arg(text.toHtmlEscaped());
}

} // namespace

CombinedPdf::CombinedPdf(const QString& path, const PdfOptions& options)
    : m_path(path), m_options(options), m_file(path),
      m_pagesPath(PendingFile::helperPath(m_file.tempPath(), QStringLiteral("pages"))),
      m_listPath(PendingFile::helperPath(m_file.tempPath(), QStringLiteral("list")))
{
}

CombinedPdf::~CombinedPdf()
{
    // Close the writer before the pending file removes what it wrote.
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    QFile::remove(m_pagesPath);
    QFile::remove(m_listPath);
}

QString CombinedPdf::citation(int page) const
{
    if (page < 0)
        return QString();
    if (m_options.bates)
        return m_options.bates->label(m_firstBates + page);
    return QString::number(page + 1);
}

QString CombinedPdf::listHtml(const QStringList& citations) const
{
    // Fixed column widths: the citations are written after the messages, and the list must
    // then take exactly the pages it was given.
    QString html =
        QStringLiteral("<h2>%1</h2><p>%2</p>"
                       "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">"
                       "<tr><th>No.</th><th>Date</th><th>From</th><th>Subject</th><th>Folder and store</th>"
                       "<th>%3</th></tr>")
            .arg(m_title.toHtmlEscaped(),
                 m_entries.size() == 1
                     ? QStringLiteral("1 message, each on the pages that follow.")
                     : QStringLiteral("%1 messages, each starting on a new page, in this order.").arg(m_entries.size()),
                 m_options.bates ? QStringLiteral("Starts at") : QStringLiteral("Page"));
    for (qsizetype i = 0; i < m_entries.size(); ++i)
    {
        const Entry& e = m_entries[i];
        html +=
            QStringLiteral("<tr>") + cell(QString::number(i + 1), 6) + cell(e.date, 22) + cell(e.from, 18) +
            cell(e.subject, 22) +
            QStringLiteral("<td width=\"16%\">%1<br/>%2</td>").arg(e.folder.toHtmlEscaped(), e.store.toHtmlEscaped()) +
            cell(citations.value(i), 16) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

bool CombinedPdf::begin(const QString& title, const QList<Entry>& entries, QString* error)
{
    m_title = title;
    m_entries = entries;
    m_writer = MessagePrinter::pdfWriter(m_pagesPath, QPageSize(QPageSize::A4), title);
    m_painter = std::make_unique<PagePainter>(*m_writer);
    if (!m_painter->begin(error))
    {
        m_painter.reset();
        return false;
    }
    // The list's length, laid out with citations as wide as the real ones will be.
    QTextDocument list;
    list.setHtml(listHtml(QStringList(entries.size(), citation(99999))));
    m_listPages = m_painter->pagesOf(list);
    if (m_options.bates)
    {
        m_firstBates = m_options.bates->next;
        m_options.bates->next += m_listPages;
    }
    m_painter->setNumbers(m_options.bates, m_listPages + 1);
    return true;
}

PlacedMessage CombinedPdf::addMessage(const Message& message)
{
    const int first = m_listPages + m_painter->pageCount();
    m_starts << first;
    MessagePages pages(*m_painter, m_assembly, m_listPages);
    m_assembly.addBookmark(pages.add(message, m_options.attachments));
    const int last = m_listPages + m_painter->pageCount() - 1;
    return {first + 1, last + 1, citation(first), m_options.bates ? citation(last) : QString()};
}

void CombinedPdf::addMissing(const QString& subject, const QString& reason)
{
    m_starts << m_listPages + m_painter->pageCount();
    m_assembly.addBookmark({QStringLiteral("Not printed: %1").arg(subject), m_starts.last(), {}});
    QTextDocument note;
    note.setHtml(QStringLiteral("<h3>This message could not be printed</h3><p>Subject: %1</p><p>%2</p>")
                     .arg(subject.toHtmlEscaped(), reason.toHtmlEscaped()));
    m_painter->add(note, subject);
}

bool CombinedPdf::finish(QString* error)
{
    if (!m_painter)
        return false;
    bool written = m_painter->end(error);
    m_painter.reset();
    m_writer.reset();
    if (!written)
        return false;

    QStringList citations;
    for (int start : m_starts)
        citations << citation(start);
    {
        const std::unique_ptr<QPdfWriter> writer =
            MessagePrinter::pdfWriter(m_listPath, QPageSize(QPageSize::A4), m_title);
        PagePainter painter(*writer);
        BatesNumbers listNumbers;
        if (m_options.bates)
        {
            listNumbers = *m_options.bates;
            listNumbers.next = m_firstBates;
        }
        if (!painter.begin(error))
            return false;
        painter.setNumbers(m_options.bates ? &listNumbers : nullptr, 1);
        QTextDocument list;
        list.setHtml(listHtml(citations));
        painter.add(list, m_title);
        written = painter.end(error);
        if (written && painter.pageCount() != m_listPages)
        {
            // Every citation would be off: better no file than a wrong one.
            if (error)
                *error = QStringLiteral("the list of messages took %1 pages instead of %2")
                             .arg(painter.pageCount())
                             .arg(m_listPages);
            return false;
        }
    }
    m_assembly.appendFile(m_listPath);
    m_assembly.appendFile(m_pagesPath);
    written = written && m_assembly.write(m_file.tempPath(), m_title, MessagePrinter::producer(), error);
    return written && m_file.commit(error);
}

} // namespace Render
