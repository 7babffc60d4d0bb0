#include "ReportListModel.h"

#include <algorithm>
#include <cstring>

namespace
{

enum CellKind : quint64
{
    Latin1 = 0,
    Utf16 = 1,
    Pooled = 2,
    Prefixed = 3,
};

void putNumber(QByteArray& out, quint64 value)
{
    while (value >= 0x80)
    {
        out.append(static_cast<char>(0x80 | (value & 0x7f)));
        value >>= 7;
    }
    out.append(static_cast<char>(value));
}

quint64 takeNumber(const char*& at)
{
    quint64 value = 0;
    for (int shift = 0;; shift += 7)
    {
        const auto byte = static_cast<unsigned char>(*at++);
        value |= quint64(byte & 0x7f) << shift;
        if (byte < 0x80)
            return value;
    }
}

} // namespace

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportListModel::addColumn(const QString& caption, int widthTwips)
{
    const int column = static_cast<int>(m_columns.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.append({caption, widthTwips});
    endInsertColumns();
}

int ReportListModel::addRow(const QStringList& texts)
{
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(pack(texts));
    endInsertRows();
    return row;
}

void ReportListModel::addRows(const QList<QStringList>& rows)
{
    if (rows.isEmpty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    for (const QStringList& texts : rows)
        m_rows.push_back(pack(texts));
    endInsertRows();
}

void ReportListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_pools.clear();
    m_lastTexts.clear();
    m_lastPooled.clear();
    m_prefixSources.clear();
    endResetModel();
}

bool ReportListModel::isChecked(int row) const
{
    return row >= 0 && row < rowCount() && m_rows[static_cast<size_t>(row)].checked;
}

void ReportListModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= rowCount() || m_rows[static_cast<size_t>(row)].checked == checked)
        return;
    m_rows[static_cast<size_t>(row)].checked = checked;
    const QModelIndex cell = index(row, 0);
    Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
}

void ReportListModel::setAllChecked(bool checked)
{
    if (m_rows.empty())
        return;
    for (Row& row : m_rows)
        row.checked = checked;
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

int ReportListModel::checkedCount() const
{
    int count = 0;
    for (const Row& row : m_rows)
        count += row.checked ? 1 : 0;
    return count;
}

QString ReportListModel::text(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const char* at = m_rows[static_cast<size_t>(row)].cells.constData();
    const auto count = static_cast<int>(takeNumber(at));
    if (column < 0 || column >= count)
        return {};
    for (int cell = 0;; ++cell)
    {
        quint64 head = takeNumber(at);
        if ((head & 3) == Pooled)
        {
            if (cell == column)
                return m_pools[static_cast<size_t>(column)][static_cast<qsizetype>(head >> 2)];
            continue;
        }
        QStringView prefix;
        if ((head & 3) == Prefixed)
        {
            const auto shared = static_cast<qsizetype>(takeNumber(at));
            if (cell == column)
                prefix =
                    QStringView(m_pools[static_cast<size_t>(column)][static_cast<qsizetype>(head >> 2)]).left(shared);
            head = takeNumber(at);
        }
        const auto size = static_cast<qsizetype>(head >> 2);
        const bool wide = (head & 3) == Utf16;
        if (cell == column)
        {
            if (prefix.size() + size == 0)
                return {};
            QString text(prefix.size() + size, Qt::Uninitialized);
            QChar* out = text.data();
            std::memcpy(out, prefix.data(), static_cast<size_t>(prefix.size()) * sizeof(QChar));
            out += prefix.size();
            if (wide)
                std::memcpy(out, at, static_cast<size_t>(size) * sizeof(QChar));
            else
                for (qsizetype i = 0; i < size; ++i)
                    out[i] = QChar(static_cast<unsigned char>(at[i]));
            return text;
        }
        at += wide ? size * qsizetype(sizeof(QChar)) : size;
    }
}

void ReportListModel::putText(QStringView text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; }))
    {
        putNumber(m_packing, quint64(text.size()) << 2 | Latin1);
        const qsizetype at = m_packing.size();
        m_packing.resize(at + text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            m_packing[at + i] = static_cast<char>(text[i].unicode());
    }
    else
    {
        putNumber(m_packing, quint64(text.size()) << 2 | Utf16);
        m_packing.append(reinterpret_cast<const char*>(text.data()), text.size() * qsizetype(sizeof(QChar)));
    }
}

ReportListModel::Row ReportListModel::pack(const QStringList& texts)
{
    // A shorter common start is not worth the pool entry and the extra numbers.
    constexpr qsizetype kMinShared = 16;
    const auto count = static_cast<size_t>(texts.size());
    if (m_pools.size() < count)
        m_pools.resize(count);
    m_lastPooled.resize(count, -1);
    m_prefixSources.resize(count, -1);
    m_packing.clear();
    putNumber(m_packing, count);
    for (size_t column = 0; column < count; ++column)
    {
        const QString& text = texts[static_cast<qsizetype>(column)];
        QStringList& pool = m_pools[column];
        const QString last = static_cast<qsizetype>(column) < m_lastTexts.size()
                                 ? m_lastTexts[static_cast<qsizetype>(column)]
                                 : QString();
        qsizetype& pooled = m_lastPooled[column];
        if (text.isEmpty() || text != last)
            pooled = -1;
        else if (pooled < 0)
        {
            pooled = pool.size();
            pool.append(text);
        }
        if (pooled >= 0)
        {
            putNumber(m_packing, quint64(pooled) << 2 | Pooled);
            continue;
        }
        // A long start shared with an earlier cell of the column (an entry ID's store
        // part) is kept once, in the pool.
        const auto commonStart = [&](const QString& other) {
            return std::mismatch(text.begin(), text.end(), other.begin(), other.end()).first - text.begin();
        };
        qsizetype& source = m_prefixSources[column];
        qsizetype shared = source >= 0 ? commonStart(pool[source]) : 0;
        if (shared < kMinShared && commonStart(last) >= kMinShared)
        {
            source = pool.size();
            pool.append(last);
            shared = commonStart(last);
        }
        if (shared >= kMinShared)
        {
            putNumber(m_packing, quint64(source) << 2 | Prefixed);
            putNumber(m_packing, quint64(shared));
        }
        else
            shared = 0;
        putText(QStringView(text).mid(shared));
    }
    m_lastTexts = texts;
    // A copy of exactly the packed size: the working buffer's slack stays behind.
    return {QByteArray(m_packing.constData(), m_packing.size()), false};
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role)
    {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return isChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

bool ReportListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].caption;
    return {};
}
