#include "ReportListModel.h"

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
    m_rows.push_back({texts, false});
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
        m_rows.push_back({texts, false});
    endInsertRows();
}

void ReportListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
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
    const QStringList& texts = m_rows[static_cast<size_t>(row)].texts;
    return column >= 0 && column < texts.size() ? texts[column] : QString();
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
