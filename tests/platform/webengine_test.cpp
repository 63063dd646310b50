// The real browser engine, with pages from local files and from a server on 127.0.0.1.
#include "engine/mainstate.h"
#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "engine/retrieval.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakefilesystem.h"
#include "fakes/fakesettings.h"
#include "platform/host.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "support/localhttpserver.h"
#include "webengine/webenginebrowser.h"
#include "wiring/pagebrowser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray ScriptedPage = "<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n"
                                "<p>Static line</p>\n<div style=\"display:none\">Hidden text</div>\n"
                                "<script>document.write('<p>Written by script</p>');</script>\n"
                                "</body></html>\n";

class RealBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new LocalHttpServer;
        ASSERT_TRUE(server->start());
        server->setPage(QStringLiteral("/page.html"), ScriptedPage);
        const QByteArray binary("\x00\x01\xff\xfe binary \x00 bytes", 19);
        server->setPage(QStringLiteral("/binary"), binary, "application/octet-stream");
        server->setPage(QStringLiteral("/binary.html"), binary);
        server->setPage(QStringLiteral("/alert.html"),
                        "<html><body><script>alert('x'); confirm('y'); prompt('z');"
                        "window.open('http://127.0.0.1:1/');</script><p>after dialogs</p></body></html>");
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    QString get(const QString& entry) { return readPageText(host, state, entry); }
    void renderedText() {
        state.setOption1(false);
        state.setOption2(true);
    }

    static LocalHttpServer* server;
    FakeDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    MainState state;
    FakeSettings settings;
    FakeProcessRunner processes;
    FakeClipboard clipboard;
    FakeFileSystem files;
    HostServices services{dialogs, settings, processes, clipboard, files};
    PagesHost wired{pump, clock, state, services}; // as the programs build it
    PageBrowser& pages = wired.pages;
    WebEngineBrowser& browser = pages.engine;
    Host& host = wired.host;
};
LocalHttpServer* RealBrowser::server = nullptr;

} // namespace

TEST_F(RealBrowser, MarkupAndRenderedTextOfAServedPageFromABareHostAddress) {
    const QString entry = server->base() + QStringLiteral("/page.html");
    const QString html = get(entry);
    EXPECT_TRUE(
        html.startsWith(QStringLiteral("<html><head><title>t</title></head><body>\r\n<p>Static line</p>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("Hidden text")));
    EXPECT_FALSE(html.contains(QStringLiteral("DOCTYPE")));
    EXPECT_FALSE(html.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));

    renderedText();
    const QString text = get(entry);
    EXPECT_TRUE(text.contains(QStringLiteral("Static line")));
    EXPECT_TRUE(text.contains(QStringLiteral("Written by script")));
    EXPECT_FALSE(text.contains(QStringLiteral("Hidden text")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n")));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Images, media, web fonts and another host's frame are never asked for, though here they never
    // answer: the page completes without them, with the very text it has without them.
    LocalHttpServer::Reply hang;
    hang.delayMs = -1;
    const QStringList extras{QStringLiteral("/pic.png"), QStringLiteral("/clip.webm"),
                             QStringLiteral("/face.woff2"), QStringLiteral("/ad")};
    for (const QString& path : extras)
        server->setReply(path, hang);
    const QByteArray words = "<p>Plain words</p><script>document.write('<p>Script words</p>')</script>";
    server->setPage(QStringLiteral("/bare.html"), "<html><body>" + words + "</body></html>");
    server->setPage(
        QStringLiteral("/dressed.html"),
        "<html><head><style>@font-face { font-family: f; src: url(/face.woff2) } p { font-family: f }</style>"
        "</head><body><img src=/pic.png>" +
            words + "<video src=/clip.webm autoplay></video><iframe src=\"" +
            server->base().replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost")).toUtf8() +
            "/ad\"></iframe></body></html>");
    state.setPageTimeout(20);
    QElapsedTimer took;
    took.start();
    const QString dressed = get(server->base() + QStringLiteral("/dressed.html"));
    EXPECT_LT(took.elapsed(), 10000); // not the 20 s limit
    EXPECT_EQ(dressed, get(server->base() + QStringLiteral("/bare.html")));
    for (const QString& path : extras)
        EXPECT_EQ(server->requestsFor(path), 0) << path.toStdString();
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(RealBrowser, LocalFilesAndAddressesWithAScheme) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("local page.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><p>From a local file</p></body></html>");
    file.close();
    renderedText();
    EXPECT_EQ(get(file.fileName()), QStringLiteral("From a local file"));
    EXPECT_EQ(get(QStringLiteral("http://") + server->base() + QStringLiteral("/page.html"))
                  .count(QStringLiteral("Static line")),
              1);

    // A bare name is a web address even when a file of that name lies in the working folder.
    const QString before = QDir::currentPath();
    QFile named(dir.filePath(QStringLiteral("example.com")));
    ASSERT_TRUE(named.open(QIODevice::WriteOnly));
    QDir::setCurrent(dir.path());
    EXPECT_EQ(WebEngineBrowser::addressOf(QStringLiteral("example.com")),
              QUrl(QStringLiteral("http://example.com")));
    QDir::setCurrent(before);
    EXPECT_EQ(WebEngineBrowser::addressOf(QStringLiteral("file://") + file.fileName()).toLocalFile(),
              file.fileName());
}

TEST_F(RealBrowser, UnloadablePagesGiveOneReportAndNoText) {
    // Something that listened once and is gone: its port refuses connections.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    get(server->base() + QStringLiteral("/page.html")); // a page before must not leak into the next
    EXPECT_EQ(get(QStringLiteral("127.0.0.1:%1/x.html").arg(port)), QString());
    EXPECT_EQ(get(QStringLiteral("/no/such/file.html")), QString());
    const auto reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 2);
    for (const auto& report : reports)
        EXPECT_TRUE(report.text.contains(
            QStringLiteral("in Vantrel2021/08/31.Extract1.GetWebBrowserText at line 100")))
            << report.text.toStdString();
    EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("Could not load 127.0.0.1:%1/x.html: ").arg(port)));
}

TEST_F(RealBrowser, DocumentWithoutBodyAndOddContentDoNotStopAnything) {
    QTemporaryDir dir;
    QFile svg(dir.filePath(QStringLiteral("image.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write("<svg xmlns=\"http://www.w3.org/2000/svg\"><text>no body here</text></svg>");
    svg.close();
    renderedText();
    EXPECT_EQ(get(svg.fileName()), QString());
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("at line 126")));

    // Dialogs and pop-ups of a page are refused without blocking; binary bytes give whatever renders.
    EXPECT_EQ(get(server->base() + QStringLiteral("/alert.html")), QStringLiteral("after dialogs"));
    state.setOption1(true);
    state.setOption2(false);
    EXPECT_FALSE(get(server->base() + QStringLiteral("/binary.html")).isEmpty());
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(get(server->base() + QStringLiteral("/binary")), QString());
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].text.startsWith(QStringLiteral("Could not load ") + server->base()));
    EXPECT_TRUE(dialogs.messages[1].text.contains(QStringLiteral("Extract1.GetWebBrowserText at line 100")));
}

