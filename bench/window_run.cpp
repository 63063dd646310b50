// The main window running "Extract All Lines In Web Sites" over pages served on loopback, with the source
// column on and a few dead pages among them: to look at the window during a run (under Xvfb) and to time
// the window's own run. Prints the run's time and the longest gap between two turns of its event loop (a
// 10 ms timer, and how late it fires); stays open afterwards for KEEP_OPEN_MS (default 0). The engine's
// network log is read as the window program reads it.
//   quarnel_window_run [pages=60] [delay ms=150] [width=1400] [height=900]
//   quarnel_window_run URLS_FILE [pages at once=8]      (the addresses of a file, served elsewhere)
#include "engine/mainstate.h"
#include "fakes/fakehost.h"
#include "platform/qt/qtdialogs.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "support/localhttpserver.h"
#include "ui/form1.h"
#include "webengine/networklog.h"
#include "wiring/pagebrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {
// Message boxes are answered at once, so that the run's end is not a box waiting for a click.
class AnsweringDialogs : public QtDialogs {
protected:
    MessageAnswer showMessage(const QString& text, MessageButtons, MessageIcon, const QString&) override {
        std::printf("box: %s\n", qPrintable(text.section(QLatin1Char('\r'), 0, 0)));
        return MessageAnswer::Ok;
    }
};
} // namespace

int main(int argc, char* argv[]) {
    const bool fromFile = argc > 1 && !QChar::fromLatin1(argv[1][0]).isDigit();
    int pages = argc > 1 && !fromFile ? std::atoi(argv[1]) : 60;
    const int delay = argc > 2 && !fromFile ? std::atoi(argv[2]) : 150;
    const int width = argc > 3 ? std::atoi(argv[3]) : 1400;
    const int height = argc > 4 ? std::atoi(argv[4]) : 900;
    std::unique_ptr<NetworkLog> log = NetworkLog::start();
    if (!prepareWebEngineEnvironment(std::nullopt, log.get()))
        log.reset();
    QApplication app(argc, argv);

    LocalHttpServer server;
    if (!server.start())
        return 1;
    MainState state;
    if (fromFile) {
        QFile list(QString::fromLocal8Bit(argv[1]));
        if (!list.open(QIODevice::ReadOnly))
            return 2;
        for (const QByteArray& line : list.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                state.urls.append(QString::fromUtf8(line.trimmed()));
        pages = int(state.urls.count());
        if (argc > 2)
            state.setPagesAtOnce(std::atoi(argv[2]));
    }
    for (int i = 0; i < pages && !fromFile; ++i) {
        const QString path = QStringLiteral("/articles/2026/12/page-%1.html").arg(i);
        if (i % 20 == 7) {
            state.urls.append(server.base() + QStringLiteral("/gone-%1.html").arg(i)); // 404
            continue;
        }
        LocalHttpServer::Reply reply;
        reply.delayMs = delay;
        reply.body =
            QStringLiteral("<html><body><h1>Article %1</h1><p>The first paragraph of article %1 says "
                           "what it is about.</p><p>Price: %2.00 EUR</p><p>Contact: desk-%1@example.com</p>"
                           "</body></html>")
                .arg(i)
                .arg(10 + i)
                .toUtf8();
        server.setReply(path, reply);
        state.urls.append(server.base() + path);
    }

    FakeHost f;
    AnsweringDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    PagesHost wired(pump, clock, state, {dialogs, f.settings, f.processes, f.clipboard, f.files});
    Host& host = wired.host;
    wired.pages.engine.setNetworkLog(log.get());
    // Rendered text; over a list file, with the CLI's result options (`--rendered` alone) so that both
    // runs do the same work; over its own pages, with the source column on, to be looked at.
    state.selectOption2();
    state.setCheck14(fromFile ? 0 : 1);
    state.setCheck1(fromFile ? 0 : 1);
    Form1 form(host, state);
    dialogs.setParent(&form);
    pump.setUnwindCheck([&state] { return state.shouldUnwind(); });
    form.resize(width, height);
    form.show();

    // How late a 10 ms timer fires during the run: the longest time the window could not answer.
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(10);
    QElapsedTimer sinceTurn;
    qint64 longestGap = 0;
    QObject::connect(&turns, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTurn.restart()); });
    QTimer::singleShot(500, &form, [&] {
        QElapsedTimer timer;
        timer.start();
        sinceTurn.start();
        turns.start();
        form.button(QStringLiteral("PushButton3"))->click();
        turns.stop();
        longestGap = std::max(longestGap, sinceTurn.elapsed());
        const double seconds = timer.elapsed() / 1000.0;
        std::printf("window run: %d pages in %.2f s, %.1f pages/s, %lld rows, %lld problems\n", pages,
                    seconds, pages / seconds, static_cast<long long>(state.results.count()),
                    static_cast<long long>(state.problems().size()));
        std::printf("longest gap between two turns of the event loop: %lld ms (a 10 ms timer)\n",
                    static_cast<long long>(longestGap));
        std::fflush(stdout);
        QTimer::singleShot(qEnvironmentVariableIntValue("KEEP_OPEN_MS"), &app, &QApplication::quit);
    });
    return QApplication::exec();
}
