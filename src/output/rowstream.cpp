#include "output/rowstream.h"

#include "output/csv.h"
#include "output/resumerecord.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <unistd.h>

RowStream::RowStream(Format format, ResultsList& results, bool keepDuplicates, bool showSource)
    : m_format(format), m_results(results), m_keepDuplicates(keepDuplicates), m_showSource(showSource) {}

QByteArray RowStream::encode(const ResultRow& row) const {
    if (m_format == Format::Csv)
        return (Csv::record({row.origin, row.result()}) + QStringLiteral("\r\n")).toUtf8();
    const QJsonObject object{{QStringLiteral("source"), row.origin}, {QStringLiteral("text"), row.result()}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

void RowStream::writeAll(QFile& file, const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    const qint64 before = file.pos();
    qint64 written = file.write(bytes);
    if (written > 0 && written < bytes.size()) // a short write: the next one says why
        written += std::max<qint64>(0, file.write(bytes.mid(written)));
    if (written == bytes.size())
        return;
    const QString reason = file.errorString();
    // A file of ours keeps nothing of what could not be written whole (a full disk): its lines stay
    // whole, and the record matches it.
    if (!file.fileName().isEmpty())
        file.resize(before);
    throw Error{QStringLiteral("cannot write ") +
                (file.fileName().isEmpty() ? QStringLiteral("standard output") : file.fileName()) +
                QStringLiteral(": ") + reason};
}

void RowStream::openStandardOutput() {
    if (!m_out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error{QStringLiteral("cannot write standard output: ") + m_out.errorString()};
    if (m_format == Format::Csv)
        writeAll(m_out, "source,text\r\n");
}

qsizetype RowStream::openFile(const QString& path, const QByteArray& runKey, bool resume,
                              const QByteArray& note) {
    m_out.setFileName(path);
    // A device or a pipe (/dev/null, a FIFO) is written as standard output is: no record beside it.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (resume)
            throw Error{QStringLiteral("--resume needs a regular file, and ") + path +
                            QStringLiteral(" is not one"),
                        2};
        if (!m_out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw Error{QStringLiteral("cannot write ") + path + QStringLiteral(": ") + m_out.errorString()};
        if (m_format == Format::Csv)
            writeAll(m_out, "source,text\r\n");
        return 0;
    }
    m_record.setFileName(ResumeRecord::pathOf(path));
    qsizetype entries = 0;
    qint64 bytes = 0, recordBytes = 0;
    const QString again = QStringLiteral("; run without --resume to start it again");
    if (resume && m_record.exists()) {
        if (!m_record.open(QIODevice::ReadOnly))
            throw Error{QStringLiteral("cannot read ") + m_record.fileName() + QStringLiteral(": ") +
                        m_record.errorString()};
        ResumeRecord record;
        if (!record.read(m_record) || !record.isOf(runKey))
            throw Error{path + QStringLiteral(" was begun with other arguments or another list") + again, 2};
        m_record.close();
        m_complete = record.complete;
        entries = record.entriesDone();
        bytes = record.bytesDone();
        recordBytes = record.wholeBytes;
        if (m_complete)
            return entries;
        if (entries > 0 && (!m_out.exists() || m_out.size() < bytes))
            throw Error{path + QStringLiteral(" is shorter than its record says") + again, 2};
    } else if (resume && m_out.exists()) {
        throw Error{path + QStringLiteral(" has no record ") + m_record.fileName() +
                        QStringLiteral(" to resume from") + again,
                    2};
    }

    if (entries > 0) {
        // Rows written after the last recorded entry belong to an entry that is done again now.
        if (!m_out.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !m_out.resize(bytes))
            throw Error{QStringLiteral("cannot write ") + path + QStringLiteral(": ") + m_out.errorString()};
        if (!m_keepDuplicates)
            learnRowsWritten(bytes);
        m_out.seek(bytes);
        if (!m_record.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !m_record.resize(recordBytes) ||
            !m_record.seek(recordBytes))
            throw Error{QStringLiteral("cannot write ") + m_record.fileName() + QStringLiteral(": ") +
                        m_record.errorString()};
        m_entriesDone = entries;
        return entries;
    }
    // A fresh start. The old record goes first, so that no moment leaves a record that fits a file it
    // no longer describes.
    QFile::remove(m_record.fileName());
    if (!m_out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Error{QStringLiteral("cannot write ") + path + QStringLiteral(": ") + m_out.errorString()};
    if (m_format == Format::Csv)
        writeAll(m_out, "source,text\r\n");
    if (!m_record.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Error{QStringLiteral("cannot write ") + m_record.fileName() + QStringLiteral(": ") +
                    m_record.errorString()};
    writeAll(m_record, ResumeRecord::header(runKey) + '\n' + (note.isEmpty() ? QByteArray() : note + '\n') +
                           "done 0 " + QByteArray::number(m_out.pos()) + '\n');
    return 0;
}

void RowStream::readRows(QIODevice& in, qint64 until, Format format,
                         const std::function<void(const QString&, const QString&, const QByteArray&)>& row) {
    QByteArray pending;
    while (in.pos() < until && !in.atEnd()) {
        pending += in.readLine(); // the file ends where the record says
        QString source, text;
        if (format == Format::Csv) {
            if (pending.count('"') % 2 != 0) // a line break inside a quoted field
                continue;
            const QStringList fields =
                Csv::fields(QString::fromUtf8(pending.chopped(pending.endsWith("\r\n") ? 2 : 1)));
            source = fields.value(0);
            text = fields.value(1);
        } else {
            const QJsonObject object = QJsonDocument::fromJson(pending).object();
            source = object.value(QStringLiteral("source")).toString();
            text = object.value(QStringLiteral("text")).toString();
        }
        row(source, text, pending);
        pending.clear();
    }
}

// The duplicate tests of the resumed run must know the rows the earlier run wrote.
void RowStream::learnRowsWritten(qint64 bytes) {
    // A reader of its own, buffered: the output is written unbuffered, and read that way every line would
    // cost a system call per byte.
    QFile in(m_out.fileName());
    if (!in.open(QIODevice::ReadOnly))
        throw Error{QStringLiteral("cannot read ") + in.fileName() + QStringLiteral(": ") + in.errorString()};
    if (m_format == Format::Csv)
        in.readLine(); // the header
    readRows(in, bytes, m_format, [&](const QString& source, const QString& text, const QByteArray&) {
        m_results.remember(m_showSource ? ResultRow{source, text, true, true, source}
                                        : ResultRow{text, std::nullopt, false, true, source});
    });
}

void RowStream::entryFinished() {
    QByteArray bytes;
    const QVector<ResultRow> rows = m_results.takeRows(!m_keepDuplicates);
    for (const ResultRow& row : rows)
        bytes += encode(row);
    writeAll(m_out, bytes);
    m_rowsWritten += rows.size();
    ++m_entriesDone;
    if (m_record.isOpen())
        writeAll(m_record,
                 "done " + QByteArray::number(m_entriesDone) + ' ' + QByteArray::number(m_out.pos()) + '\n');
}

void RowStream::dropEntry() {
    m_results.takeRows(!m_keepDuplicates);
}

void RowStream::markComplete() {
    if (m_record.isOpen())
        writeAll(m_record, "complete\n");
}
