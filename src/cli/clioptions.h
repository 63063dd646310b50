#pragma once

#include "base/requests.h"

#include <QHash>
#include <QString>
#include <QStringList>

// What quarnel-cli was asked to do, checked whole before anything loads.
struct CliOptions {
    QStringList sources; // addresses, and local files made absolute against the working folder
    QString input, folder, ext, mode, format, numbers, start, end, shard, output;
    QStringList texts;
    bool noIncludeStart = false, noIncludeEnd = false, rendered = false, keepDuplicates = false,
         showSource = false, resume = false, verbose = false, quiet = false, merge = false;
    QStringList shards; // with --merge: the shard outputs to merge (the arguments)
    int jobs = 0, pageTimeout = 0, settle = 0, viewWidth = 0, viewHeight = 0;
    // Retries, the limit per host, who asks and the proxy, each checked (the cookies file read) already.
    NetworkOptions network;
    // --help or --version: the text to print, and nothing else to do.
    QString helpOrVersion;
    // The values given to the options that shape the rows (--format, --mode, --text, --numbers, --start,
    // --end, --shard), as given: with the flags above, what a resumed run must share.
    QHash<QString, QStringList> shaping;

    // JSON lines and CSV go out entry by entry; the other formats lay out the whole table.
    bool streams() const { return format == QStringLiteral("jsonl") || format == QStringLiteral("csv"); }
};

struct UsageError {
    QString message;
};

// `arguments` as main receives them, the program's name first. Throws UsageError: the caller prints it on
// one line and exits with status 2.
CliOptions parseCliOptions(const QStringList& arguments, const QString& version);
