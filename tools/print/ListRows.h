#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

namespace PrintTool
{

/// The rows --list writes: one line a row, one cell per tab (tabs and line breaks inside a
/// cell become spaces), in UTF-8. One line buffer serves every row.
class ListRows
{
public:
    explicit ListRows(std::FILE* out) : m_out(out) {}

    /// Writes a row of the grid's cells; `pageDate`, unless empty, stands in the Date cell, and
    /// `extra`, unless null, follows as one more cell.
    void write(const QStringList& cells, const QString& pageDate, const QString& extra = QString());
    int written() const { return m_written; }

private:
    void append(QStringView cell);

    std::FILE* m_out;
    QString m_line;
    int m_written = 0;
};

} // namespace PrintTool
