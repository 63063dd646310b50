#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>
#include <optional>
#include <utility>

struct ResultRow {
    QString first;                 // the extracted text, or the source of a sourced row
    std::optional<QString> second; // the extracted text of a sourced row
    bool sourced = false;
    bool checked = true;
    QString origin; // the source the text came from, shown or not

    // What the duplicate test compares: the extracted text.
    QString result() const { return sourced ? second.value_or(QString()) : first; }
};

struct ResultColumn {
    QString header;
    int widthTwips = 0;
};

// The extracted rows and the column headers they are shown under. Positions are 1-based.
class ResultsList : public QObject {
    Q_OBJECT
public:
    static constexpr int StartupWidth = 7000;

    ResultsList();

    qsizetype count() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const ResultRow& at(qsizetype position) const { return m_rows.at(position - 1); }

    const QVector<ResultColumn>& columns() const { return m_columns; }
    void removeAllColumns();
    void addColumn(const QString& header);
    void setColumnWidth(int column, int twips); // 1-based column
    void setFirstHeader(const QString& header);

    void appendRow(const QString& text, const QString& origin = {});
    // A sourced row is appended with its source first; its text is filled in right after.
    void appendSourcedRow(const QString& source);
    void setLastRowText(const QString& text);
    void removeAt(qsizetype position);
    void clear();
    void setChecked(qsizetype position, bool checked);

    // Hands the rows over and forgets them. With `keepIndex` the duplicate tests still know every result
    // they held: a writer that streams rows as they come keeps only that.
    QVector<ResultRow> takeRows(bool keepIndex);
    // Makes the duplicate tests know a row written by an earlier run, without holding the row.
    void remember(const ResultRow& row) { index(row); }

    // True when some row already holds `candidate` as its result.
    bool contains(const QString& candidate) const { return m_results.contains(candidate); }
    // True when some sourced row holds `candidate` from `source`.
    bool containsSourced(const QString& source, const QString& candidate) const {
        return m_sourcedResults.contains({source, candidate});
    }

Q_SIGNALS:
    void aboutToAppend(qsizetype row);
    void appended();
    void rowChanged(qsizetype row);
    void aboutToRemove(qsizetype row);
    void removed();
    void aboutToClear();
    void cleared();
    void columnsAboutToChange();
    void columnsChanged();
    void headerChanged(int column);

private:
    void index(const ResultRow& row);
    void unindex(const ResultRow& row);

    QVector<ResultRow> m_rows;
    QVector<ResultColumn> m_columns;
    // Results and (source, result) pairs with the number of rows holding each, kept beside the rows.
    QHash<QString, int> m_results;
    QHash<std::pair<QString, QString>, int> m_sourcedResults;
};
