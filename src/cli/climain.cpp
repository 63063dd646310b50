// quarnel-cli: the extraction engine without a window.
#include "cli/clidialogs.h"
#include "cli/clioptions.h"
#include "cli/clisteps.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "output/rowstream.h"
#include "output/shardmerge.h"
#include "platform/host.h"
#include "platform/qt/posixfilesystem.h"
#include "platform/qt/posixprocessrunner.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "shell/startup.h"
#include "webengine/blockrules.h"
#include "webengine/networklog.h"
#include "wiring/pagebrowser.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
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

// SIGINT and SIGTERM stop the run as the window's Stop does: the rows found so far are written, and the
// exit status says which signal ended it. A second signal ends the program at once. The handlers are the
// first thing the program sets up: a signal during start-up ends it the same way, before any page loads.
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_signal = 0;

void onStopSignal(int number) {
    g_signal = number;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    ::signal(number, SIG_DFL);
}

void installStopSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// One run of the command: the host, the state and everything the run's connections reach, all members of
// one object that outlives every connection made to them.
class CliRun : public QObject {
public:
    CliRun(const CliOptions& options, const NetworkLog* log, PendingBlockRules blockRules)
        : o(options), dialogs(options.verbose), blockRules(blockRules),
          wired(pump, clock, state, {dialogs, settings, processes, clipboard, files}) {
        wired.pages.engine.setNetworkLog(log);
        wired.pages.engine.setBlockRules(std::move(blockRules));
        state.setCheck1(o.keepDuplicates ? 1 : 0);
        state.setCheck14(o.showSource ? 1 : 0);
        if (o.rendered)
            state.selectOption2();
        state.setPageTimeout(o.pageTimeout);
        state.setPagesAtOnce(o.jobs);
        state.setSettleSeconds(o.settle);
        state.setScrollViews(o.scroll);
        state.setNetwork(o.network);
        wired.pages.engine.setViewSize(QSize(o.viewWidth, o.viewHeight));
    }

    int exec();

private:
    // Opens the stream of a jsonl or csv run; an exit status when there is nothing more to do.
    std::optional<int> openStream();
    void watch();

    const CliOptions& o;
    CliDialogs dialogs;
    PendingBlockRules blockRules;
    QtEventPump pump;
    SystemClock clock;
    MainState state;
    NoSettings settings;
    PosixProcessRunner processes;
    NoClipboard clipboard;
    PosixFileSystem files;
    PagesHost wired;
    Host& host = wired.host;
    std::optional<RowStream> stream;
    bool streamFailed = false;
    qsizetype total = 0, progressed = 0, visited = 0, failed = 0, failedAt = -1;
};

std::optional<int> CliRun::openStream() {
    // JSON lines and CSV are written entry by entry, each entry's rows as soon as it is done; an entry cut
    // short by a stop is left for a resumed run.
    stream.emplace(o.streamFormat(), state.results, state.keepDuplicates(), state.showSourceFilename());
    try {
        if (o.output.isEmpty()) {
            stream->openStandardOutput();
            return std::nullopt;
        }
        const qsizetype all = state.urls.count();
        // A shard says which it is, for --merge.
        const qsizetype done = stream->openFile(o.output, runKey(o, state.urls), o.resume,
                                                o.shard ? "shard " + o.shard->text().toUtf8() : QByteArray());
        if (stream->alreadyComplete() || done >= all) {
            stream->markComplete();
            if (!o.quiet)
                QTextStream(stderr) << "quarnel-cli: " << o.output << " is complete; nothing to resume\n";
            return 0;
        }
        if (done > 0 && !o.quiet)
            QTextStream(stderr) << "quarnel-cli: resuming " << o.output << " after " << done << " of " << all
                                << " sources\n";
        qsizetype position = 0;
        state.urls.removeIf([&](const QString&) { return position++ < done; });
    } catch (const RowStream::Error& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return error.exitCode;
    }
    return std::nullopt;
}

