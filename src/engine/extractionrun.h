#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct Host;
class MainState;
class Procedure;

// The pieces every extraction mode is built from. Each takes the statement number of its first statement,
// since every mode numbers its statements in its own way.
namespace ExtractionRun {

// The page text cut at every CR LF pair; lone CRs and LFs stay inside their line. No text, no lines.
QStringList cutIntoLines(const QString& pageText);

// Removes the headers and builds the layout for the current ShowSourceFilename: statements first to first+14.
void rebuildLayout(Procedure& p, MainState& state, int first);

// Appends `text` as a sourced row or a plain row by ShowSourceFilename: statements first to first+6.
void appendResult(Procedure& p, MainState& state, const QString& entry, const QString& text, int first);

// The duplicate test: the text among the results, or with ShowSourceFilename on, the same text from the
// same source.
bool isDuplicate(const MainState& state, const QString& entry, const QString& text);

// Appends `text` unless it is a suppressed duplicate: statements first to first+18.
void addExtractedLine(Procedure& p, MainState& state, const QString& entry, const QString& text, int first);

// "Done.", or "Stopped." for a run the user stopped.
QString closingMessage(const MainState& state);

// ProgressValue for the i-th entry of `count`: rounded to the nearest whole number (halves to even), or
// rounded down by the modes of the two dialogs.
enum class Rounding { Nearest, Down };
int progressFor(qsizetype i, qsizetype count, Rounding rounding = Rounding::Nearest);

// The entry loop: `first` takes the entry count, first+2 reads the entry, first+4 sets the progress,
// first+6 the status line, first+8 processes events; then `body` runs for the entry.
// Entries removed during the loop are skipped, never repeated; entries added during it are not visited.
// A stop request ends the loop before its next entry.
void forEachEntry(Procedure& p, Host& host, MainState& state, int first,
                  const std::function<void(const QString& entry)>& body,
                  Rounding rounding = Rounding::Nearest);

// A run of a line-filtering mode: every non-empty line that `keep` accepts (all lines without `keep`).
struct LineMode {
    QString location;                         // "Form1.PushButton3_Click"
    bool busyBeforeRetrieval = true;          // a BusyPointer statement between the header and the retrieval
    std::function<bool(const QString&)> keep; // the mode's own line test, a statement of its own
};
void runLineMode(Host& host, MainState& state, const LineMode& mode);

} // namespace ExtractionRun
