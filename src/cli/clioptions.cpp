#include "cli/clioptions.h"

#include "base/failure.h"
#include "engine/mainstate.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

// The names the command line takes, in the order of the enumerations.
const QStringList Modes = {
    QStringLiteral("all"),     QStringLiteral("containing"), QStringLiteral("not-containing"),
    QStringLiteral("numbers"), QStringLiteral("between"),    QStringLiteral("text-set")};
const QStringList Formats = {QStringLiteral("aligned"), QStringLiteral("comma"), QStringLiteral("table"),
                             QStringLiteral("jsonl"), QStringLiteral("csv")};

// The value of `names` that `text` is, by its place; throws UsageError naming the choices.
template <typename Enum> Enum named(const QStringList& names, const QString& text, const char* what) {
    const qsizetype at = names.indexOf(text);
    if (at < 0)
        throw UsageError{QStringLiteral("unknown ") + QLatin1String(what) + QStringLiteral(" '") + text +
                         QStringLiteral("' (") + names.join(QLatin1Char('|')) + QLatin1Char(')')};
    return Enum(at);
}

int wholeNumber(const QString& text, int low, int high, const QString& complaint) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError{complaint};
    return value;
}

void define(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Extracts lines or fragments from web pages and local HTML files, as the Quarnel window does."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("sources"), QStringLiteral("Web addresses or local files."),
                                 QStringLiteral("[sources...]"));
    parser.addOptions({
        {QStringLiteral("input"),
         QStringLiteral("Read sources from a list file, one a line (- for standard input)."),
         QStringLiteral("file")},
        {QStringLiteral("folder"),
         QStringLiteral("Add every file of a folder tree with the --ext extension."), QStringLiteral("dir")},
        {QStringLiteral("ext"), QStringLiteral("Extension for --folder (default htm; * for all files)."),
         QStringLiteral("ext"), QStringLiteral("htm")},
        {QStringLiteral("mode"),
         QStringLiteral("all, containing, not-containing, numbers, between or text-set (default all)."),
         QStringLiteral("mode"), QStringLiteral("all")},
        {QStringLiteral("text"), QStringLiteral("Search text; repeat it for a text set."),
         QStringLiteral("text")},
        {QStringLiteral("numbers"), QStringLiteral("Line numbers for --mode numbers, such as 1,3,4."),
         QStringLiteral("list")},
        {QStringLiteral("start"), QStringLiteral("Start marker for --mode between."), QStringLiteral("x")},
        {QStringLiteral("end"), QStringLiteral("End marker for --mode between."), QStringLiteral("y")},
        {QStringLiteral("no-include-start"), QStringLiteral("Leave the start marker out of the results.")},
        {QStringLiteral("no-include-end"), QStringLiteral("Leave the end marker out of the results.")},
        {QStringLiteral("rendered"),
         QStringLiteral("Read the text the browser renders instead of the HTML markup.")},
        {QStringLiteral("keep-duplicates"), QStringLiteral("Keep results that repeat earlier ones.")},
        {QStringLiteral("show-source"), QStringLiteral("Put each result beside its source.")},
        {QStringLiteral("format"), QStringLiteral("aligned, comma, table, jsonl or csv (default aligned)."),
         QStringLiteral("format"), QStringLiteral("aligned")},
        {QStringLiteral("shard"),
         QStringLiteral("Take only the entries at positions p with (p - 1) mod N = K - 1."),
         QStringLiteral("K/N")},
        {QStringLiteral("output"), QStringLiteral("Write the results to a file instead of standard output."),
         QStringLiteral("file")},
        {QStringLiteral("merge"),
         QStringLiteral(
             "Merge the jsonl or csv outputs of the shards of one list (the arguments; the list "
             "from --input or --folder) into --output, as one run over the whole list writes it.")},
        {QStringLiteral("resume"), QStringLiteral("Go on with an interrupted jsonl or csv run into the same "
                                                  "--output file, with the same arguments.")},
        {{QStringLiteral("j"), QStringLiteral("jobs")},
         QStringLiteral("Pages loaded at once, 1 to 16 (default 8); results stay in list order."),
         QStringLiteral("n"),
         QString::number(MainState::DefaultPagesAtOnce)},
        {QStringLiteral("page-timeout"),
         QStringLiteral("Seconds a page may take to load before it is read as it stands (default 60)."),
         QStringLiteral("seconds"), QStringLiteral("60")},
        {QStringLiteral("settle"),
         QStringLiteral(
             "Seconds a loaded page may take to finish what its scripts fetch and write before it is "
             "read anyway (default 5; 0 reads it the moment its document is complete)."),
         QStringLiteral("seconds"), QString::number(MainState::DefaultSettleSeconds)},
        {QStringLiteral("scroll"),
         QStringLiteral("Views a loaded page taller than its view is scrolled on by, one at a time, so that "
                        "what comes into view as a person scrolls comes too (default %1; 0 never scrolls). "
                        "Only pages that watch their scrolling are scrolled.")
             .arg(MainState::DefaultScrollViews),
         QStringLiteral("n"), QString::number(MainState::DefaultScrollViews)},
        {QStringLiteral("view-size"),
         QStringLiteral("The size in pixels every page is laid out at, as on a screen of that size (default "
                        "1280x720)."),
         QStringLiteral("WxH"), QStringLiteral("1280x720")},
        {QStringLiteral("retries"),
         QStringLiteral("Tries again a page that failed for a reason that may pass (HTTP 429, 503 and the "
                        "like, a connection reset), up to N more times, after the wait its server asks for "
                        "(default 2; 0 never)."),
         QStringLiteral("n"), QString::number(NetworkOptions::DefaultRetries)},
        {QStringLiteral("per-host"),
         QStringLiteral("Pages of one host loaded at once, 1 to 16 (default: as many as --jobs)."),
         QStringLiteral("n")},
        {QStringLiteral("user-agent"), QStringLiteral("The user agent every page is asked for as."),
         QStringLiteral("text")},
        {QStringLiteral("header"),
         QStringLiteral("A header sent with every request to each source's own origin, never to others, "
                        "nor where a source redirects or moves on to; repeat it for more."),
         QStringLiteral("'Name: value'")},
        {QStringLiteral("cookies"),
         QStringLiteral("Cookies for the pages, from a Netscape cookies.txt (each for its own domain; "
                        "never written back)."),
         QStringLiteral("file")},
        {QStringLiteral("proxy"),
         QStringLiteral("Load every page through a proxy: http://, https:// or socks5://, with "
                        "user:password@ where needed. Without it, the environment variable QUARNEL_PROXY "
                        "gives one, so that a password need not stand in the command line."),
         QStringLiteral("url")},
        {QStringLiteral("no-block"),
         QStringLiteral("Load everything pages ask for. By default no request goes to the hosts that the "
                        "EasyList and EasyPrivacy lists block (ad servers, tag managers, analytics); a "
                        "source itself is always loaded.")},
        {QStringLiteral("block-list"),
         QStringLiteral("Also block the hosts of this list, in the same syntax (||host^ rules); repeat "
                        "it for more."),
         QStringLiteral("file")},
        {QStringLiteral("verbose"),
         QStringLiteral(
             "Also print each page read at the settle limit with what it still waited for, how many "
             "requests of each page were blocked, how many rules of the block lists were skipped, "
             "where in the program a report was met, and \"Done.\" at the end of a run. The engine's "
             "own output comes only when asked for (QT_LOGGING_RULES, QTWEBENGINE_CHROMIUM_FLAGS).")},
        {QStringLiteral("quiet"),
         QStringLiteral("Print nothing but errors: no progress and no summary line.")},
    });
}

} // namespace

