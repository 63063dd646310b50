#include "ui/resultstablemodel.h"

#include "engine/resultslist.h"

ResultsTableModel::ResultsTableModel(ResultsList& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results), m_columns(int(results.columns().size())) {
    // Rows come in by the thousand during a run: the view learns of them together, a few dozen times a
    // second, not row by row, and of header renames likewise. Removals and clears reach it at once, so it
    // never shows a row that is gone.
    m_rows = int(results.count());
    m_showRows.setSingleShot(true);
    m_showRows.setInterval(40);
    connect(&m_showRows, &QTimer::timeout, this, &ResultsTableModel::followRows);
    connect(&results, &ResultsList::appended, this, [this] {
        if (!m_showRows.isActive())
            m_showRows.start();
    });
    connect(&results, &ResultsList::rowChanged, this, [this](qsizetype row) {
        if (row < m_rows)
            Q_EMIT dataChanged(index(int(row), 0), index(int(row), columnCount() - 1));
    });
    connect(&results, &ResultsList::aboutToRemove, this, [this](qsizetype row) {
        m_removing = row < m_rows;
        if (m_removing)
            beginRemoveRows({}, int(row), int(row));
    });
    connect(&results, &ResultsList::removed, this, [this] {
        if (m_removing) {
            --m_rows;
            endRemoveRows();
        }
        m_removing = false;
    });
    connect(&results, &ResultsList::aboutToClear, this, [this] { beginResetModel(); });
    connect(&results, &ResultsList::cleared, this, [this] {
        m_rows = 0;
        endResetModel();
    });
    connect(&results, &ResultsList::columnsChanged, this, [this] {
        if (!std::exchange(m_followPending, true))
            QMetaObject::invokeMethod(this, &ResultsTableModel::followColumns, Qt::QueuedConnection);
    });
    // A run renames the first header for every source it visits: the header shows the latest name with the
    // rows, not each one.
    connect(&results, &ResultsList::headerChanged, this, [this](int column) {
        if (column > m_columns)
            return;
        m_headersChanged = true;
        if (!m_showRows.isActive())
            m_showRows.start();
    });
}

void ResultsTableModel::followRows() {
    m_showRows.stop(); // whoever calls, the view is up to date now
    if (std::exchange(m_headersChanged, false) && m_columns > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    const int rows = int(m_results.count());
    if (rows <= m_rows)
        return;
    beginInsertRows({}, m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

void ResultsTableModel::followColumns() {
    m_followPending = false;
    const int before = m_columns;
    const int wanted = int(m_results.columns().size());
    if (wanted > m_columns) {
        beginInsertColumns({}, m_columns, wanted - 1);
        m_columns = wanted;
        endInsertColumns();
    } else if (wanted < m_columns) {
        beginRemoveColumns({}, wanted, m_columns - 1);
        m_columns = wanted;
        endRemoveColumns();
    }
    if (m_columns > 0)
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    if (m_columns != before)
        Q_EMIT columnCountChanged();
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows ||
        index.row() >= m_results.count())
        return {};
    const ResultRow& row = m_results.at(index.row() + 1);
    if (index.column() == 0)
        return row.first;
    if (index.column() == 1 && row.second)
        return *row.second;
    return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= m_results.columns().size())
        return {};
    return m_results.columns().at(section).header;
}
