#include "output/shardmerge.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <memory>
#include <vector>

namespace ShardMerge {

Shard readShard(const QString& path) {
    Shard shard;
    shard.path = path;
    QFile record(ResumeRecord::pathOf(path));
    if (!record.open(QIODevice::ReadOnly))
        throw Error{path + QStringLiteral(" has no record ") + record.fileName() +
                    QStringLiteral(" (write each shard with --shard K/N --output FILE)")};
    if (!shard.record.read(record))
        throw Error{record.fileName() + QStringLiteral(" is not a record of quarnel-cli")};
    if (shard.k() < 1 || shard.n() < shard.k())
        throw Error{path + QStringLiteral(" is not the output of a shard (--shard K/N)")};
    return shard;
}

void merge(const QStringList& shardPaths, qsizetype total, const Options& options,
           const std::function<QByteArray(int k, int n)>& keyOf, const QByteArray& wholeKey,
           const QString& out) {
    QList<Shard> byK;
    QString first;
    for (const QString& path : shardPaths) {
        Shard shard = readShard(path);
        if (!byK.isEmpty() && shard.n() != byK.size())
            throw Error{path + QStringLiteral(" is shard %1/%2, and ").arg(shard.k()).arg(shard.n()) + first +
                        QStringLiteral(" one of %1").arg(byK.size())};
        if (byK.isEmpty()) {
            byK.resize(shard.n());
            first = path;
        }
        Shard& place = byK[shard.k() - 1];
        if (!place.path.isEmpty())
            throw Error{place.path + QStringLiteral(" and ") + path +
                        QStringLiteral(" are both shard %1/%2").arg(shard.k()).arg(shard.n())};
        if (shard.record.key != keyOf(shard.k(), shard.n()).toHex())
            throw Error{path + QStringLiteral(" was written with other arguments or another list")};
        if (!shard.record.complete)
            throw Error{path + QStringLiteral(" is not complete: run its command again with --resume")};
        place = shard;
    }
    if (byK.isEmpty())
        throw Error{QStringLiteral("--merge needs the shard files to merge")};
    for (int k = 1; k <= byK.size(); ++k)
        if (byK[k - 1].path.isEmpty())
            throw Error{QStringLiteral("shard %1/%2 is missing").arg(k).arg(byK.size())};
    const int n = int(byK.size());
    for (const Shard& shard : std::as_const(byK))
        if (shard.record.ends.size() !=
            (total >= shard.k() ? (total - shard.k()) / n + 1 : 0) + 1) // and where they begin
            throw Error{shard.path +
                        QStringLiteral(" holds another number of entries than the list gives it")};

    std::vector<std::unique_ptr<QFile>> inputs;
    for (const Shard& shard : std::as_const(byK)) {
        inputs.push_back(std::make_unique<QFile>(shard.path));
        if (!inputs.back()->open(QIODevice::ReadOnly) || !inputs.back()->seek(shard.record.ends.first()))
            throw Error{QStringLiteral("cannot read ") + shard.path};
    }
    QSaveFile file(out);
    QSaveFile record(ResumeRecord::pathOf(out));
    if (!file.open(QIODevice::WriteOnly) || !record.open(QIODevice::WriteOnly))
        throw Error{QStringLiteral("cannot write ") + out + QStringLiteral(": ") + file.errorString()};
    if (options.format == RowStream::Format::Csv)
        file.write("source,text\r\n");
    record.write(ResumeRecord::header(wholeKey) + "\ndone 0 " + QByteArray::number(file.pos()) + '\n');
    QSet<QString> seen;
    QByteArray entryBytes;
    for (qsizetype p = 1; p <= total; ++p) {
        const int k = int((p - 1) % n) + 1;
        const qsizetype local = (p - 1) / n + 1;
        entryBytes.clear();
        RowStream::readRows(*inputs[k - 1], byK[k - 1].record.ends[local], options.format,
                            [&](const QString& source, const QString& text, const QByteArray& written) {
                                if (!options.keepDuplicates) {
                                    const QString key = options.showSource ? source + QChar(0) + text : text;
                                    if (seen.contains(key))
                                        return;
                                    seen.insert(key);
                                }
                                entryBytes += written;
                            });
        file.write(entryBytes);
        record.write("done " + QByteArray::number(p) + ' ' + QByteArray::number(file.pos()) + '\n');
    }
    record.write("complete\n");
    if (!file.commit() || !record.commit())
        throw Error{QStringLiteral("cannot write ") + out + QStringLiteral(": ") + file.errorString()};
}

} // namespace ShardMerge
