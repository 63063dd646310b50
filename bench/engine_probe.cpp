// The bare engine, for comparison: QWebEnginePage over a list of addresses, N at once, each page's body
// text read once it has loaded; nothing else. Prints pages per second.
//   quarnel_engine_probe URLS_FILE [pages at once=1]
#include "webengine/webenginebrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2)
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly))
        return 2;
    QList<QUrl> urls;
    for (const QByteArray& line : list.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            urls << QUrl::fromUserInput(QString::fromUtf8(line.trimmed()));
    const int atOnce = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    QWebEngineProfile profile;
    qsizetype next = 0, done = 0, lines = 0;
    QElapsedTimer timer;
    timer.start();
    std::function<void(QWebEnginePage*)> loadNext = [&](QWebEnginePage* page) {
        if (next >= urls.size()) {
            if (done == urls.size())
                app.quit();
            return;
        }
        page->load(urls[next++]);
    };
    for (int i = 0; i < atOnce; ++i) {
        auto* page = new QWebEnginePage(&profile, &app);
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [&, page](bool) {
            page->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                                [&, page](const QVariant& text) {
                                    lines += text.toString().count(QLatin1Char('\n')) + 1;
                                    ++done;
                                    loadNext(page);
                                    if (done == urls.size())
                                        app.quit();
                                });
        });
        loadNext(page);
    }
    app.exec();
    const double seconds = timer.elapsed() / 1000.0;
    std::printf("bare engine, %d at once: %lld pages in %.2f s, %.1f pages/s (%lld lines)\n", atOnce,
                static_cast<long long>(urls.size()), seconds, urls.size() / seconds,
                static_cast<long long>(lines));
    qDeleteAll(app.findChildren<QWebEnginePage*>());
    return 0;
}
