#pragma once

#include "output/resumerecord.h"
#include "output/rowstream.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// The outputs of the N shards of one list (each written with --shard K/N --output, and its record beside
// it) put back together as the one file a single run over the whole list writes, byte for byte: every
// entry's rows in list order, where entry p came from shard ((p - 1) mod N) + 1, and the duplicates that
// one run suppresses across the whole list suppressed again (each shard could only see its own).
namespace ShardMerge {

struct Error {
    QString message; // one line, for exit status 2
};

// A shard's output and what its record says.
struct Shard {
    QString path;
    ResumeRecord record;
    int k() const { return record.shardK; }
    int n() const { return record.shardN; }
};
// Throws Error when the record is missing or is not a shard's.
Shard readShard(const QString& path);

// Checks the shards against the keys a run of each shard of the list must have (`keyOf(k, n)`, raw) and
// writes the merged rows to `out`, and beside it the record a single run with `wholeKey` leaves; every
// refusal is an Error naming the shard: other arguments or list, a shard missing, one given twice, one not
// complete. `total` is the length of the whole list.
struct Options {
    RowStream::Format format = RowStream::Format::JsonLines;
    bool keepDuplicates = false, showSource = false;
};
void merge(const QStringList& shardPaths, qsizetype total, const Options& options,
           const std::function<QByteArray(int k, int n)>& keyOf, const QByteArray& wholeKey,
           const QString& out);

} // namespace ShardMerge