TEST_F(RealBrowser, AWholeRunGoesOnAfterARefusedPortAndEndsWithDone) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    renderedText();
    state.setCheck14(1);
    state.urls.append(QStringLiteral("127.0.0.1:%1/").arg(port));
    state.urls.append(server->base() + QStringLiteral("/page.html"));
    runAllLines(host, state);

    EXPECT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_EQ(dialogs.messages.last().text, QStringLiteral("Done."));
    QStringList texts;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        texts << *state.results.at(i).second;
    EXPECT_TRUE(texts.contains(QStringLiteral("Written by script")));
    EXPECT_EQ(state.results.at(1).first, server->base() + QStringLiteral("/page.html"));
}

TEST_F(RealBrowser, AnAttributeNameMatchesMarkupButNotRenderedText) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("attrs.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body>\n<a href=\"x.html\">first link</a>\n<p>plain words</p>\n"
               "<a href=\"y.html\">second</a>\n</body></html>");
    file.close();
    state.setCheck1(1);
    state.setText1(QStringLiteral("HREF"));
    state.urls.append(file.fileName());
    runLinesContaining(host, state);
    EXPECT_EQ(state.results.count(), 2);
    state.results.clear();
    renderedText();
    runLinesContaining(host, state);
    EXPECT_EQ(state.results.count(), 0);
}

namespace {
// The real pump, with one action run the first time a condition holds when the run lets events in: how a
// test clicks a second command while a page is loading, or between two pages.
class ScriptedPump : public EventPump {
public:
    std::function<bool()> when;
    std::function<void()> action;
    void processPendingEvents() override {
        m_real.processPendingEvents();
        act();
    }
    void waitForEvents(int maxMs) override {
        m_real.waitForEvents(maxMs);
        act();
    }
    void wake() override { m_real.wake(); }

private:
    void act() {
        if (action && when && when())
            std::exchange(action, nullptr)();
    }

    QtEventPump m_real;
};

QByteArray pageOf(const QString& name) {
    return "<html><body><p>first of " + name.toUtf8() + "</p><p>second of " + name.toUtf8() +
           "</p></body></html>";
}

// Every row must name the page it came from: "first of /a" under the entry for /a.
void expectRowsUnderTheirOwnSource(const MainState& state) {
    for (qsizetype i = 1; i <= state.results.count(); ++i) {
        const ResultRow& row = state.results.at(i);
        const QString name = row.result().section(QLatin1Char(' '), 2);
        EXPECT_TRUE(row.first.section(QLatin1Char('#'), 0, 0).endsWith(name))
            << row.first.toStdString() << " holds " << row.result().toStdString();
    }
}
} // namespace

namespace {
// The engine's renderer processes started by this process (children of its engine's zygotes).
QList<pid_t> ourRenderers() {
    QHash<qint64, qint64> parents;
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (pid.toLongLong() && stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            parents.insert(pid.toLongLong(),
                           line.mid(line.lastIndexOf(')') + 4).split(' ').value(0).toLongLong());
        }
    }
    QList<pid_t> renderers;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        if (parents.value(it.value()) == getpid())
            renderers << pid_t(it.key());
    return renderers;
}

// A renderer that dies under a page.
void killOurRenderers() {
    for (const pid_t pid : ourRenderers())
        ::kill(pid, SIGKILL);
}

// Waits, letting events in, until `done` holds or `limitMs` has passed; says whether it holds.
bool eventually(const std::function<bool()>& done, qint64 limitMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    QtEventPump pump;
    while (!done() && timer.elapsed() < limitMs)
        pump.waitForEvents(10);
    return done();
}
} // namespace

// One run over good pages with every kind of bad entry between them: each bad entry costs one report and
// no rows (or, for a page cut short, its partial rows), never another page's text, and never a further wait
// for the page after it.
TEST_F(RealBrowser, EveryRowBelongsToItsSourceWhateverThePagesAroundItDo) {
    // The good pages keep changing their history entry while they wait, read, on an idle page.
    for (const char* name : {"/a", "/b", "/c", "/d", "/e", "/anchors.html"})
        server->setPage(QLatin1String(name),
                        pageOf(QLatin1String(name))
                            .replace("</body>",
                                     "<script>setInterval(function () { history.replaceState(null, '', "
                                     "'?at=' + Date.now()); }, 20)</script></body>"));
    LocalHttpServer::Reply hang;
    hang.delayMs = -1;
    server->setReply(QStringLiteral("/hang"), hang);
    LocalHttpServer::Reply late; // answers only after the limit, while the next page loads
    late.body = pageOf(QStringLiteral("/late"));
    late.delayMs = 4500;
    server->setReply(QStringLiteral("/late"), late);
    LocalHttpServer::Reply attachment;
    attachment.body = pageOf(QStringLiteral("/attachment"));
    attachment.extraHeaders = "Content-Disposition: attachment; filename=\"x.html\"\r\n";
    server->setReply(QStringLiteral("/attachment"), attachment);
    LocalHttpServer::Reply partial;
    partial.body = "<html><body><p>partial words</p>" + QByteArray(2048, ' ');
    partial.holdAfterBody = true;
    server->setReply(QStringLiteral("/partial"), partial);
    LocalHttpServer::Reply noContent; // commits no document: the page shows what it showed before
    noContent.status = "204 No Content";
    server->setReply(QStringLiteral("/nothing"), noContent);

    const QString b = server->base();
    const QStringList entries = {b + QStringLiteral("/a"),
                                 QStringLiteral("http://"),
                                 QStringLiteral("%%%%"),
                                 QStringLiteral("?"),
                                 QStringLiteral("  "),
                                 QString(),
                                 QStringLiteral("javascript:document.body.innerHTML='X'"),
                                 QStringLiteral("chrome://version"),
                                 b + QStringLiteral("/hang"),
                                 b + QStringLiteral("/b"),
                                 b + QStringLiteral("/late"),
                                 b + QStringLiteral("/c"),
                                 b + QStringLiteral("/attachment"),
                                 b + QStringLiteral("/d"),
                                 b + QStringLiteral("/anchors.html#intro"),
                                 b + QStringLiteral("/anchors.html#usage"),
                                 b + QStringLiteral("/anchors.html#end"),
                                 b + QStringLiteral("/missing"),
                                 b + QStringLiteral("/partial"),
                                 b + QStringLiteral("/e"),
                                 b + QStringLiteral("/nothing")};
    for (const QString& entry : entries)
        state.urls.append(entry);
    renderedText();
    state.setCheck1(1);
    state.setCheck14(1);
    state.setPageTimeout(3);

    // Whatever fails, the pages alive never outnumber the pages loading at once and the few kept idle.
    int mostPages = 0, mostRenderers = 0;
    QObject::connect(&state, &MainState::entryFinished, &state, [&] {
        mostPages = std::max(mostPages, browser.livePages());
        mostRenderers = std::max(mostRenderers, browser.rendererProcesses());
    });
    QElapsedTimer timer;
    timer.start();
    runAllLines(host, state);
    const qint64 took = timer.elapsed();
    EXPECT_LE(mostPages, state.pagesAtOnce() + WebEngineBrowser::IdlePagesKept);
    EXPECT_GT(mostRenderers, 0);
    EXPECT_LE(mostRenderers, mostPages);
    EXPECT_LE(browser.livePages(), WebEngineBrowser::IdlePagesKept);
    // The engine ends the renderers of the pages that went.
    EXPECT_TRUE(eventually([&] { return ourRenderers().size() <= browser.rendererProcesses(); }))
        << ourRenderers().size() << " renderers for " << browser.rendererProcesses();

    expectRowsUnderTheirOwnSource(state);
    QStringList rows;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        rows << state.results.at(i).first + QStringLiteral(" | ") + state.results.at(i).result();
    QStringList expected;
    for (const char* name :
         {"/a", "/b", "/c", "/d", "/anchors.html#intro", "/anchors.html#usage", "/anchors.html#end"}) {
        const QString path = QString::fromLatin1(name).section(QLatin1Char('#'), 0, 0);
        expected << b + QLatin1String(name) + QStringLiteral(" | first of ") + path
                 << b + QLatin1String(name) + QStringLiteral(" | second of ") + path;
    }
    expected.insert(expected.size(), b + QStringLiteral("/partial | partial words"));
    expected << b + QStringLiteral("/e | first of /e") << b + QStringLiteral("/e | second of /e");
    EXPECT_EQ(rows, expected);

    // One report for each bad entry, in plain words, then "Done.".
    QStringList reports;
    for (const auto& message : dialogs.errorReports())
        reports << message.text.section(QStringLiteral("\r\n"), 0, 0);
    ASSERT_EQ(reports.size(), 13) << reports.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(reports[i].startsWith(QStringLiteral("Invalid address: ")) ||
                    reports[i].startsWith(QStringLiteral("Could not load ")))
            << reports[i].toStdString();
    EXPECT_EQ(reports[5], QStringLiteral("Not a web page address: javascript:document.body.innerHTML='X'"));
    EXPECT_EQ(reports[6], QStringLiteral("Not a web page address: chrome://version"));
    EXPECT_EQ(reports[7],
              QStringLiteral("Could not load %1/hang: the page did not answer within 3 s").arg(b));
    EXPECT_EQ(reports[8],
              QStringLiteral("Could not load %1/late: the page did not answer within 3 s").arg(b));
    // The engine stops such a load before it tells of the download.
    EXPECT_TRUE(reports[9].startsWith(QStringLiteral("Could not load %1/attachment: ").arg(b)))
        << reports[9].toStdString();
    EXPECT_EQ(reports[10],
              QStringLiteral("Could not load %1/missing: the server answered HTTP 404 Not Found").arg(b));
    EXPECT_EQ(reports[11],
              QStringLiteral("%1/partial: the page did not finish loading within 3 s; its text is what had "
                             "loaded by then")
                  .arg(b));
    EXPECT_EQ(
        reports[12],
        QStringLiteral("Could not load %1/nothing: loading stopped before a page was shown (not a page, "
                       "or a download)")
            .arg(b));
    EXPECT_EQ(dialogs.messages.last().text, QStringLiteral("Done."));

    // /hang, /late and /partial cost their limit each; nothing else waits for one (generous bound).
    EXPECT_LT(took, 3 * 3000 + 8000) << took;
    EXPECT_EQ(server->requestsFor(QStringLiteral("/favicon.ico")), 0);
}