std::optional<Shard> Shard::parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('/'));
    bool kOk = false, nOk = false;
    const int k = parts.value(0).toInt(&kOk), n = parts.value(1).toInt(&nOk);
    if (parts.size() != 2 || !kOk || !nOk || n < 1 || k < 1 || k > n)
        return std::nullopt;
    return Shard{k, n};
}

CliOptions parseCliOptions(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    define(parser);
    if (!parser.parse(arguments))
        throw UsageError{parser.errorText()};
    CliOptions o;
    if (parser.isSet(QStringLiteral("help"))) {
        o.helpOrVersion =
            parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("quarnel-cli"));
        return o;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        o.helpOrVersion = QStringLiteral("quarnel-cli ") + version + QLatin1Char('\n');
        return o;
    }
    const auto value = [&](const char* name) { return parser.value(QLatin1String(name)); };
    const auto isSet = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    o.input = value("input");
    o.folder = value("folder");
    o.ext = value("ext");
    o.numbers = value("numbers");
    o.start = value("start");
    o.end = value("end");
    o.output = value("output");
    o.texts = parser.values(QStringLiteral("text"));
    o.noIncludeStart = isSet("no-include-start");
    o.noIncludeEnd = isSet("no-include-end");
    o.rendered = isSet("rendered");
    o.keepDuplicates = isSet("keep-duplicates");
    o.showSource = isSet("show-source");
    o.resume = isSet("resume");
    o.merge = isSet("merge");
    o.verbose = isSet("verbose");
    o.quiet = isSet("quiet");
    for (const char* option : {"format", "mode", "text", "numbers", "start", "end", "shard"})
        o.shaping.insert(QLatin1String(option), parser.values(QLatin1String(option)));

    o.mode = named<CliMode>(Modes, value("mode"), "mode");
    o.format = named<CliFormat>(Formats, value("format"), "format");
    if (o.mode == CliMode::Numbers) {
        if (o.numbers.isEmpty())
            throw UsageError{QStringLiteral("--mode numbers needs --numbers, such as 1,3,4")};
        // Line numbers count from 1; anything else would load every page to find nothing.
        for (const QString& piece : o.numbers.split(QLatin1Char(',')))
            wholeNumber(
                piece.trimmed(), 1, 32767,
                QStringLiteral("--numbers takes line numbers from 1 to 32767 separated by commas, such as "
                               "1,3,4 (not '") +
                    o.numbers + QStringLiteral("')"));
    }
    if (o.mode == CliMode::Between && (o.start.isEmpty() || o.end.isEmpty()))
        throw UsageError{QStringLiteral("--mode between needs --start and --end")};
    if (o.mode == CliMode::TextSet && o.texts.isEmpty())
        throw UsageError{QStringLiteral("--mode text-set needs at least one --text")};
    o.pageTimeout = wholeNumber(value("page-timeout"), 1, 86'400,
                                QStringLiteral("--page-timeout takes whole seconds from 1 to 86400"));
    o.settle = wholeNumber(
        value("settle"), 0, MainState::MaxSettleSeconds,
        QStringLiteral("--settle takes whole seconds from 0 to %1").arg(MainState::MaxSettleSeconds));
    o.scroll = wholeNumber(
        value("scroll"), 0, MainState::MaxScrollViews,
        QStringLiteral("--scroll takes a whole number of views from 0 to %1").arg(MainState::MaxScrollViews));
    {
        const QStringList size = value("view-size").split(QLatin1Char('x'));
        bool wOk = false, hOk = false;
        o.viewWidth = size.value(0).toInt(&wOk);
        o.viewHeight = size.value(1).toInt(&hOk);
        if (size.size() != 2 || !wOk || !hOk || o.viewWidth < 100 || o.viewHeight < 100 ||
            o.viewWidth > 8192 || o.viewHeight > 8192)
            throw UsageError{
                QStringLiteral("--view-size takes WIDTHxHEIGHT in pixels from 100 to 8192, such as "
                               "1280x720")};
    }
    o.jobs = wholeNumber(value("jobs"), 1, MainState::MaxPagesAtOnce,
                         QStringLiteral("--jobs takes a whole number from 1 to 16"));
    o.network.retries = wholeNumber(
        value("retries"), 0, NetworkOptions::MaxRetries,
        QStringLiteral("--retries takes a whole number from 0 to %1").arg(NetworkOptions::MaxRetries));
    if (isSet("per-host"))
        o.network.perHost = wholeNumber(value("per-host"), 1, NetworkOptions::MaxPerHost,
                                        QStringLiteral("--per-host takes a whole number from 1 to 16"));
    o.network.userAgent = value("user-agent");
    o.network.headers = parser.values(QStringLiteral("header"));
    // Every user can read a command line; the environment is the process's own.
    o.network.proxy = isSet("proxy") ? value("proxy") : qEnvironmentVariable("QUARNEL_PROXY");
    if (isSet("cookies"))
        o.network.cookiesFile = QFileInfo(value("cookies")).absoluteFilePath();
    o.network.blockAds = !isSet("no-block");
    o.blockLists = parser.values(QStringLiteral("block-list"));
    if (!o.network.blockAds && !o.blockLists.isEmpty())
        throw UsageError{
            QStringLiteral("--block-list adds lists to block by: it does not go with --no-block")};
    try {
        Requests::checkNetworkOptions(o.network);
        if (isSet("proxy") && o.network.proxy.isEmpty())
            Requests::parseProxy(o.network.proxy); // given, but empty: said as any other bad address
    } catch (const Failure& failure) {
        throw UsageError{failure.description()};
    }
    if (o.merge && (!isSet("output") || !o.streams() || isSet("shard") || o.resume))
        throw UsageError{
            QStringLiteral("--merge goes with --output and --format jsonl or csv, without --shard "
                           "and --resume")};
    if (o.merge && o.input.isEmpty() && o.folder.isEmpty())
        throw UsageError{
            QStringLiteral("--merge takes the list from --input or --folder, as the shards did; its "
                           "arguments are the shard files")};
    if (o.resume && (!isSet("output") || !o.streams()))
        throw UsageError{QStringLiteral("--resume goes with --output and --format jsonl or csv")};
    if (isSet("ext") && !isSet("folder"))
        throw UsageError{QStringLiteral("--ext goes with --folder")};
    if (isSet("shard")) {
        o.shard = Shard::parse(value("shard"));
        if (!o.shard)
            throw UsageError{QStringLiteral("--shard takes K/N with 1 <= K <= N, such as 2/4")};
    }
    // A file named on the command line is meant relative to where the command runs; the engine itself never
    // resolves a bare name against a folder, so the path is made absolute here. A name that exists is a file,
    // except a folder, which is a mistake; any other name is an address.
    if (o.merge) {
        for (const QString& shard : parser.positionalArguments())
            o.shards << QFileInfo(shard).absoluteFilePath();
        return o;
    }
    for (const QString& entry : parser.positionalArguments()) {
        const QFileInfo file(entry);
        if (!file.isRelative() || entry.contains(QStringLiteral("://")) || !file.exists()) {
            o.sources << entry;
            continue;
        }
        if (file.isDir())
            throw UsageError{entry + QStringLiteral(" is a folder: use --folder ") + entry +
                             QStringLiteral(" to add its HTML files")};
        o.sources << file.absoluteFilePath(); // a pipe or a device is refused, by name, when its turn comes
    }
    return o;
}
