#include "cli/clisteps.h"

#include "cli/clidialogs.h"
#include "cli/clioptions.h"
#include "engine/mainstate.h"
#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "output/alignedtable.h"
#include "output/textfilewriter.h"
#include "platform/host.h"
#include "sources/filetolist.h"
#include "sources/localfiles.h"
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString commaLine(const ResultsList& results) {
    QString line;
    for (qsizetype r = 1; r <= results.count(); ++r)
        line += results.at(r).first + QLatin1Char(',');
    return line;
}

} // namespace

void keepShard(const Shard& shard, UrlList& urls) {
    qsizetype position = 0;
    urls.removeIf([&](const QString&) { return position++ % shard.n != shard.k - 1; });
}

void addSources(const CliOptions& o, Host& host, MainState& state) {
    for (const QString& entry : o.sources)
        state.urls.append(entry);
    if (!o.input.isEmpty()) {
        QByteArray bytes;
        if (o.input == QStringLiteral("-")) {
            QFile in;
            in.open(stdin, QIODevice::ReadOnly);
            bytes = in.readAll();
        } else {
            QFile in(o.input);
            if (!in.open(QIODevice::ReadOnly))
                throw UsageError{QStringLiteral("cannot read the list file ") + o.input +
                                 QStringLiteral(": ") + in.errorString()};
            bytes = in.readAll();
        }
        // The list-file rules, except that a blank line names no source here: a script's list usually
        // ends with a line break, and an empty entry would only fail.
        for (const QString& entry : listFileEntries(decodeListFile(bytes)))
            if (!entry.isEmpty())
                state.urls.append(entry);
    }
    if (!o.folder.isEmpty()) {
        if (!host.files.isFolder(o.folder))
            throw UsageError{QStringLiteral("no such folder: ") + o.folder};
        collectFolder(host, state, QFileInfo(o.folder).absoluteFilePath(), o.ext);
    }
    if (state.urls.isEmpty())
        throw UsageError{QStringLiteral("no sources: give addresses or files, --input or --folder")};
}

void runMode(const CliOptions& o, Host& host, MainState& state) {
    switch (o.mode) {
    case CliMode::All:
        return runAllLines(host, state);
    case CliMode::Containing:
        state.setText1(o.texts.value(0));
        return runLinesContaining(host, state);
    case CliMode::NotContaining:
        state.setText2(o.texts.value(0));
        return runLinesNotContaining(host, state);
    case CliMode::Numbers:
        state.setText5(o.numbers);
        return runLinesByNumber(host, state);
    case CliMode::Between: {
        BetweenState between;
        between.setStartWith(o.start);
        between.setEndWith(o.end);
        between.setCheck21(o.noIncludeStart ? 0 : 1);
        between.setCheck22(o.noIncludeEnd ? 0 : 1);
        return ExtractBetween::runBetween(host, state, between);
    }
    case CliMode::TextSet: {
        TextSetState set;
        for (const QString& text : o.texts)
            set.append(text);
        return ExtractTextSets::runTextSet(host, state, set);
    }
    }
}

// Outputs already written carry this key: it must not change.
QByteArray runKey(const CliOptions& o, const UrlList& urls) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* option : {"format", "mode", "text", "numbers", "start", "end", "shard"})
        hash.addData((QLatin1String(option) + QLatin1Char('=') +
                      o.shaping.value(QLatin1String(option)).join(QChar(0)) + QChar(0))
                         .toUtf8());
    for (const bool flag : {o.noIncludeStart, o.noIncludeEnd, o.rendered, o.keepDuplicates, o.showSource})
        hash.addData(flag ? "1" : "0");
    for (qsizetype i = 1; i <= urls.count(); ++i)
        hash.addData((QChar(0) + urls.at(i)).toUtf8());
    return hash.result();
}

// The aligned, comma and table layouts, to standard output or to --output. A regular file (or a new one) is
// replaced only once it is written whole; anything else that exists there (a device, a pipe, /dev/stdout) is
// written directly and stays what it is. A write that fails is said once and ends the save.
bool writeResults(const CliOptions& o, Host& host, const ResultsList& results) {
    QFile direct;
    std::unique_ptr<TextFileWriter> writer;
    const QFileInfo target(o.output);
    if (o.output.isEmpty()) {
        direct.open(stdout, QIODevice::WriteOnly);
        writer = std::make_unique<TextFileWriter>(&direct);
    } else if (target.exists() && !target.isFile()) {
        direct.setFileName(o.output);
        if (!direct.open(QIODevice::WriteOnly)) {
            QTextStream(stderr) << "quarnel-cli: cannot write " << o.output << ": " << direct.errorString()
                                << '\n';
            return false;
        }
        writer = std::make_unique<TextFileWriter>(&direct);
    } else {
        writer = std::make_unique<TextFileWriter>();
    }
    if (o.format == CliFormat::Aligned) {
        writeAlignedTable(host.dialogs, host.pump, results, o.output, nullptr, *writer);
        return !writer->failed();
    }
    try {
        writer->create(o.output);
        if (o.format == CliFormat::Comma)
            writer->writeLine(commaLine(results));
        else
            writer->writeText(buildClipboardTable(host.pump, results));
        writer->close();
    } catch (const Failure& failure) {
        QTextStream(stderr) << CliDialogs::oneLine(failure.description()) << '\n';
        return false;
    }
    return true;
}