// A second run clicked while the first waits for a page: both finish with all their rows, each row under
// its own source, and neither waits for the other's page.
TEST_F(RealBrowser, ARunStartedDuringAWaitLeavesTheFirstRunIntact) {
    for (const char* name : {"/n1", "/n3"})
        server->setPage(QLatin1String(name), pageOf(QLatin1String(name)));
    LocalHttpServer::Reply slow;
    slow.body = pageOf(QStringLiteral("/n2"));
    slow.delayMs = 700;
    server->setReply(QStringLiteral("/n2"), slow);

    ScriptedPump scripted;
    PagesHost scriptedHost(scripted, clock, state, services);
    Host& nested = scriptedHost.host;
    for (const char* name : {"/n1", "/n2", "/n3"})
        state.urls.append(server->base() + QLatin1String(name));
    renderedText();
    state.setCheck1(1);
    state.setCheck14(1);
    const QString slowEntry = server->base() + QStringLiteral("/n2");
    scripted.when = [&] { return state.statusLine().startsWith(QStringLiteral("Retreiving: ") + slowEntry); };
    scripted.action = [&] { runAllLines(nested, state); };
    runAllLines(nested, state);

    expectRowsUnderTheirOwnSource(state);
    EXPECT_EQ(state.results.count(), 12); // three pages, two lines each, twice
    for (const char* name : {"/n1", "/n2", "/n3"})
        for (const char* which : {"first of ", "second of "}) {
            qsizetype found = 0;
            for (qsizetype i = 1; i <= state.results.count(); ++i)
                found += state.results.at(i).result() == QLatin1String(which) + QLatin1String(name);
            EXPECT_EQ(found, 2) << which << name;
        }
    EXPECT_EQ(dialogs.texts(), QStringList({QStringLiteral("Done."), QStringLiteral("Done.")}));
}

