#pragma once

#include <QString>
#include <QVector>

class Dialogs;
class EventPump;
class MainState;
class ResultsList;
class TextFileWriter;

// Where a long save shows how far it got.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual void setValue(double value) = 0;
};

// The main window's StatusLine and ProgressValue as a progress display.
class StatusLineProgress : public ProgressDisplay {
public:
    explicit StatusLineProgress(MainState& state) : m_state(state) {}
    void setStatus(const QString& text) override;
    void setValue(double value) override; // rounded, at most 100

private:
    MainState& m_state;
};

struct ResultRow;

namespace AlignedTable {
// The row at a 1-based position; throws Failure when it does not exist (any more).
const ResultRow& rowAt(const ResultsList& list, qsizetype row);
// A row's text in a 1-based column: the first-column text, or the second for column 2 (empty when the row
// has none, and for a column past the second). Throws Failure when the row does not exist (any more).
QString cellText(const ResultsList& list, qsizetype row, int column);
// `text` padded with blanks to `width` (unless longer), then a tab.
void appendCell(QString& line, const QString& text, qsizetype width);
} // namespace AlignedTable

// Writes the list as a table of tab-ended cells padded to their column's width: the header line, then one
// line per checked row. Reports its own failures and carries on, except that a save whose file fails or
// whose rows are cleared under it ends after that one report and leaves the old file; `progress` may be null.
void SaveListviewProperlySpaced(Dialogs& dialogs, EventPump& pump, const ResultsList& list,
                                const QString& path, ProgressDisplay* progress, TextFileWriter& file);

// The checked rows as aligned text without a header: each line's final tab and trailing blanks dropped,
// CR LF after every line. Empty for an empty list. Throws Failure when a row vanishes meanwhile.
QString buildClipboardTable(EventPump& pump, const ResultsList& list);
