#include "engine/resultslist.h"

ResultsList::ResultsList() {
    m_columns.append({QStringLiteral("Result(s)"), StartupWidth});
}

void ResultsList::removeAllColumns() {
    Q_EMIT columnsAboutToChange();
    m_columns.clear();
    Q_EMIT columnsChanged();
}

void ResultsList::addColumn(const QString& header) {
    Q_EMIT columnsAboutToChange();
    m_columns.append({header, 0});
    Q_EMIT columnsChanged();
}

void ResultsList::setColumnWidth(int column, int twips) {
    m_columns[column - 1].widthTwips = twips;
    Q_EMIT headerChanged(column);
}

void ResultsList::setFirstHeader(const QString& header) {
    m_columns[0].header = header;
    Q_EMIT headerChanged(1);
}

void ResultsList::appendRow(const QString& text, const QString& origin) {
    Q_EMIT aboutToAppend(m_rows.size());
    m_rows.append(ResultRow{text, std::nullopt, false, true, origin});
    index(m_rows.last());
    Q_EMIT appended();
}

void ResultsList::appendSourcedRow(const QString& source) {
    Q_EMIT aboutToAppend(m_rows.size());
    m_rows.append(ResultRow{source, std::nullopt, true, true, source});
    index(m_rows.last());
    Q_EMIT appended();
}

void ResultsList::setLastRowText(const QString& text) {
    ResultRow& row = m_rows.last();
    unindex(row);
    if (row.sourced)
        row.second = text;
    else
        row.first = text;
    index(row);
    Q_EMIT rowChanged(m_rows.size() - 1);
}

void ResultsList::removeAt(qsizetype position) {
    Q_EMIT aboutToRemove(position - 1);
    unindex(m_rows.at(position - 1));
    m_rows.removeAt(position - 1);
    Q_EMIT removed();
}

void ResultsList::clear() {
    Q_EMIT aboutToClear();
    m_rows.clear();
    m_results.clear();
    m_sourcedResults.clear();
    Q_EMIT cleared();
}

QVector<ResultRow> ResultsList::takeRows(bool keepIndex) {
    Q_EMIT aboutToClear();
    QVector<ResultRow> rows = std::exchange(m_rows, {});
    if (!keepIndex) {
        m_results.clear();
        m_sourcedResults.clear();
    }
    Q_EMIT cleared();
    return rows;
}

void ResultsList::index(const ResultRow& row) {
    ++m_results[row.result()];
    if (row.sourced)
        ++m_sourcedResults[{row.first, row.result()}];
}

void ResultsList::unindex(const ResultRow& row) {
    const auto drop = [](auto& hash, const auto& key) {
        auto it = hash.find(key);
        if (it != hash.end() && --it.value() == 0)
            hash.erase(it);
    };
    drop(m_results, row.result());
    if (row.sourced)
        drop(m_sourcedResults, std::pair{row.first, row.result()});
}

void ResultsList::setChecked(qsizetype position, bool checked) {
    m_rows[position - 1].checked = checked;
    Q_EMIT rowChanged(position - 1);
}