// Pages that hang their renderer, lose it, outgrow it, reload forever or drip: each costs at most its
// limit and one report, and the good pages between them lose nothing.
TEST_F(RealBrowser, ABadPageCostsAtMostItsLimitAndNothingAfterIt) {
    for (const char* name : {"/g1", "/g2", "/g3", "/g4", "/g5", "/g6", "/g7"})
        server->setPage(QLatin1String(name), pageOf(QLatin1String(name)));
    server->setPage(QStringLiteral("/busy"),
                    "<html><body><p>busy</p><script>while (true) {}</script></body></html>");
    server->setPage(QStringLiteral("/busy-after"), "<html><body><p>busy later</p><script>setTimeout(function "
                                                   "() { while (true) {} }, 0)</script></body></html>");
    server->setPage(QStringLiteral("/reloads"), "<html><body><p>reloads forever</p><script>onload = function "
                                                "() { location.reload() }</script></body></html>");
    server->setPage(QStringLiteral("/greedy"),
                    "<html><body><p>greedy</p><script>var kept = [];"
                    " for (;;) kept.push(new Float64Array(1 << 20).fill(1));</script></body></html>");
    LocalHttpServer::Reply held;
    held.body = "<html><body><p>held open</p>";
    held.holdAfterBody = true;
    server->setReply(QStringLiteral("/killed"), held);
    LocalHttpServer::Reply drip = held;
    drip.body = "<html><body><p>drips</p>";
    drip.dripEveryMs = 1000;
    server->setReply(QStringLiteral("/drips"), drip);

    LocalHttpServer::Reply bomb; // expands without end
    bomb.endlessZeros = true;
    server->setReply(QStringLiteral("/bomb"), bomb);

    const QString b = server->base();
    const QStringList names = {u"/g1"_s,     u"/busy"_s, u"/g2"_s,     u"/busy-after"_s, u"/g3"_s,
                               u"/killed"_s, u"/g4"_s,   u"/greedy"_s, u"/g5"_s,         u"/reloads"_s,
                               u"/drips"_s,  u"/g6"_s,   u"/bomb"_s,   u"/g7"_s};
    for (const QString& name : names)
        state.urls.append(b + name);
    ScriptedPump scripted;
    PagesHost scriptedHost(scripted, clock, state, services);
    Host& faulty = scriptedHost.host;
    // Every renderer dies while /killed is read, /g4's too, which has loaded ahead and been read by then.
    QElapsedTimer killedFor;
    scripted.when = [&] {
        if (!state.statusLine().startsWith(QStringLiteral("Retreiving: ") + b + QStringLiteral("/killed  ")))
            return false;
        if (!killedFor.isValid())
            killedFor.start();
        return killedFor.elapsed() > 1500;
    };
    scripted.action = killOurRenderers;
    renderedText();
    state.setCheck1(1);
    state.setCheck14(1);
    state.setPageTimeout(5);
    state.setPagesAtOnce(2);

    QElapsedTimer timer;
    timer.start();
    QHash<QString, qint64> cost; // from the end of the previous source to the end of this one
    qint64 lastEnd = 0;
    QObject::connect(&state, &MainState::entryFinished, &state, [&](const QString& entry) {
        cost.insert(entry.mid(b.size()), timer.elapsed() - std::exchange(lastEnd, timer.elapsed()));
    });
    runAllLines(faulty, state);
    const qint64 took = timer.elapsed();

    expectRowsUnderTheirOwnSource(state);
    // Two pages are read at a moment that the machine's load decides: the page that starts looping after
    // its load may be read before its loop begins, and the page that reloads itself may show a document
    // without a body when it is stopped. Either way each costs at most one report.
    QStringList rows;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        rows << state.results.at(i).first.mid(b.size()) + QStringLiteral(" | ") +
                    state.results.at(i).result();
    const bool busyAfterRead = rows.removeAll(u"/busy-after | busy later"_s) == 1;
    rows.removeAll(u"/reloads | reloads forever"_s);
    EXPECT_EQ(rows,
              QStringList({u"/g1 | first of /g1"_s, u"/g1 | second of /g1"_s, u"/g2 | first of /g2"_s,
                           u"/g2 | second of /g2"_s, u"/g3 | first of /g3"_s, u"/g3 | second of /g3"_s,
                           u"/g4 | first of /g4"_s, u"/g4 | second of /g4"_s, u"/g5 | first of /g5"_s,
                           u"/g5 | second of /g5"_s, u"/drips | drips"_s, u"/g6 | first of /g6"_s,
                           u"/g6 | second of /g6"_s, u"/g7 | first of /g7"_s, u"/g7 | second of /g7"_s}));
    QStringList reports;
    for (const auto& message : dialogs.errorReports())
        reports << message.text.section(QStringLiteral("\r\n"), 0, 0) + QStringLiteral(" @") +
                       message.text.section(QStringLiteral(" at line "), 1).left(3);
    QStringList expected{
        QStringLiteral("Could not load %1/busy: the page did not answer within 5 s @100").arg(b),
        QStringLiteral(
            "Could not load %1/killed: the page's renderer was killed (signal or out of memory) @100")
            .arg(b),
        QStringLiteral("Could not load %1/greedy: the page needs more @100").arg(b),
        QStringLiteral("%1/reloads: the page did not finish loading within 5 s; its text is what had loaded "
                       "by then @104")
            .arg(b),
        QStringLiteral(
            "%1/drips: the page did not finish loading within 5 s; its text is what had loaded by then @104")
            .arg(b)};
    if (!busyAfterRead)
        expected.insert(1, QStringLiteral("%1/busy-after: The page did not answer @126").arg(b));
    // The page that expands without end is stopped by its memory or its limit, and says so once, by name.
    ASSERT_FALSE(reports.isEmpty());
    const QString bombReport = reports.takeLast();
    // Its memory stops the greedy page alone, or with the page loading beside it; on a busy machine its limit
    // may come first.
    const QRegularExpression greedy(
        u".*/greedy: the page (needs more (than %1 MB of memory to be shown|memory than the "
        "%1 MB all pages loading at once may take .it had [0-9]+ MB.)|did not answer within 5 s) @100"_s.arg(
            WebEngineBrowser::RendererMemoryLimitMb));
    // The page that reloads itself may show a document without a body when it is stopped: its one report
    // then says that nothing could be read.
    const QString reloadsUnread =
        u"Could not load %1/reloads: the page did not finish loading within 5 s, and what "
        "had loaded could not be read: Object required: the document has no body @100"_s.arg(b);
    for (QString& report : reports) {
        if (greedy.match(report).hasMatch())
            report = QStringLiteral("Could not load %1/greedy: the page needs more @100").arg(b);
        if (report == reloadsUnread)
            report =
                u"%1/reloads: the page did not finish loading within 5 s; its text is what had loaded by then @104"_s
                    .arg(b);
    }
    EXPECT_EQ(reports, expected) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs.messages.last().text, QStringLiteral("Done."));
    // Five pages cost their 5 s limit and at most the 2 s a renderer gets to answer after it; nothing else
    // waits. (Bounds are generous: the machine may be busy.)
    EXPECT_LT(cost.value(u"/bomb"_s), 5000 + 2000 + 3000) << cost.value(u"/bomb"_s);
    EXPECT_LT(cost.value(u"/busy"_s), 5000 + 2000 + 3000) << cost.value(u"/busy"_s);
    EXPECT_LT(took, 5 * 7000 + 20000) << took;
}

