#pragma once

#include <QAbstractTableModel>

class UrlList;

// Shows the UrlList in one column headed "URL(s)".
class UrlListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit UrlListModel(UrlList& urls, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    UrlList& m_urls;
};
