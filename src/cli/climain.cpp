// quarnel-cli: the extraction engine without a window.
#include "cli/clidialogs.h"
#include "cli/rowstream.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "engine/sourcename.h"
#include "output/alignedtable.h"
#include "output/textfilewriter.h"
#include "platform/host.h"
#include "platform/qt/posixfilesystem.h"
#include "platform/qt/posixprocessrunner.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "platform/qt/webenginebrowser.h"
#include "sources/filetolist.h"
#include "sources/localfiles.h"

#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QSocketNotifier>
#include <csignal>
#include <optional>
#include <cstdio>
#include <fcntl.h>
#include <cstring>
#include <unistd.h>

namespace {

// Settings and the clipboard play no part in a command-line run.
class NoSettings : public SettingsStore {
public:
    QString read(const QString&, const QString&, const QString&, const QString& def) override { return def; }
    void write(const QString&, const QString&, const QString&, const QString&) override {}
};
class NoClipboard : public Clipboard {
public:
    bool tryClear() override { return true; }
    bool trySetText(const QString&) override { return true; }
};

struct UsageError {
    QString message;
};

const QStringList Modes = {QStringLiteral("all"), QStringLiteral("containing"), QStringLiteral("not-containing"),
                           QStringLiteral("numbers"), QStringLiteral("between"), QStringLiteral("text-set")};
const QStringList Formats = {QStringLiteral("aligned"), QStringLiteral("comma"), QStringLiteral("table"),
                             QStringLiteral("jsonl"), QStringLiteral("csv")};

QString commaLine(const ResultsList& results)
{
    QString line;
    for (qsizetype r = 1; r <= results.count(); ++r)
        line += results.at(r).first + QLatin1Char(',');
    return line;
}

// --shard K/N: the entries at positions p with (p - 1) mod N = K - 1, so that N processes given the same
// list split it exactly.
void keepShard(const QString& shard, UrlList& urls)
{
    const QStringList parts = shard.split(QLatin1Char('/'));
    bool kOk = false, nOk = false;
    const int k = parts.value(0).toInt(&kOk), n = parts.value(1).toInt(&nOk);
    if (parts.size() != 2 || !kOk || !nOk || n < 1 || k < 1 || k > n)
        throw UsageError{QStringLiteral("--shard takes K/N with 1 <= K <= N, such as 2/4")};
    qsizetype position = 0;
    urls.removeIf([&](const QString&) { return position++ % n != k - 1; });
}

void addSources(const QCommandLineParser& parser, Host& host, MainState& state)
{
    // A file named on the command line is meant relative to where the command runs; the engine itself
    // never resolves a bare name against a folder, so the path is made absolute here.
    for (const QString& entry : parser.positionalArguments()) {
        const QFileInfo file(entry);
        state.urls.append(file.isRelative() && !entry.contains(QStringLiteral("://")) && file.exists()
                              ? file.absoluteFilePath()
                              : entry);
    }
    if (parser.isSet(QStringLiteral("input"))) {
        const QString input = parser.value(QStringLiteral("input"));
        QByteArray bytes;
        if (input == QStringLiteral("-")) {
            QFile in;
            in.open(stdin, QIODevice::ReadOnly);
            bytes = in.readAll();
        } else {
            QFile in(input);
            if (!in.open(QIODevice::ReadOnly))
                throw UsageError{QStringLiteral("cannot read the list file ") + input + QStringLiteral(": ") + in.errorString()};
            bytes = in.readAll();
        }
        // The list-file rules, except that a blank line names no source here: a script's list usually
        // ends with a line break, and an empty entry would only fail.
        for (const QString& entry : listFileEntries(decodeListFile(bytes)))
            if (!entry.isEmpty())
                state.urls.append(entry);
    }
    if (parser.isSet(QStringLiteral("folder"))) {
        const QString folder = parser.value(QStringLiteral("folder"));
        if (!host.files.isFolder(folder))
            throw UsageError{QStringLiteral("no such folder: ") + folder};
        collectFolder(host, state, QFileInfo(folder).absoluteFilePath(), parser.value(QStringLiteral("ext")));
    }
    if (state.urls.isEmpty())
        throw UsageError{QStringLiteral("no sources: give addresses or files, --input or --folder")};
}

void runMode(const QCommandLineParser& parser, Host& host, MainState& state)
{
    const QString mode = parser.value(QStringLiteral("mode"));
    const QStringList texts = parser.values(QStringLiteral("text"));
    if (mode == QStringLiteral("all")) {
        PushButton3_Click(host, state);
    } else if (mode == QStringLiteral("containing")) {
        state.setText1(texts.value(0));
        PushButton2_Click(host, state);
    } else if (mode == QStringLiteral("not-containing")) {
        state.setText2(texts.value(0));
        PushButton8_Click(host, state);
    } else if (mode == QStringLiteral("numbers")) {
        state.setText5(parser.value(QStringLiteral("numbers")));
        PushButton17_Click(host, state);
    } else if (mode == QStringLiteral("between")) {
        BetweenState between;
        between.setStartWith(parser.value(QStringLiteral("start")));
        between.setEndWith(parser.value(QStringLiteral("end")));
        between.setCheck21(parser.isSet(QStringLiteral("no-include-start")) ? 0 : 1);
        between.setCheck22(parser.isSet(QStringLiteral("no-include-end")) ? 0 : 1);
        ExtractBetween::PushButton4_Click(host, state, between);
    } else {
        TextSetState set;
        for (const QString& text : texts)
            set.append(text);
        ExtractTextSets::PushButton4_Click(host, state, set);
    }
}

// JSON lines and CSV go out entry by entry; the other formats lay out the whole table.
bool streams(const QCommandLineParser& parser)
{
    const QString format = parser.value(QStringLiteral("format"));
    return format == QStringLiteral("jsonl") || format == QStringLiteral("csv");
}

// What a resumed run must share with the run it goes on from: every option that shapes the rows, and the
// list itself.
QByteArray runKey(const QCommandLineParser& parser, const UrlList& urls)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* option : {"format", "mode", "text", "numbers", "start", "end", "shard"})
        hash.addData((QLatin1String(option) + QLatin1Char('=') + parser.values(QLatin1String(option)).join(QChar(0)) +
                      QChar(0)).toUtf8());
    for (const char* flag : {"no-include-start", "no-include-end", "rendered", "keep-duplicates", "show-source"})
        hash.addData(parser.isSet(QLatin1String(flag)) ? "1" : "0");
    for (qsizetype i = 1; i <= urls.count(); ++i)
        hash.addData((QChar(0) + urls.at(i)).toUtf8());
    return hash.result();
}