// A local page's own scripts, styles and frames load, as those of a page saved with its NAME_files folder;
// nothing outside its folder tree does (beside it with the wrong kind of name, a parent folder, a sibling
// through "..", a link out, /etc), in either reading, and its scripts read no local file at all. What is not
// a regular file is never opened.
TEST_F(RealBrowser, ALocalPageReadsNoOtherLocalFile) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& content) {
        QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    write(u"else/secret.txt"_s, "SECRETELSEWHERE");
    write(u"else/secret.js"_s, "SECRETSCRIPT");
    write(u"else/secret.css"_s, ".probe::after { content: \"SECRETSTYLE\" }");
    write(u"else/secret.html"_s, "<p>SECRET PAGE ELSEWHERE</p>");
    write(u"sibling/x.js"_s, "say('SECRETSIBLING');");
    write(u"site/beside.txt"_s, "SECRETBESIDE");
    write(u"site/own.js"_s, "document.write('<p>own script ran</p>');");
    write(u"site/page_files/app.js"_s, "document.write('<p>saved script ran</p>');");
    write(u"site/page_files/style.css"_s, "#styled { display: none }");
    write(u"site/page_files/frame.html"_s, "<p>own frame</p>");
    ASSERT_TRUE(QFile::link(dir.filePath(u"else/secret.js"_s), dir.filePath(u"site/link.js"_s)));
    ASSERT_EQ(mkfifo(dir.filePath(u"site/pipe.js"_s).toLocal8Bit().constData(), 0600), 0);
    write(u"site/redirect.html"_s, "<p>stays</p><script>location.replace('../else/secret.html')</script>");
    write(u"site/page.html"_s,
          "<html><head><link rel=\"stylesheet\" href=\"page_files/style.css\"><link rel=\"stylesheet\" "
          "href=\"../else/secret.css\">"
          "</head><body><div id=\"out\"></div><p id=\"styled\">hidden by its own style</p>"
          "<script>function say(t) { var p = document.createElement('p'); p.textContent = t;"
          " document.getElementById('out').appendChild(p); }"
          " onerror = function (m) { say('error ' + m); };</script>"
          "<script src=\"own.js\"></script><script src=\"page_files/app.js\"></script>"
          "<script src=\"beside.txt\"></script><script src=\"../else/secret.js\"></script><script "
          "src=\"../sibling/x.js\"></script>"
          "<script src=\"../site/../sibling/x.js\"></script><script src=\"link.js\"></script><script "
          "src=\"pipe.js\"></script>"
          "<script src=\"file:///etc/hostname\"></script>"
          "<iframe id=\"f1\" src=\"page_files/frame.html\"></iframe><iframe id=\"f2\" "
          "src=\"beside.txt\"></iframe>"
          "<iframe id=\"f3\" src=\"../else/secret.html\"></iframe><object id=\"f4\" "
          "data=\"../else/secret.txt\"></object>"
          "<script>['beside.txt', '../else/secret.txt', 'file:///etc/hostname'].forEach(function (u) {"
          " try { var x = new XMLHttpRequest(); x.open('GET', u, false); x.send(); say('xhr ' + "
          "x.responseText); }"
          " catch (e) { say('xhr refused'); }"
          " fetch(u).then(function (r) { return r.text(); }).then(function (t) { say('fetch ' + t); },"
          " function () { say('fetch refused'); }); });"
          "onload = function () { ['f1', 'f2', 'f3', 'f4'].forEach(function (id) { var e = "
          "document.getElementById(id);"
          " try { var d = e.contentDocument; say(id + ' ' + (d && d.body ? d.body.innerText : 'nothing')); }"
          " catch (x) { say(id + ' refused'); } });"
          " [].forEach.call(document.styleSheets, function (sheet) { try { [].forEach.call(sheet.cssRules,"
          " function (r) { say('rule ' + r.cssText); }); } catch (x) { say('rules refused'); } }); "
          "};</script></body></html>");
    const QString page = dir.filePath(u"site/page.html"_s);
    for (const bool markup : {false, true}) {
        state.setOption1(markup);
        state.setOption2(!markup);
        const QString text = get(page);
        // What the probes said (in the markup, the page's own script holds their words too).
        const QString said =
            markup ? text.section(u"<div id=\"out\">"_s, 1).section(u"</div>"_s, 0, 0) : text;
        EXPECT_TRUE(text.contains(u"own script ran"_s)) << text.toStdString();
        EXPECT_TRUE(text.contains(u"saved script ran"_s)) << text.toStdString();
        EXPECT_TRUE(text.contains(u"f1 own frame"_s)) << text.toStdString();
        EXPECT_TRUE(text.contains(u"rule #styled { display: none; }"_s)) << text.toStdString();
        EXPECT_EQ(text.contains(u"hidden by its own style"_s), markup);
        EXPECT_EQ(said.count(u"xhr refused"_s), 3) << said.toStdString();
        EXPECT_EQ(said.count(u"fetch refused"_s), 3) << said.toStdString();
        EXPECT_FALSE(text.contains(u"SECRET"_s)) << text.toStdString();
        EXPECT_FALSE(said.contains(u"error "_s))
            << said.toStdString(); // no outside script ran, nor failed to
        const QString redirected = get(dir.filePath(u"site/redirect.html"_s));
        EXPECT_TRUE(redirected.contains(u"stays"_s)) << redirected.toStdString();
        EXPECT_FALSE(redirected.contains(u"SECRET"_s));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // A named pipe, a device and a folder: one plain report each, and the next file loads.
    renderedText();
    const QStringList odd{dir.filePath(u"site/pipe.js"_s), u"/dev/null"_s, dir.filePath(u"site"_s)};
    for (const QString& entry : odd)
        EXPECT_EQ(get(entry), QString());
    EXPECT_EQ(get(dir.filePath(u"site/page_files/frame.html"_s)), u"own frame"_s);
    QStringList reports;
    for (const auto& message : dialogs.errorReports())
        reports << message.text.section(QStringLiteral("\r\n"), 0, 0);
    EXPECT_EQ(reports,
              QStringList(
                  {u"Could not load %1: not a regular file (a named pipe, socket or device)"_s.arg(odd[0]),
                   u"Could not load /dev/null: not a regular file (a named pipe, socket or device)"_s,
                   u"Could not load %1: a folder, not a page (its HTML files can be added as a folder)"_s.arg(
                       odd[2])}));
}

namespace {
// One run of a mode, described by what it produced: every row with its source, then every message.
QStringList runOutcome(Host& host, MainState& state, FakeDialogs& dialogs, int mode) {
    state.results.clear();
    dialogs.messages.clear();
    BetweenState between;
    between.setStartWith(QStringLiteral("<p>"));
    between.setEndWith(QStringLiteral("</p>"));
    TextSetState set;
    set.append(QStringLiteral("second"));
    set.append(QStringLiteral("page"));
    switch (mode) {
    case 0:
        runAllLines(host, state);
        break;
    case 1:
        runLinesContaining(host, state);
        break;
    case 2:
        runLinesNotContaining(host, state);
        break;
    case 3:
        runLinesByNumber(host, state);
        break;
    case 4:
        ExtractBetween::runBetween(host, state, between);
        break;
    default:
        ExtractTextSets::runTextSet(host, state, set);
        break;
    }
    QStringList outcome;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        outcome << state.results.at(i).origin + QStringLiteral(" | ") + state.results.at(i).first +
                       QStringLiteral(" | ") + state.results.at(i).second.value_or(QString());
    for (const auto& message : dialogs.messages)
        outcome << QStringLiteral("message: ") + message.text.section(QStringLiteral("\r\n"), 0, 0);
    return outcome;
}
} // namespace

// Eight pages at once give what one page at a time gives: the same rows in the same order and the same
// reports in the same order, for every mode and option, with pages that fail or never answer among them;
// an entry removed while it loads ahead is never read, and no load outlives its run.
TEST_F(RealBrowser, PagesAtOnceChangeNothingButTheTime) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = QStringLiteral("127.0.0.1:%1/refused.html").arg(closed.serverPort());
    closed.close();
    LocalHttpServer::Reply hang;
    hang.delayMs = -1;
    server->setReply(QStringLiteral("/eq-hang"), hang);
    const QString b = server->base();
    QStringList entries;
    for (int i = 0; i < 12; ++i) {
        LocalHttpServer::Reply reply;
        reply.body = pageOf(QStringLiteral("/eq%1").arg(i % 9)); // a few repeat: duplicates matter
        reply.delayMs = (i * 37) % 120;                          // pages finish out of order
        server->setReply(QStringLiteral("/eq%1").arg(i), reply);
        entries << b + QStringLiteral("/eq%1").arg(i);
    }
    entries.insert(3, refused);
    entries.insert(6, b + QStringLiteral("/eq-missing"));
    entries.insert(9, b + QStringLiteral("/eq-hang"));
    entries.insert(11, entries[1]); // the same address twice
    state.setPageTimeout(2);
    state.setText1(QStringLiteral("first"));
    state.setText2(QStringLiteral("eq3"));
    state.setText5(QStringLiteral("1,2"));
    for (int mode = 0; mode < 6; ++mode) {
        // Each mode with another choice of page source, layout and duplicates.
        state.setOption1(mode % 2 == 0);
        state.setOption2(mode % 2 == 1);
        state.setCheck14((mode / 2) % 2);
        state.setCheck1(mode % 3 == 0 ? 1 : 0);
        QStringList outcomes[2];
        for (int run = 0; run < 2; ++run) {
            state.urls.clear();
            for (const QString& entry : std::as_const(entries))
                state.urls.append(entry);
            state.setPagesAtOnce(run == 0 ? 1 : 8);
            outcomes[run] = runOutcome(host, state, dialogs, mode);
            EXPECT_EQ(pages.browser.liveLoads(), 0);
            EXPECT_EQ(browser.liveLoads(), 0);
        }
        EXPECT_EQ(outcomes[1], outcomes[0]) << "mode " << mode;
        EXPECT_GT(outcomes[0].size(), 6) << "mode " << mode;
    }

    // An entry removed while it loads ahead, then the list cleared: nothing read past the end, nothing
    // repeated, no load left.
    state.setOption1(false);
    state.setOption2(true);
    state.setCheck1(1);
    state.setCheck14(1);
    state.urls.clear();
    for (int i = 0; i < 8; ++i)
        state.urls.append(b + QStringLiteral("/eq%1").arg(i));
    state.setPagesAtOnce(8);
    state.results.clear();
    dialogs.messages.clear();
    ScriptedPump scripted;
    PagesHost scriptedHost(scripted, clock, state, services);
    Host& ahead = scriptedHost.host;
    PageBrowser& engine = scriptedHost.pages;
    scripted.when = [&] {
        return state.statusLine().startsWith(QStringLiteral("Processing: ") + b + QStringLiteral("/eq2")) ||
               state.results.count() >= 4;
    };
    scripted.action = [&] {
        state.urls.removeAt(state.urls.entries().indexOf(b + QStringLiteral("/eq5")) + 1);
        scripted.when = [&] { return state.results.count() >= 8; };
        scripted.action = [&] { state.urls.clear(); };
    };
    runAllLines(ahead, state);
    QStringList origins;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        origins << state.results.at(i).origin.mid(b.size());
    origins.removeDuplicates();
    EXPECT_FALSE(origins.contains(QStringLiteral("/eq5"))) << origins.join(QLatin1Char(' ')).toStdString();
    EXPECT_LT(origins.size(), 7);
    EXPECT_EQ(origins, (QStringList{u"/eq0"_s, u"/eq1"_s, u"/eq2"_s, u"/eq3"_s, u"/eq4"_s, u"/eq6"_s}.mid(
                           0, origins.size())));
    EXPECT_EQ(engine.browser.liveLoads(), 0);
    EXPECT_EQ(engine.engine.liveLoads(), 0);
    EXPECT_EQ(dialogs.texts(), QStringList({QStringLiteral("Done.")}));
}

