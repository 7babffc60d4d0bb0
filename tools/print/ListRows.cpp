#include "ListRows.h"

#include "MailRow.h"

namespace PrintTool
{

void ListRows::append(QStringView cell)
{
    const qsizetype from = m_line.size();
    m_line += cell;
    for (QChar *c = m_line.data() + from, *end = m_line.data() + m_line.size(); c != end; ++c)
        if (*c == u'\t' || *c == u'\n' || *c == u'\r')
            *c = u' ';
}

void ListRows::write(const QStringList& cells, const QString& pageDate, const QString& extra)
{
    m_line.resize(0); // keeps its capacity, unlike clear()
    for (int column = 0; column < Outlook::MailRow::ColumnCount; ++column)
    {
        if (column > 0)
            m_line += u'\t';
        append(column == Outlook::MailRow::Date && !pageDate.isEmpty() ? QStringView(pageDate)
                                                                       : QStringView(cells.value(column)));
    }
    if (!extra.isNull())
    {
        m_line += u'\t';
        append(extra);
    }
    m_line += u'\n';
    const QByteArray bytes = m_line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_out);
    ++m_written;
}

} // namespace PrintTool
