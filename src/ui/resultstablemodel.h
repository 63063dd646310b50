#pragma once

#include <QAbstractTableModel>

class ResultsList;

// Shows the ResultsList under its current column headers; rows never become widgets of their own.
class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsTableModel(ResultsList& results, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    ResultsList& m_results;
};