// A page is read once what its own scripts do has settled: what they fetch (one request, or three one after
// the other) and what they write on a timer is there. A page that never settles (a poll, a request that
// never ends) and a page whose late text comes after the limit are read at the settle limit as they stand,
// without a report; a timer due long after the limit keeps nobody waiting. Settle 0 reads at completion.
TEST_F(RealBrowser, APageIsReadOnceItsScriptsHaveSettled) {
    const QString b = server->base();
    const auto page = [](const QByteArray& body) { return "<html><body>" + body + "</body></html>"; };
    const auto write = [](const char* what) {
        return QByteArray("function (t) { var p = document.createElement('p'); p.textContent = ") + what +
               "; document.body.appendChild(p); }";
    };
    LocalHttpServer::Reply data, slowBody, piece, never;
    data.body = "[\"alpha row\", \"beta row\"]";
    data.delayMs = 300;
    slowBody.body = data.body;
    slowBody.bodyAfterMs = 400; // the request is answered at once, its rows come later
    server->setReply(QStringLiteral("/s-slow-data"), slowBody);
    piece.body = "piece";
    piece.delayMs = 150;
    never.delayMs = -1;
    server->setReply(QStringLiteral("/s-data"), data);
    server->setReply(QStringLiteral("/s-piece"), piece);
    server->setReply(QStringLiteral("/s-never"), never);
    server->setPage(QStringLiteral("/s-spa"),
                    page("<h1>Shop</h1><div id=app>Loading...</div><script>fetch('/s-data')"
                         ".then(function (r) { return r.json(); }).then(function (rows) {"
                         " document.getElementById('app').innerHTML = rows.map(function (x) {"
                         " return '<p>' + x + '</p>'; }).join(''); });</script>"));
    server->setPage(QStringLiteral("/s-slow-body"),
                    page("<div id=app>Loading...</div><script>fetch('/s-slow-data')"
                         ".then(function (r) { return r.json(); }).then(function (rows) {"
                         " document.getElementById('app').textContent = rows.join(', '); });</script>"));
    server->setPage(QStringLiteral("/s-timer"), page("<p>static line</p><script>setTimeout(" +
                                                     write("'late line'") + ", 800);</script>"));
    server->setPage(
        QStringLiteral("/s-chain"),
        page(
            "<p id=c>start</p><script>var got = [];"
            "function next(n) { if (!n) { document.getElementById('c').textContent = got.join(' '); return; }"
            " fetch('/s-piece').then(function (r) { return r.text(); })"
            ".then(function (t) { got.push(t + n); next(n - 1); }); } next(3);</script>"));
    server->setPage(
        QStringLiteral("/s-poll"),
        page("<p>polled</p><script>setInterval(function () { fetch('/s-piece'); }, 200);</script>"));
    server->setPage(QStringLiteral("/s-endless"), page("<p>waiting</p><script>fetch('/s-never');</script>"));
    server->setPage(QStringLiteral("/s-analytics"),
                    page("<p>counted</p><script>setTimeout(function () {}, 60000);</script>"));
    server->setPage(QStringLiteral("/s-too-late"),
                    page("<p>early</p><script>setTimeout(" + write("'too late'") + ", 9000);</script>"));
    server->setPage(QStringLiteral("/s-static"), page("<p>just static</p>"));
    // As on a desktop: the page is visible at 1280 by 720, animation frames run; an animation never ends.
    server->setPage(QStringLiteral("/s-frame"), page("<p>first</p><script>requestAnimationFrame(" +
                                                     write("'drawn on a frame'") + ");</script>"));
    server->setPage(QStringLiteral("/s-visible"),
                    page("<style>@media (max-width: 999px) { .wide { display: none } }</style>"
                         "<p class=wide>desktop only</p><p id=v></p><script>function show() {"
                         " document.getElementById('v').textContent = document.visibilityState + ' ' +"
                         " innerWidth + 'x' + innerHeight; } show();"
                         " document.addEventListener('visibilitychange', show);</script>"));
    // Live pages: work that keeps ticking holds nobody once it has repeated; what a page fetches from an idle
    // callback, a frame it added or a worker is waited for.
    LocalHttpServer::Reply late, slowScript, workerScript, lateWorker;
    late.body = "data arrived";
    late.delayMs = 800;
    server->setReply(QStringLiteral("/s-late"), late);
    slowScript.body = "var p = document.createElement('p'); p.textContent = 'nested script ran';"
                      " document.body.appendChild(p);";
    slowScript.contentType = workerScript.contentType = lateWorker.contentType = "text/javascript";
    slowScript.delayMs = 1000;
    server->setReply(QStringLiteral("/s-slow.js"), slowScript);
    workerScript.body = "fetch('/s-late').then(function (r) { return r.text(); }).then(postMessage);";
    server->setReply(QStringLiteral("/s-worker.js"), workerScript);
    lateWorker.body = "setTimeout(function () { postMessage('late from a worker'); }, 1500);";
    server->setReply(QStringLiteral("/s-late-worker.js"), lateWorker);
    const QByteArray show = "function (t) { document.getElementById('a').textContent = t; }";
    const QByteArray fetchLate =
        "fetch('/s-late').then(function (r) { return r.text(); }).then(" + show + ")";
    server->setPage(
        QStringLiteral("/s-poll-quiet"),
        page("<p>poll</p><script>window.x = 0; setInterval(function () { window.x++; }, 100);</script>"));
    server->setPage(
        QStringLiteral("/s-clock"),
        page("<p>clock</p><p id=a>00:00</p><script>var n = 0; setInterval(function () {"
             " document.getElementById('a').textContent = '00:0' + (++n % 10); }, 1000);</script>"));
    server->setPage(
        QStringLiteral("/s-consent"),
        page("<p>consent</p><script>addEventListener('load', function () {"
             " var s = document.createElement('script'); s.type = 'text/plain'; s.src = '/s-never';"
             " document.body.appendChild(s); });</script>"));
    server->setPage(QStringLiteral("/s-ticker"),
                    page("<p>ticker</p><p id=a>news</p><script>var n = 0; function tick() {"
                         " document.getElementById('a').textContent = 'news ' + (n++ % 2 ? 'a' : 'b');"
                         " requestAnimationFrame(tick); } requestAnimationFrame(tick);</script>"));
    server->setPage(
        QStringLiteral("/s-carousel"),
        page("<p>carousel</p><p id=a>slide 0</p><script>var n = 0; setInterval(function () {"
             " document.getElementById('a').textContent = 'slide ' + (++n % 3); }, 3000);</script>"));
    server->setPage(QStringLiteral("/s-idle"),
                    page("<p id=a>Loading...</p><script>requestIdleCallback(function () {" + fetchLate +
                         "; });</script>"));
    server->setPage(QStringLiteral("/s-in-frame"),
                    page("<p id=a>Loading...</p><script>var f = document.createElement('iframe');"
                         " document.body.appendChild(f); f.contentWindow." +
                         fetchLate + ";</script>"));
    server->setPage(QStringLiteral("/s-worker"),
                    page("<p id=a>Loading...</p><script>new Worker('/s-worker.js')"
                         ".onmessage = function (e) { (" +
                         show + ")(e.data); };</script>"));
    server->setPage(
        QStringLiteral("/s-late-worker"),
        page("<p id=a>Loading...</p><script>new Worker('/s-late-worker.js').onmessage = function (e) {"
             " (" +
             show + ")(e.data); };</script>"));
    server->setPage(
        QStringLiteral("/s-nested"),
        page("<p>nested</p><script>addEventListener('load', function () {"
             " var d = document.createElement('div'); var s = document.createElement('script');"
             " s.src = '/s-slow.js'; d.appendChild(s); document.body.appendChild(d); });</script>"));
    server->setPage(QStringLiteral("/s-spinner"),
                    page("<p>spinning</p><div id=s>*</div><script>var a = 0; function spin() { a += 5;"
                         " document.getElementById('s').style.transform = 'rotate(' + a + 'deg)';"
                         " requestAnimationFrame(spin); } requestAnimationFrame(spin);</script>"));

    renderedText();
    state.setPageTimeout(30);
    state.setSettleSeconds(5);
    const auto read = [&](const char* path, qint64* took = nullptr) {
        QElapsedTimer timer;
        timer.start();
        const QString text = get(b + QLatin1String(path));
        if (took)
            *took = timer.elapsed();
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    };
    EXPECT_EQ(read("/s-spa"), QStringList({u"Shop"_s, u"alpha row"_s, u"beta row"_s}));
    EXPECT_EQ(read("/s-slow-body"), QStringList({u"alpha row, beta row"_s}));
    EXPECT_EQ(read("/s-timer"), QStringList({u"static line"_s, u"late line"_s}));
    EXPECT_EQ(read("/s-chain"), QStringList({u"piece3 piece2 piece1"_s}));
    qint64 took = 0;
    EXPECT_EQ(read("/s-analytics", &took), QStringList({u"counted"_s}));
    EXPECT_LT(took, 4000); // not the settle limit: the timer is due long after it
    QString waitedFor;
    QObject::connect(
        &state, &MainState::readAtSettleLimitAdded,
        [&](const QString& source, const QString& why) { waitedFor = source + QLatin1Char(' ') + why; });
    EXPECT_EQ(read("/s-endless", &took).size(), 1);
    EXPECT_GE(took, 4500); // read at the limit, as it stands, and counted with what it waited for
    EXPECT_LT(took, 25000);
    EXPECT_EQ(state.readAtSettleLimit(), 1);
    EXPECT_EQ(waitedFor, b + QStringLiteral("/s-endless 1 request"));
    // Ticking pages are read with every line they wrote before they began to repeat, and their loads end
    // within a second and a half of their start, by the load's own clock (the clock ticks once at most).
    const auto settledAfter = [&](const char* path) {
        std::unique_ptr<PageLoad> load = browser.navigate(b + QLatin1String(path), 30000);
        while (load->readyState() != Browser::ReadyStateComplete) {
            pump.waitForEvents(5);
            browser.advance(clock.elapsedMs());
        }
        const qint64 ms = clock.elapsedMs() - load->startedAtMs();
        EXPECT_EQ(load->readAtSettleLimit(), QString()) << path;
        return ms;
    };
    const QList<std::pair<const char*, QStringList>> ticking = {
        {"/s-poll", {u"polled"_s}},
        {"/s-poll-quiet", {u"poll"_s}},
        {"/s-consent", {u"consent"_s}},
        {"/s-carousel", {u"carousel"_s, u"slide 0"_s}}};
    for (const auto& [path, rows] : ticking) {
        EXPECT_EQ(read(path), rows) << path;
        EXPECT_LT(settledAfter(path), 1500) << path;
    }
    for (const char* path : {"/s-clock", "/s-ticker"}) {
        const QStringList rows = read(path);
        EXPECT_EQ(rows.size(), 2) << path;
        EXPECT_LT(settledAfter(path), 2000) << path;
    }
    // Requests made wherever the page makes them are waited for.
    EXPECT_EQ(read("/s-idle"), QStringList({u"data arrived"_s}));
    EXPECT_EQ(read("/s-in-frame"), QStringList({u"data arrived"_s}));
    EXPECT_EQ(read("/s-worker"), QStringList({u"data arrived"_s}));
    EXPECT_EQ(read("/s-late-worker"), QStringList({u"late from a worker"_s}));
    EXPECT_EQ(read("/s-nested"), QStringList({u"nested"_s, u"nested script ran"_s}));
    EXPECT_EQ(read("/s-too-late"), QStringList({u"early"_s}));
    EXPECT_EQ(read("/s-frame"), QStringList({u"first"_s, u"drawn on a frame"_s}));
    EXPECT_EQ(read("/s-visible"), QStringList({u"desktop only"_s, u"visible 1280x720"_s}));
    EXPECT_EQ(read("/s-spinner", &took), QStringList({u"spinning"_s, u"*"_s}));
    EXPECT_LT(took, 4000); // an animation keeps nobody waiting
    EXPECT_EQ(read("/s-static"), QStringList({u"just static"_s}));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(QLatin1Char('\n')).toStdString();

    // Loaded ahead, four at once, the script-built pages settle while they wait their turn: a whole run
    // gives every late row, in the order of the list.
    state.setCheck1(1);
    state.setPagesAtOnce(4);
    for (const char* path : {"/s-spa", "/s-timer", "/s-chain", "/s-static"})
        state.urls.append(b + QLatin1String(path));
    runAllLines(host, state);
    QStringList rows;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        rows << state.results.at(i).result();
    EXPECT_EQ(rows, QStringList({u"Shop"_s, u"alpha row"_s, u"beta row"_s, u"static line"_s, u"late line"_s,
                                 u"piece3 piece2 piece1"_s, u"just static"_s}));

    state.setSettleSeconds(0);
    EXPECT_EQ(read("/s-spa"), QStringList({u"Shop"_s, u"Loading..."_s}));
}

