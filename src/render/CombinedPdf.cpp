#include "CombinedPdf.h"

#include "Message.h"
#include "MessageDocument.h"
#include "MessagePrinter.h"

#include <QTextDocument>

namespace Render
{

namespace
{

QString cell(const QString& text)
{
    return QStringLiteral("<td>%1</td>").arg(text.toHtmlEscaped());
}

} // namespace

CombinedPdf::CombinedPdf(const QString& path) : m_file(path) {}

CombinedPdf::~CombinedPdf()
{
    // Close the writer before the pending file removes what it wrote.
    if (m_painter)
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
}

bool CombinedPdf::begin(const QString& title, const QList<Entry>& entries, QString* error)
{
    m_writer = MessagePrinter::pdfWriter(m_file.tempPath(), QPageSize(QPageSize::A4), title);
    m_painter = std::make_unique<PagePainter>(*m_writer);
    if (!m_painter->begin(error))
    {
        m_painter.reset();
        return false;
    }

    QString html = QStringLiteral("<h2>%1</h2><p>%2</p>"
                                  "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">"
                                  "<tr><th>No.</th><th>Date</th><th>From</th><th>Subject</th></tr>")
                       .arg(title.toHtmlEscaped(),
                            entries.size() == 1 ? QStringLiteral("1 message, each on the pages that follow.")
                                                : QStringLiteral("%1 messages, each starting on a new page, in this "
                                                                 "order.")
                                                      .arg(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        html += QStringLiteral("<tr><td>%1</td>").arg(i + 1) + cell(entries[i].date) + cell(entries[i].from) +
                cell(entries[i].subject) + QStringLiteral("</tr>");
    html += QStringLiteral("</table>");
    QTextDocument list;
    list.setHtml(html);
    m_painter->add(list, title);
    return true;
}

void CombinedPdf::addMessage(const Message& message)
{
    MessageDocument doc;
    doc.setMessage(message);
    m_painter->add(doc);
}

void CombinedPdf::addMissing(const QString& subject, const QString& reason)
{
    QTextDocument note;
    note.setHtml(QStringLiteral("<h3>This message could not be printed</h3><p>Subject: %1</p><p>%2</p>")
                     .arg(subject.toHtmlEscaped(), reason.toHtmlEscaped()));
    m_painter->add(note, subject);
}

bool CombinedPdf::finish(QString* error)
{
    if (!m_painter)
        return false;
    const bool written = m_painter->end(error);
    m_painter.reset();
    m_writer.reset();
    return written && m_file.commit(error);
}

} // namespace Render
