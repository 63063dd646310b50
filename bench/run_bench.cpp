// A whole "Extract All Lines In Web Sites" run over pages served on loopback, read as rendered text,
// through the real browser engine. Prints pages per second and the peak resident memory.
#include "engine/mainstate.h"
#include "engine/modes/alllines.h"
#include "fakes/fakefilesystem.h"
#include "fakes/fakesettings.h"
#include "platform/host.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "support/localhttpserver.h"
#include "wiring/pagebrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
class CountingDialogs : public Dialogs {
public:
    int reports = 0;
    QString fileDialog(const FileDialogRequest&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }

protected:
    MessageAnswer showMessage(const QString&, MessageButtons, MessageIcon icon, const QString&) override {
        reports += icon == MessageIcon::Warning;
        return MessageAnswer::Ok;
    }
    QString showPrompt(const QString&, const QString&, const QString&) override { return {}; }
};
} // namespace

int main(int argc, char* argv[]) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 200;
    const int delay = argc > 2 ? std::atoi(argv[2]) : 0; // each page answered after this many ms
    const int jobs = argc > 3 ? std::atoi(argv[3]) : MainState::DefaultPagesAtOnce;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);

    LocalHttpServer server;
    if (!server.start())
        return 1;
    MainState state;
    state.setOption1(false);
    state.setOption2(true);
    state.setPagesAtOnce(jobs);
    for (int i = 0; i < pages; ++i) {
        const QString path = QStringLiteral("/page%1.html").arg(i);
        LocalHttpServer::Reply reply;
        reply.delayMs = delay;
        reply.body = QStringLiteral("<html><body><h1>Page %1</h1><p>First line</p><p>Line %1</p>"
                                    "<script>document.write('<p>Written ' + %1 + '</p>')</script>"
                                    "</body></html>")
                         .arg(i)
                         .toUtf8();
        server.setReply(path, reply);
        state.urls.append(server.base() + path);
    }

    CountingDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    PageBrowser browser(pump, clock, state);
    FakeSettings settings;
    FakeProcessRunner processes;
    FakeClipboard clipboard;
    FakeFileSystem files;
    Host host{browser.browser, dialogs, pump, clock, settings, processes, clipboard, files};

    QElapsedTimer timer;
    timer.start();
    runAllLines(host, state);
    const double seconds = timer.elapsed() / 1000.0;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("pages: %d  answered after %d ms  pages at once: %d  results: %lld  error reports: %d\n",
                pages, delay, jobs, static_cast<long long>(state.results.count()), dialogs.reports);
    std::printf("time: %.2f s  pages/s: %.1f  peak RSS of the program: %.0f MiB\n", seconds, pages / seconds,
                usage.ru_maxrss / 1024.0);
    std::fflush(stdout);
    return dialogs.reports == 0 ? 0 : 1;
}