void checkUsage(const QCommandLineParser& parser)
{
    const QString mode = parser.value(QStringLiteral("mode"));
    if (!Modes.contains(mode))
        throw UsageError{QStringLiteral("unknown mode '") + mode + QStringLiteral("' (") + Modes.join(QLatin1Char('|')) + QLatin1Char(')')};
    if (!Formats.contains(parser.value(QStringLiteral("format"))))
        throw UsageError{QStringLiteral("unknown format '") + parser.value(QStringLiteral("format")) + QStringLiteral("' (") +
                         Formats.join(QLatin1Char('|')) + QLatin1Char(')')};
    if (mode == QStringLiteral("numbers") && parser.value(QStringLiteral("numbers")).isEmpty())
        throw UsageError{QStringLiteral("--mode numbers needs --numbers, such as 1,3,4")};
    if (mode == QStringLiteral("between") &&
        (parser.value(QStringLiteral("start")).isEmpty() || parser.value(QStringLiteral("end")).isEmpty()))
        throw UsageError{QStringLiteral("--mode between needs --start and --end")};
    if (mode == QStringLiteral("text-set") && parser.values(QStringLiteral("text")).isEmpty())
        throw UsageError{QStringLiteral("--mode text-set needs at least one --text")};
    bool wholeNumber = false;
    const int timeout = parser.value(QStringLiteral("page-timeout")).toInt(&wholeNumber);
    if (!wholeNumber || timeout < 1 || timeout > 86'400)
        throw UsageError{QStringLiteral("--page-timeout takes whole seconds from 1 to 86400")};
    const int jobs = parser.value(QStringLiteral("jobs")).toInt(&wholeNumber);
    if (!wholeNumber || jobs < 1 || jobs > MainState::MaxPagesAtOnce)
        throw UsageError{QStringLiteral("--jobs takes a whole number from 1 to 16")};
    if (parser.isSet(QStringLiteral("resume")) && (!parser.isSet(QStringLiteral("output")) || !streams(parser)))
        throw UsageError{QStringLiteral("--resume goes with --output and --format jsonl or csv")};
    if (parser.isSet(QStringLiteral("ext")) && !parser.isSet(QStringLiteral("folder")))
        throw UsageError{QStringLiteral("--ext goes with --folder")};
}

bool writeResults(const QCommandLineParser& parser, Host& host, const ResultsList& results)
{
    const QString format = parser.value(QStringLiteral("format"));
    const bool toFile = parser.isSet(QStringLiteral("output"));
    QFile out;
    std::unique_ptr<TextFileWriter> writer;
    if (toFile) {
        writer = std::make_unique<TextFileWriter>();
    } else {
        out.open(stdout, QIODevice::WriteOnly);
        writer = std::make_unique<TextFileWriter>(&out);
    }
    const QString path = parser.value(QStringLiteral("output"));
    if (format == QStringLiteral("aligned")) {
        SaveListviewProperlySpaced(host.dialogs, host.pump, results, path, nullptr, *writer);
        return true;
    }
    try {
        writer->create(path);
        if (format == QStringLiteral("comma"))
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

} // namespace

namespace {
bool g_qtChatter = false;

// SIGINT and SIGTERM stop the run as the window's Stop does: the rows found so far are written, and the
// exit status says which signal ended it. A second signal ends the program at once.
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_signal = 0;

void onStopSignal(int number)
{
    g_signal = number;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    ::signal(number, SIG_DFL);
}

void stopOnSignals(MainState& state, QObject* owner)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [&state] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        state.requestStop();
    });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
// Standard error carries the run's own messages; the toolkit's start-up chatter only with --verbose.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || g_qtChatter)
        QTextStream(stderr) << message << '\n';
}
} // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        g_qtChatter = g_qtChatter || std::strcmp(argv[i], "--verbose") == 0;
    qInstallMessageHandler(messageHandler);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("quarnel-cli"));
    QGuiApplication::setApplicationVersion(QStringLiteral(QUARNEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Extracts lines or fragments from web pages and local HTML files, as the Quarnel window does."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("sources"), QStringLiteral("Web addresses or local files."),
                                 QStringLiteral("[sources...]"));
    parser.addOptions({
        {QStringLiteral("input"), QStringLiteral("Read sources from a list file, one a line (- for standard input)."), QStringLiteral("file")},
        {QStringLiteral("folder"), QStringLiteral("Add every file of a folder tree with the --ext extension."), QStringLiteral("dir")},
        {QStringLiteral("ext"), QStringLiteral("Extension for --folder (default htm; * for all files)."), QStringLiteral("ext"), QStringLiteral("htm")},
        {QStringLiteral("mode"), QStringLiteral("all, containing, not-containing, numbers, between or text-set (default all)."), QStringLiteral("mode"), QStringLiteral("all")},
        {QStringLiteral("text"), QStringLiteral("Search text; repeat it for a text set."), QStringLiteral("text")},
        {QStringLiteral("numbers"), QStringLiteral("Line numbers for --mode numbers, such as 1,3,4."), QStringLiteral("list")},
        {QStringLiteral("start"), QStringLiteral("Start marker for --mode between."), QStringLiteral("x")},
        {QStringLiteral("end"), QStringLiteral("End marker for --mode between."), QStringLiteral("y")},
        {QStringLiteral("no-include-start"), QStringLiteral("Leave the start marker out of the results.")},
        {QStringLiteral("no-include-end"), QStringLiteral("Leave the end marker out of the results.")},
        {QStringLiteral("rendered"), QStringLiteral("Read the text the browser renders instead of the HTML markup.")},
        {QStringLiteral("keep-duplicates"), QStringLiteral("Keep results that repeat earlier ones.")},
        {QStringLiteral("show-source"), QStringLiteral("Put each result beside its source.")},
        {QStringLiteral("format"), QStringLiteral("aligned, comma, table, jsonl or csv (default aligned)."), QStringLiteral("format"), QStringLiteral("aligned")},
        {QStringLiteral("shard"), QStringLiteral("Take only the entries at positions p with (p - 1) mod N = K - 1."), QStringLiteral("K/N")},
        {QStringLiteral("output"), QStringLiteral("Write the results to a file instead of standard output."), QStringLiteral("file")},
        {QStringLiteral("resume"), QStringLiteral("Go on with an interrupted jsonl or csv run into the same --output file, with the same arguments.")},
        {{QStringLiteral("j"), QStringLiteral("jobs")}, QStringLiteral("Pages loaded at once, 1 to 16 (default 8); results stay in list order."), QStringLiteral("n"), QString::number(MainState::DefaultPagesAtOnce)},
        {QStringLiteral("page-timeout"), QStringLiteral("Seconds a page may take to load before it is read as it stands (default 60)."), QStringLiteral("seconds"), QStringLiteral("60")},
        {QStringLiteral("verbose"), QStringLiteral("Also print \"Done.\" at the end of a run.")},
        {QStringLiteral("quiet"), QStringLiteral("Print nothing but errors: no progress and no summary line.")},
    });
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << "quarnel-cli: " << parser.errorText() << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << "quarnel-cli " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }

    CliDialogs dialogs(parser.isSet(QStringLiteral("verbose")));
    QtEventPump pump;
    SystemClock clock;
    WebEngineBrowser browser(pump, clock);
    NoSettings settings;
    PosixProcessRunner processes;
    NoClipboard clipboard;
    PosixFileSystem files;
    Host host{browser, dialogs, pump, clock, settings, processes, clipboard, files};
    MainState state;
    state.setCheck1(parser.isSet(QStringLiteral("keep-duplicates")) ? 1 : 0);
    state.setCheck14(parser.isSet(QStringLiteral("show-source")) ? 1 : 0);
    if (parser.isSet(QStringLiteral("rendered")))
        state.selectOption2();
    state.setPageTimeout(parser.value(QStringLiteral("page-timeout")).toInt());
    state.setPagesAtOnce(parser.value(QStringLiteral("jobs")).toInt());

    try {
        checkUsage(parser);
        addSources(parser, host, state);
        if (parser.isSet(QStringLiteral("shard")))
            keepShard(parser.value(QStringLiteral("shard")), state.urls);
    } catch (const UsageError& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return 2;
    }
    const bool quiet = parser.isSet(QStringLiteral("quiet"));

    // JSON lines and CSV are written entry by entry, each entry's rows as soon as it is done; an entry cut
    // short by a stop is left for a resumed run.
    std::optional<RowStream> stream;
    bool streamFailed = false;
    if (streams(parser)) {
        stream.emplace(parser.value(QStringLiteral("format")) == QStringLiteral("csv") ? RowStream::Format::Csv
                                                                                       : RowStream::Format::JsonLines,
                       state.results, state.keepDuplicates(), state.showSourceFilename());
        try {
            if (!parser.isSet(QStringLiteral("output"))) {
                stream->openStandardOutput();
            } else {
                const QString output = parser.value(QStringLiteral("output"));
                const qsizetype total = state.urls.count();
                const qsizetype done = stream->openFile(output, runKey(parser, state.urls), parser.isSet(QStringLiteral("resume")));
                if (stream->alreadyComplete() || done >= total) {
                    stream->markComplete();
                    if (!quiet)
                        QTextStream(stderr) << "quarnel-cli: " << output << " is complete; nothing to resume\n";
                    return 0;
                }
                if (done > 0 && !quiet)
                    QTextStream(stderr) << "quarnel-cli: resuming " << output << " after " << done << " of " << total
                                        << " sources\n";
                qsizetype position = 0;
                state.urls.removeIf([&](const QString&) { return position++ < done; });
            }
        } catch (const RowStream::Error& error) {
            QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
            return error.exitCode;
        }
        QObject::connect(&state, &MainState::entryFinished, &state, [&] {
            if (streamFailed)
                return;
            try {
                if (state.stopRequested())
                    stream->dropEntry();
                else
                    stream->entryFinished();
            } catch (const RowStream::Error& error) {
                QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
                streamFailed = true;
                state.requestStop();
            }
        });
    }

    // "[3/200] Processing: page.html" on a terminal, nothing otherwise.
    if (isatty(STDERR_FILENO) && !quiet) {
        // The counter lives in the connection itself: it outlives this block.
        const qsizetype total = state.urls.count();
        QObject::connect(&state, &MainState::statusLineChanged, [done = qsizetype(0), total](const QString& status) mutable {
            if (status.startsWith(QStringLiteral("Processing: ")))
                QTextStream(stderr) << '[' << ++done << '/' << total << "] " << status << '\n';
        });
    }

    // A page that cannot be read is one line on standard error, as every report is, and is counted.
    state.setListsPageProblems(true);
    // Sources read to the end of their turn, and those of them that could not be read: a stopped run
    // counts only the sources it got to.
    qsizetype visited = 0, failed = 0, failedAt = -1;
    QObject::connect(&state, &MainState::entryFinished, &state, [&] {
        if (!state.stopRequested())
            ++visited;
    });
    QObject::connect(&state, &MainState::problemAdded, &state, [&](qsizetype index) {
        const MainState::PageProblem& problem = state.problems().at(index);
        if (std::exchange(failedAt, visited) != visited) // one source, one failure, however many reports
            ++failed;
        QTextStream(stderr) << CliDialogs::oneLine(Procedure::reportText(problem.reason, Procedure::defaultModule(),
                                                                         QStringLiteral("Extract1.GetWebBrowserText"),
                                                                         problem.line))
                            << '\n';
        state.clearProblems(); // said and counted: a long list keeps none of them
    });

    stopOnSignals(state, &app);
    QElapsedTimer timer;
    timer.start();
    runMode(parser, host, state);
    bool written = !streamFailed;
    if (stream && written && !g_signal) {
        try {
            stream->markComplete();
        } catch (const RowStream::Error& error) {
            QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
            written = false;
        }
    } else if (!stream) {
        written = writeResults(parser, host, state.results);
    }
    if (!quiet)
        QTextStream(stderr) << "quarnel-cli: " << state.urls.count() << " sources, " << visited - failed
                            << " loaded, " << failed << " failed, "
                            << (stream ? stream->rowsWritten() : state.results.count()) << " rows, "
                            << QString::number(timer.elapsed() / 1000.0, 'f', 2) << " s" << (g_signal ? " (stopped)" : "")
                            << '\n';
    if (g_signal)
        return 128 + g_signal;
    return dialogs.errorReports() == 0 && failed == 0 && written ? 0 : 1;
}
