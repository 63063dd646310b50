#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

// What a streamed run keeps beside its output, FILE.quarnel-resume: a header with the run's key (a hash of
// every argument that shapes the output, and of the list itself), a line "shard K/N" for a shard's run, then
// after every entry a line "done ENTRIES BYTES" once the file holds the rows of the first ENTRIES entries in
// its first BYTES bytes, and "complete" at the end. A line cut short by a kill has no line break and counts
// for nothing; a resumed run records again from where it went on, so a later "done" line stands for its
// entries. Read one way by --resume and by --merge.
struct ResumeRecord {
    static QString pathOf(const QString& output) { return output + QStringLiteral(".quarnel-resume"); }
    static QByteArray header(const QByteArray& runKey) { return "quarnel-cli resume 1 " + runKey.toHex(); }

    // Reads the record from `in`; false when its first line is not a header of quarnel-cli's.
    bool read(QIODevice& in);
    // Whether the record was written by a run with `runKey`.
    bool isOf(const QByteArray& runKey) const { return headerLine == header(runKey); }

    QByteArray headerLine; // without its line break
    QByteArray key;        // as in the header, hex
    int shardK = 0, shardN = 0;
    bool complete = false;
    QList<qint64> ends;    // where the rows of the first 0, 1, 2... entries end in the file
    qint64 wholeBytes = 0; // the record's bytes up to its last whole line

    qsizetype entriesDone() const { return ends.isEmpty() ? 0 : ends.size() - 1; }
    qint64 bytesDone() const { return ends.isEmpty() ? 0 : ends.last(); }
};