TEST_F(RealBrowser, TheRenderedTextIsWhatAPersonSeesOnThePage) {
    const QString b = server->base();
    LocalHttpServer other; // another origin: its frame's text is not the page's
    ASSERT_TRUE(other.start());
    other.setPage(QStringLiteral("/other"), "<p>another origin's frame</p>");
    const auto page = [](const QByteArray& body) { return "<html><body>" + body + "</body></html>"; };
    server->setPage(
        QStringLiteral("/c-shadow"),
        page("<script>customElements.define('x-card', class extends HTMLElement { connectedCallback() {"
             " this.attachShadow({mode: 'open'}).innerHTML = '<h3>' + this.getAttribute('h') +"
             " '</h3><slot></slot><slot name=foot><i>no foot</i></slot>'; } });"
             "customElements.define('x-thread', class extends HTMLElement { connectedCallback() {"
             " this.attachShadow({mode: 'open'}).innerHTML = '<ul><li>comment 1</li><li>comment 2</li></ul>"
             "<x-card h=\"inner card\"><p>inside a thread</p></x-card>'; } });"
             "customElements.define('x-closed', class extends HTMLElement { connectedCallback() {"
             " this.attachShadow({mode: 'closed'}).innerHTML = '<p>closed text</p>'; } });</script>"
             "<h1>Components</h1><x-card h='card heading'><p>slotted body</p></x-card><x-thread></x-thread>"
             "<x-closed></x-closed><table><tr><td>cell a</td><td>cell b</td></tr></table><p>after</p>"));
    server->setPage(QStringLiteral("/c-inner"), page("<p>inner frame</p>"));
    server->setPage(QStringLiteral("/c-part"), page("<p>frame text</p><iframe src='/c-inner'></iframe>"));
    server->setPage(QStringLiteral("/c-frames"),
                    page("<h1>Framed</h1><iframe src='/c-part'></iframe><iframe src='http://" +
                         other.base().toUtf8() + "/other'></iframe><p>after the frames</p>"));
    server->setPage(QStringLiteral("/c-frameset"),
                    "<html><frameset cols='20%,80%'><frame src='/c-inner'><frame src='/c-part'>"
                    "</frameset></html>");
    // What comes as the page is scrolled: a section fetched as it comes into view, one fetch per view of
    // the end of a list, three times or for ever.
    QByteArray filler;
    for (int i = 0; i < 40; ++i)
        filler += "<p>filler line " + QByteArray::number(i) + "</p>";
    LocalHttpServer::Reply more;
    more.body = "more";
    more.delayMs = 50;
    server->setReply(QStringLiteral("/c-more"), more);
    const QByteArray feed =
        "<div id=feed></div><div id=end style='height:1px'></div><script>var k = 0;"
        "new IntersectionObserver(function (e) { if (!e[e.length - 1].isIntersecting || k >= LIMIT)"
        " return; k++; fetch('/c-more').then(function (r) { return r.text(); })"
        ".then(function (t) { var p = document.createElement('p'); p.textContent = t + k;"
        " document.getElementById('feed').appendChild(p); }); })"
        ".observe(document.getElementById('end'));</script>";
    server->setPage(QStringLiteral("/c-three"), page(filler + QByteArray(feed).replace("LIMIT", "3")));
    server->setPage(QStringLiteral("/c-endless"), page(filler + QByteArray(feed).replace("LIMIT", "1e9")));
    server->setPage(
        QStringLiteral("/c-middle"),
        page(filler + "<section id=s></section>" + filler +
             "<script>new IntersectionObserver(function (e, o) { if (!e[0].isIntersecting) return;"
             " o.disconnect(); fetch('/c-more').then(function (r) { return r.text(); })"
             ".then(function (t) { document.getElementById('s').textContent = 'section ' + t; });"
             " }).observe(document.getElementById('s'));</script>"));
    // Pages that move on by themselves within the settle limit, or later.
    server->setPage(QStringLiteral("/c-refresh"),
                    "<html><head><meta http-equiv='refresh' content='1; url=/c-inner'></head>"
                    "<body><p>Redirecting...</p></body></html>");
    server->setPage(QStringLiteral("/c-refresh-late"),
                    "<html><head><meta http-equiv='refresh' content='20; url=/c-inner'></head>"
                    "<body><p>Redirecting...</p></body></html>");

    renderedText();
    state.setPageTimeout(30);
    state.setSettleSeconds(5);
    state.setScrollViews(10);
    QString waitedFor;
    QObject::connect(&state, &MainState::readAtSettleLimitAdded,
                     [&](const QString&, const QString& why) { waitedFor = why; });
    const auto read = [&](const char* path, qint64* took = nullptr) {
        QElapsedTimer timer;
        timer.start();
        const QStringList rows =
            get(b + QLatin1String(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        if (took)
            *took = timer.elapsed();
        return rows;
    };
    const auto tail = [](const QStringList& rows, qsizetype n) { return rows.mid(rows.size() - n); };
    EXPECT_EQ(read("/c-shadow"),
              QStringList({u"Components"_s, u"card heading"_s, u"slotted body"_s, u"no foot"_s,
                           u"comment 1"_s, u"comment 2"_s, u"inner card"_s, u"inside a thread"_s,
                           u"no foot"_s, u"cell a\tcell b"_s, u"after"_s}));
    EXPECT_EQ(read("/c-frames"),
              QStringList({u"Framed"_s, u"frame text"_s, u"inner frame"_s, u"after the frames"_s}));
    EXPECT_EQ(read("/c-frameset"), QStringList({u"inner frame"_s, u"frame text"_s, u"inner frame"_s}));
    EXPECT_EQ(tail(read("/c-three"), 4),
              QStringList({u"filler line 39"_s, u"more1"_s, u"more2"_s, u"more3"_s}));
    EXPECT_EQ(state.readAtSettleLimit(), 0);
    const QStringList middle = read("/c-middle");
    EXPECT_EQ(middle.value(40), u"section more"_s);
    EXPECT_EQ(middle.size(), 81);
    qint64 took = 0;
    const QStringList endless = read("/c-endless", &took);
    EXPECT_GE(endless.size(), 41 + 5); // bounded by the views it may be scrolled by, and read as it stands
    EXPECT_LE(endless.size(), 41 + 11);
    EXPECT_EQ(state.readAtSettleLimit(), 1);
    EXPECT_EQ(waitedFor, u"more of the page as it is scrolled"_s);
    EXPECT_EQ(read("/c-refresh"), QStringList({u"inner frame"_s}));
    EXPECT_EQ(read("/c-refresh-late", &took), QStringList({u"Redirecting..."_s}));
    EXPECT_LT(took, 4000); // a refresh due after the settle limit is not waited for
    // Never scrolled: only what the page shows before it is.
    state.setScrollViews(0);
    EXPECT_EQ(read("/c-three").size(), 40);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(QLatin1Char('\n')).toStdString();
}