void CliRun::watch() {
    if (stream) {
        connect(&state, &MainState::entryFinished, this, [this] {
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
    total = state.urls.count();
    if (isatty(STDERR_FILENO) && !o.quiet) {
        connect(&state, &MainState::statusLineChanged, this, [this](const QString& status) {
            if (status.startsWith(QStringLiteral("Processing: ")))
                QTextStream(stderr) << '[' << ++progressed << '/' << total << "] " << status << '\n';
        });
    }
    // A page that cannot be read is one line on standard error, as every report is, and is counted.
    // Sources read to the end of their turn, and those of them that could not be read: a stopped run counts
    // only the sources it got to.
    state.setListsPageProblems(true);
    connect(&state, &MainState::entryFinished, this, [this] {
        if (!state.stopRequested())
            ++visited;
    });
    // With --verbose, each page's requests that were blocked.
    if (o.verbose)
        connect(&state, &MainState::blockedRequestsAdded, this, [](const QString& source, int count) {
            QTextStream(stderr) << "quarnel-cli: " << source << ": " << count
                                << (count == 1 ? " request" : " requests")
                                << " to ad and tracker hosts blocked\n";
        });
    // With --verbose, each page read at the settle limit, and what it still waited for then.
    if (o.verbose)
        connect(&state, &MainState::readAtSettleLimitAdded, this,
                [](const QString& source, const QString& waitingFor) {
                    QTextStream(stderr)
                        << "quarnel-cli: " << source << ": read at the settle limit, still waiting for "
                        << waitingFor << '\n';
                });
    connect(&state, &MainState::problemAdded, this, [this](qsizetype index) {
        const MainState::PageProblem& problem = state.problems().at(index);
        if (std::exchange(failedAt, visited) != visited) // one source, one failure, however many reports
            ++failed;
        // A script's log wants the source and the reason: the procedure's location only with --verbose, and
        // never the trailer meant for a message box.
        QString reason = problem.reason;
        for (const QString& lead : {QStringLiteral("Could not load ") + problem.source + QStringLiteral(": "),
                                    problem.source + QStringLiteral(": ")})
            if (reason.startsWith(lead)) {
                reason = reason.mid(lead.size());
                break;
            }
        QTextStream(stderr)
            << "quarnel-cli: " << problem.source << ": " << CliDialogs::oneLine(reason)
            << (o.verbose ? QStringLiteral(" (in Extract1.GetWebBrowserText at line %1)").arg(problem.line)
                          : QString())
            << '\n';
        state.clearProblems(); // said and counted: a long list keeps none of them
    });
    // A signal stops the run at its next step; one that came before the run began leaves nothing to run.
    if (g_signalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char byte;
            while (::read(g_signalPipe[0], &byte, 1) > 0) {
            }
            state.requestStop();
        });
    }
}

int CliRun::exec() {
    try {
        addSources(o, host, state);
        if (o.shard)
            keepShard(*o.shard, state.urls);
    } catch (const UsageError& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return 2;
    }
    if (o.streams())
        if (const std::optional<int> status = openStream())
            return *status;
    watch();

    QElapsedTimer timer;
    timer.start();
    if (!g_signal)
        runMode(o, host, state);
    bool written = !streamFailed;
    if (stream && written && !g_signal) {
        try {
            stream->markComplete();
        } catch (const RowStream::Error& error) {
            QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
            written = false;
        }
    } else if (!stream) {
        written = writeResults(o, host, state.results);
    }
    // The lists were read while the run started; told once the run is over.
    if (o.verbose && blockRules.valid())
        QTextStream(stderr) << "quarnel-cli: block lists: " << blockRules.get()->rules() << " rules, "
                            << blockRules.get()->skipped() << " skipped (not decided by a request's host)\n";
    if (!o.quiet)
        QTextStream(stderr) << "quarnel-cli: " << state.urls.count() << " sources, " << visited - failed
                            << " loaded, " << failed << " failed, "
                            << (stream ? stream->rowsWritten() : state.results.count()) << " rows, "
                            << state.readAtSettleLimit() << " read at the settle limit, "
                            << state.blockedRequests()
                            << (state.blockedRequests() == 1 ? " request blocked, " : " requests blocked, ")
                            << QString::number(timer.elapsed() / 1000.0, 'f', 2) << " s"
                            << (g_signal ? " (stopped)" : "") << '\n';
    if (g_signal)
        return 128 + g_signal;
    return dialogs.errorReports() == 0 && failed == 0 && written ? 0 : 1;
}
// Loads no page: the engine is not needed.
class NoBrowser : public Browser {
public:
    std::unique_ptr<PageLoad> navigate(const QString&, qint64) override {
        throw Failure(QStringLiteral("no page is loaded by --merge"));
    }
};

// --merge: the shards' outputs as the one file a run over the whole list writes.
int runMerge(const CliOptions& o) {
    CliDialogs dialogs(o.verbose);
    QtEventPump pump;
    SystemClock clock;
    NoBrowser browser;
    NoSettings settings;
    PosixProcessRunner processes;
    NoClipboard clipboard;
    PosixFileSystem files;
    Host host{browser, dialogs, pump, clock, settings, processes, clipboard, files};
    MainState state;
    try {
        addSources(o, host, state);
        ShardMerge::merge(
            o.shards, state.urls.count(), {o.streamFormat(), o.keepDuplicates, o.showSource},
            [&](int k, int n) {
                CliOptions shard = o;
                shard.shaping.insert(QStringLiteral("shard"), {Shard{k, n}.text()});
                UrlList urls;
                for (const QString& entry : state.urls.entries())
                    urls.append(entry);
                keepShard(Shard{k, n}, urls);
                return runKey(shard, urls);
            },
            runKey(o, state.urls), o.output);
    } catch (const UsageError& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return 2;
    } catch (const ShardMerge::Error& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    installStopSignals();
    // The engine's own logging switches write to standard error directly.
    quietToolkitOutput();

    // The options are checked before the engine starts: a usage error costs nothing.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CliOptions options;
    try {
        options = parseCliOptions(arguments, QStringLiteral(QUARNEL_VERSION));
    } catch (const UsageError& error) {
        QTextStream(stderr) << "quarnel-cli: " << error.message << '\n';
        return 2;
    }
    if (!options.helpOrVersion.isEmpty()) {
        QTextStream(stdout) << options.helpOrVersion;
        return 0;
    }

    if (options.merge) {
        QCoreApplication app(argc, argv);
        return runMerge(options);
    }
    // The block lists: a list of the user's that cannot be used is a usage error before the engine starts;
    // lists of Debian's that are not installed are said, and the run goes on without them. They are read
    // while the engine starts.
    PendingBlockRules blockRules;
    if (options.network.blockAds) {
        QStringList missing;
        try {
            blockRules = readBlockListsMeanwhile(options.blockLists, &missing);
        } catch (const Failure& failure) {
            QTextStream(stderr) << "quarnel-cli: " << failure.description() << '\n';
            return 2;
        }
        if (!missing.isEmpty() && !options.quiet)
            QTextStream(stderr) << "quarnel-cli: " << missingBlockLists(missing) << '\n';
    }

    // Nothing is ever shown: a display, or a stale DISPLAY left by a lost SSH forward, plays no part.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The log outlives the application, and with it the engine, which writes its last lines as it ends.
    std::unique_ptr<NetworkLog> log = NetworkLog::start();
    if (!prepareWebEngineEnvironment(options.network.proxy.isEmpty()
                                         ? std::nullopt
                                         : std::optional(Requests::parseProxy(options.network.proxy)),
                                     log.get()))
        log.reset();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("quarnel-cli"));
    QGuiApplication::setApplicationVersion(QStringLiteral(QUARNEL_VERSION));
    if (const QString missing = PageHost::missingParts(); !missing.isEmpty()) {
        QTextStream(stderr) << "quarnel-cli: pages cannot be loaded: " << missing << '\n';
        return 1;
    }
    CliRun run(options, log.get(), blockRules);
    return run.exec();
}
