#include "ui/urllistmodel.h"

#include "engine/urllist.h"

UrlListModel::UrlListModel(UrlList& urls, QObject* parent) : QAbstractTableModel(parent), m_urls(urls) {
    connect(&urls, &UrlList::aboutToAppend, this,
            [this](qsizetype row) { beginInsertRows({}, int(row), int(row)); });
    connect(&urls, &UrlList::appended, this, [this] { endInsertRows(); });
    connect(&urls, &UrlList::aboutToRemove, this,
            [this](qsizetype row) { beginRemoveRows({}, int(row), int(row)); });
    connect(&urls, &UrlList::removed, this, [this] { endRemoveRows(); });
    connect(&urls, &UrlList::aboutToClear, this, [this] { beginResetModel(); });
    connect(&urls, &UrlList::cleared, this, [this] { endResetModel(); });
    connect(&urls, &UrlList::aboutToReset, this, [this] { beginResetModel(); });
    connect(&urls, &UrlList::reset, this, [this] { endResetModel(); });
}

int UrlListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_urls.count());
}

int UrlListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant UrlListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_urls.count())
        return {};
    return m_urls.at(index.row() + 1);
}

QVariant UrlListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("URL(s)");
    return {};
}
