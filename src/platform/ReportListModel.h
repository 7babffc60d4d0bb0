#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <vector>

/// The rows of a report-view grid with a check box on every row (on the first
/// column). Rows keep the order they were added in; nothing sorts them.
class ReportListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString caption;
        int widthTwips = 0;
    };

    explicit ReportListModel(QObject* parent = nullptr);

    /// Appends a column; existing rows get an empty cell.
    void addColumn(const QString& caption, int widthTwips);
    const QList<Column>& columns() const { return m_columns; }

    /// Appends one row and returns its index.
    int addRow(const QStringList& texts);
    /// Appends many rows in one step (one notification for the whole batch).
    void addRows(const QList<QStringList>& rows);
    /// Removes every row.
    void clear();

    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    /// Ticks or clears every row in one step.
    void setAllChecked(bool checked);
    int checkedCount() const;
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // A row's cells packed in one buffer: Latin-1 text as one byte a character, other
    // text as UTF-16, and a cell equal to the one above it as an index into its
    // column's pool (Root, Folder and Subfolder repeat for thousands of rows), and a
    // cell with a long start in common with a pooled one as that start's length and the rest.
    struct Row
    {
        QByteArray cells;
        bool checked = false;
    };

    Row pack(const QStringList& texts);
    void putText(QStringView text);

    QList<Column> m_columns;
    std::vector<Row> m_rows;
    std::vector<QStringList> m_pools;       ///< per column
    QStringList m_lastTexts;                ///< the last row added
    std::vector<qsizetype> m_lastPooled;    ///< its cells' pool indexes, or -1
    std::vector<qsizetype> m_prefixSources; ///< per column: the pool entry long starts are shared with
    QByteArray m_packing;
};
