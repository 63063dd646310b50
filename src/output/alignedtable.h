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

// What an aligned layout of the checked rows would take, counted without building it: the padding of
// one long cell can make it far larger than the text.
struct AlignedSize {
    enum class Layout { File, Clipboard };
    qint64 bytes = 0;      // UTF-8, line breaks included
    qint64 textBytes = 0;  // the cells' own text
    qsizetype longest = 0; // the longest cell, in characters
    // Over 256 MB, and more than ten times the text: the padding dominates.
    bool paddingDominates() const { return bytes > (qint64(256) << 20) && bytes > 10 * textBytes; }
    // "29.7 GB"
    QString shownSize() const;
};
// The file layout has the header line and pads every cell; the clipboard's drops each line's final tab
// and trailing blanks. Throws Failure when rows vanish meanwhile.
AlignedSize measureAligned(EventPump& pump, const ResultsList& list, AlignedSize::Layout layout);

// Writes the list as a table of tab-ended cells padded to their column's width: the header line, then one
// line per checked row. Reports its own failures and carries on, except that a save whose file fails or
// whose rows are cleared under it ends after that one report and leaves the old file; `progress` may be null.
void writeAlignedTable(Dialogs& dialogs, EventPump& pump, const ResultsList& list, const QString& path,
                       ProgressDisplay* progress, TextFileWriter& file);

// The checked rows as aligned text without a header: each line's final tab and trailing blanks dropped,
// CR LF after every line. Empty for an empty list. Throws Failure when a row vanishes meanwhile.
QString buildClipboardTable(EventPump& pump, const ResultsList& list);
