#pragma once

#include <QAbstractTableModel>
#include <QTimer>

class ResultsList;

// Shows the ResultsList under its current column headers; rows never become widgets of their own.
// A run rebuilds the headers by removing them all and adding them again: the model follows once the
// rebuild is over, so that a rebuild to the same number of columns only renames the headers, and the
// view keeps its selection, its scroll position and the widths the user gave its columns.
class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsTableModel(ResultsList& results, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Shows the rows appended and the headers renamed since the last time at once (the view otherwise learns
    // of them a moment later).
    void followRows();

Q_SIGNALS:
    // The number of columns changed: the view starts them at their starting widths.
    void columnCountChanged();

private:
    void followColumns();

    ResultsList& m_results;
    int m_columns = 0;
    bool m_followPending = false;
    int m_rows = 0;
    bool m_headersChanged = false;
    bool m_removing = false;
    QTimer m_showRows;
};
