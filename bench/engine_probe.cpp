// The bare engine, for comparison: pages over a list of addresses, N at once, each page's body text read once
// it has loaded; nothing else. Prints pages per second.
//   quarnel_engine_probe URLS_FILE [pages at once=1] [pages|views]
// "pages" (the default): one QWebEnginePage per slot, as the engine makes it without a view: a hidden
// document with a viewport of 0x0. "views": one Qt Quick WebEngineView per slot, 1280x720 in a window that is
// never shown, the way quarnel's pages are made (visible to their scripts, laid out at a desktop's size),
// with none of quarnel's own work: no watcher script, request rules, network log, pool or scheduler.
#include "webengine/webenginebrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr char ProfileSource[] = R"(
import QtWebEngine
WebEngineProfile { offTheRecord: true }
)";

constexpr char ViewSource[] = R"(
import QtQml
import QtWebEngine
WebEngineView {
    id: view
    width: 1280
    height: 720
    signal read(string text)
    onLoadingChanged: function (info) {
        if (info.status === WebEngineView.LoadSucceededStatus || info.status === WebEngineView.LoadFailedStatus)
            runJavaScript("document.body ? document.body.innerText : ''", function (text) { view.read(text) })
    }
}
)";

// A slot's page: `load` starts a URL; the body text goes to the run's `read` once it has loaded.
struct Slot {
    std::function<void(const QUrl&)> load;
};

// Hears a view's text.
class Reader : public QObject {
    Q_OBJECT
public:
    Reader(std::function<void(const QString&)> done, QObject* parent)
        : QObject(parent), m_done(std::move(done)) {}
public Q_SLOTS:
    void answer(const QString& text) { m_done(text); }

private:
    std::function<void(const QString&)> m_done;
};

} // namespace

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
    const bool views = argc > 3 && qstrcmp(argv[3], "views") == 0;

    qsizetype next = 0, done = 0, lines = 0;
    std::vector<Slot> slots(std::min<qsizetype>(atOnce, urls.size()));
    const auto loadNext = [&](Slot& slot) {
        if (next < urls.size())
            slot.load(urls[next++]);
    };
    const auto read = [&](Slot& slot, const QString& text) {
        lines += text.count(QLatin1Char('\n')) + 1;
        if (++done == urls.size())
            app.quit();
        loadNext(slot);
    };

    std::optional<QWebEngineProfile> profile;
    QQmlEngine engine;
    std::optional<QQuickWindow> window;
    QQmlComponent component(&engine), profileComponent(&engine);
    QObject* viewProfile = nullptr;
    QList<QQuickItem*> viewItems;
    if (!views)
        profile.emplace();
    else {
        profileComponent.setData(ProfileSource, QUrl(QStringLiteral("qrc:/probe/Profile.qml")));
        viewProfile = profileComponent.create();
        window.emplace();
        window->resize(1280, 720);
        component.setData(ViewSource, QUrl(QStringLiteral("qrc:/probe/View.qml")));
        if (component.isError()) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return 2;
        }
    }
    for (Slot& slot : slots) {
        if (views) {
            auto* view = qobject_cast<QQuickItem*>(component.createWithInitialProperties(
                {{QStringLiteral("profile"), QVariant::fromValue(viewProfile)}}));
            view->setParentItem(window->contentItem());
            viewItems << view;
            auto* reader = new Reader([&](const QString& text) { read(slot, text); }, view);
            QObject::connect(view, SIGNAL(read(QString)), reader, SLOT(answer(QString)));
            slot.load = [view](const QUrl& url) { view->setProperty("url", url); };
        } else {
            auto* page = new QWebEnginePage(&*profile, &app);
            QObject::connect(page, &QWebEnginePage::loadFinished, page, [&, page](bool) {
                page->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                                    [&](const QVariant& text) { read(slot, text.toString()); });
            });
            slot.load = [page](const QUrl& url) { page->load(url); };
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (Slot& slot : slots)
        loadNext(slot);
    app.exec();
    const double seconds = timer.elapsed() / 1000.0;
    std::printf("bare engine (%s), %d at once: %lld pages in %.2f s, %.1f pages/s (%lld lines)\n",
                views ? "views" : "pages", atOnce, static_cast<long long>(urls.size()), seconds,
                urls.size() / seconds, static_cast<long long>(lines));
    // Every page goes before its profile.
    qDeleteAll(app.findChildren<QWebEnginePage*>());
    qDeleteAll(viewItems);
    delete viewProfile;
    return 0;
}

#include "engine_probe.moc"
