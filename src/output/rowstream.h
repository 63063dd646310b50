#pragma once

#include "engine/resultslist.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>

// Writes each entry's rows, as JSON lines or CSV records, as soon as the entry is done, and forgets them:
// only what the duplicate tests need stays in memory. Every entry's rows go out in one write, so a run
// killed at any moment leaves whole lines.
//
// Written to a file, the stream keeps a record beside it (ResumeRecord). A run started again with --resume
// cuts the file back to the last entry recorded, learns the rows already written for the duplicate tests,
// and goes on with the next entry.
class RowStream {
public:
    enum class Format { JsonLines, Csv };
    struct Error {
        QString message;
        int exitCode = 1;
    };

    RowStream(Format format, ResultsList& results, bool keepDuplicates, bool showSource);

    void openStandardOutput();
    // Opens FILE and its record. Without `resume`, or when there is nothing to resume, the file starts
    // empty. Returns how many entries at the head of the list an earlier run has finished; throws Error.
    // `note` is a line of the record after its key, for whoever reads the record ("shard 2/4").
    qsizetype openFile(const QString& path, const QByteArray& runKey, bool resume,
                       const QByteArray& note = {});
    // True when the record says an earlier run with this key went to the end.
    bool alreadyComplete() const { return m_complete; }

    // Writes the rows of the entry that just finished and records it; throws Error when writing fails.
    void entryFinished();
    // Forgets the rows of an entry that was cut short, leaving it for a resumed run to do again.
    void dropEntry();
    void markComplete();

    qsizetype rowsWritten() const { return m_rowsWritten; }
    // Reads the rows of `in` from where it stands up to byte `until`: each row's source, text and the bytes
    // it was written as.
    static void readRows(QIODevice& in, qint64 until, Format format,
                         const std::function<void(const QString& source, const QString& text,
                                                  const QByteArray& written)>& row);

private:
    QByteArray encode(const ResultRow& row) const;
    void learnRowsWritten(qint64 bytes);
    void writeAll(QFile& file, const QByteArray& bytes);

    Format m_format;
    ResultsList& m_results;
    bool m_keepDuplicates, m_showSource;
    QFile m_out, m_record;
    qsizetype m_entriesDone = 0, m_rowsWritten = 0;
    bool m_complete = false;
};
