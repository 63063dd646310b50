#pragma once

#include "base/requests.h"

#include "output/rowstream.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// --mode, by name as the command line gives it.
enum class CliMode { All, Containing, NotContaining, Numbers, Between, TextSet };
// --format.
enum class CliFormat { Aligned, Comma, Table, JsonLines, Csv };

// --shard K/N: this process takes the entries at positions p with (p - 1) mod N = K - 1.
struct Shard {
    int k = 1, n = 1;
    // "K/N" with 1 <= K <= N; nothing for anything else.
    static std::optional<Shard> parse(const QString& text);
    QString text() const { return QStringLiteral("%1/%2").arg(k).arg(n); }
    bool operator==(const Shard&) const = default;
};

// What quarnel-cli was asked to do, checked whole before anything loads.
struct CliOptions {
    QStringList sources; // addresses, and local files made absolute against the working folder
    QString input, folder, ext, numbers, start, end, output;
    CliMode mode = CliMode::All;
    CliFormat format = CliFormat::Aligned;
    std::optional<Shard> shard;
    QStringList texts;
    bool noIncludeStart = false, noIncludeEnd = false, rendered = false, keepDuplicates = false,
         showSource = false, resume = false, verbose = false, quiet = false, merge = false;
    QStringList shards;     // with --merge: the shard outputs to merge (the arguments)
    QStringList blockLists; // --block-list: the user's own block lists, beside the lists Debian ships
    int jobs = 0, pageTimeout = 0, settle = 0, scroll = 0, viewWidth = 0, viewHeight = 0;
    // Retries, the limit per host, who asks and the proxy, each checked (the cookies file read) already.
    NetworkOptions network;
    // --help or --version: the text to print, and nothing else to do.
    QString helpOrVersion;
    // The values given to the options that shape the rows (--format, --mode, --text, --numbers, --start,
    // --end, --shard), as given: with the flags above, what a resumed run must share.
    QHash<QString, QStringList> shaping;

    // JSON lines and CSV go out entry by entry; the other formats lay out the whole table.
    bool streams() const { return format == CliFormat::JsonLines || format == CliFormat::Csv; }
    // The streamed format of a run that streams.
    RowStream::Format streamFormat() const {
        return format == CliFormat::Csv ? RowStream::Format::Csv : RowStream::Format::JsonLines;
    }
};

struct UsageError {
    QString message;
};

// `arguments` as main receives them, the program's name first. Throws UsageError: the caller prints it on
// one line and exits with status 2.
CliOptions parseCliOptions(const QStringList& arguments, const QString& version);
