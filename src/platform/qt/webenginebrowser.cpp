#include "platform/qt/webenginebrowser.h"

#include "engine/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QDateTime>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <csignal>
#include <unistd.h>

namespace {

// At most this many pages wait for reuse; more are only needed while runs are nested.
constexpr qsizetype IdlePages = 16;
// How long a page waiting for reuse may take to show that its renderer is not stuck in a script.
constexpr qint64 IdlePageAnswerMs = 250;

// A page that answers no dialog, opens no window and grants no permission.
class QuietPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

QString httpReason(int status)
{
    switch (status) {
    case 400: return QStringLiteral("Bad Request");
    case 401: return QStringLiteral("Unauthorized");
    case 403: return QStringLiteral("Forbidden");
    case 404: return QStringLiteral("Not Found");
    case 405: return QStringLiteral("Method Not Allowed");
    case 408: return QStringLiteral("Request Timeout");
    case 410: return QStringLiteral("Gone");
    case 429: return QStringLiteral("Too Many Requests");
    case 500: return QStringLiteral("Internal Server Error");
    case 501: return QStringLiteral("Not Implemented");
    case 502: return QStringLiteral("Bad Gateway");
    case 503: return QStringLiteral("Service Unavailable");
    case 504: return QStringLiteral("Gateway Timeout");
    default: return {};
    }
}

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        const QString reason = httpReason(info.errorCode());
        return QStringLiteral("the server answered HTTP %1").arg(info.errorCode()) +
               (reason.isEmpty() ? QString() : QStringLiteral(" ") + reason);
    }
    static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
    QString text = info.errorString();
    text.remove(markup);
    text = text.simplified();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    if (text.isEmpty())
        return QStringLiteral("error %1").arg(info.errorCode());
    return text;
}

QString terminationReason(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    switch (status) {
    case QWebEnginePage::CrashedTerminationStatus:
        return QStringLiteral("the page's renderer crashed (exit code %1)").arg(exitCode);
    case QWebEnginePage::KilledTerminationStatus:
        return QStringLiteral("the page's renderer was killed (signal or out of memory)");
    case QWebEnginePage::AbnormalTerminationStatus:
        return QStringLiteral("the page's renderer ended abnormally (exit code %1)").arg(exitCode);
    default:
        return QStringLiteral("the page's renderer ended");
    }
}

// Local pages load their own scripts, styles, images and frames, as a browser opened on a saved page does,
// but their scripts never read a local file: no XMLHttpRequest or fetch of a file: address, no worker from
// one, and no frame or object but an HTML document in the page's own folder tree (a saved page's frames).
// Web pages cannot reach file: addresses at all.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (!info.requestUrl().isLocalFile())
            return;
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        case QWebEngineUrlRequestInfo::ResourceTypeScript:
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
            return;
        case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
        case QWebEngineUrlRequestInfo::ResourceTypeObject:
            info.block(!isOwnDocument(info.firstPartyUrl(), info.requestUrl()));
            return;
        default:
            info.block(true);
        }
    }

private:
    static bool isOwnDocument(const QUrl& page, const QUrl& target)
    {
        static const QRegularExpression html(QStringLiteral("\\.(x?html?|shtml)$"), QRegularExpression::CaseInsensitiveOption);
        if (!page.isLocalFile() || !html.match(target.path()).hasMatch())
            return false;
        // Links are followed on both sides: a link in the folder to a file elsewhere is elsewhere.
        const QString folder = QFileInfo(QFileInfo(page.toLocalFile()).canonicalPath()).canonicalFilePath();
        const QString file = QFileInfo(target.toLocalFile()).canonicalFilePath();
        return !folder.isEmpty() && file.startsWith(folder + QLatin1Char('/'));
    }
};

} // namespace

namespace {
// Where a page's navigation history stands. Every document a page commits is a history entry of its own,
// added or put in the place of the current one, and stamped with the time it was shown; a navigation that
// commits nothing (one that never answers, a download, a 204) leaves the history as it was. The engine
// keeps the history: no script of a page can change it but by navigating.
struct HistoryMark {
    int count = 0;
    int current = -1;
    QDateTime shown;
    QUrl url;
    bool operator==(const HistoryMark&) const = default;
};

HistoryMark historyOf(QWebEnginePage* page)
{
    QWebEngineHistory* history = page->history();
    const QWebEngineHistoryItem item = history->currentItem();
    return {history->count(), history->currentItemIndex(), item.isValid() ? item.lastVisited() : QDateTime(),
            item.isValid() ? item.url() : QUrl()};
}
} // namespace

// One navigation on one page. The page's history when the navigation starts tells a navigation that never
// replaced the document (the page still shows the previous load's document, or nothing) from one that did;
// a document once read carries the number of the load that read it, so that a previous document that
// changed its history entry on its own is not taken for a new one.
class WebEngineLoad : public QObject, public PageLoad {
public:
    // A page from the pool (`reused`) may have started a script that never ends since it came back: it is
    // asked to answer as the load starts, and one that has not answered a moment later is replaced by a
    // new page, on which the load starts again.
    WebEngineLoad(WebEngineBrowser& browser, QWebEnginePage* page, bool reused, const QUrl& url, quint64 number,
                  qint64 timeLimitMs)
        : m_browser(browser), m_url(url), m_number(number), m_timeLimitMs(timeLimitMs)
    {
        m_browser.m_live.push_back(this);
        connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
                [this](QWebEngineDownloadRequest* download) {
                    if (download->page() != m_page)
                        return; // another page's, or a late one of a page now gone
                    // More telling than the stopped load that may have come first.
                    m_readyState = Browser::ReadyStateComplete;
                    m_loadError = QStringLiteral("the address is a file to download, not a page");
                });
        start(page, reused);
    }

    ~WebEngineLoad() override
    {
        disconnect(); // nothing of this page may reach a load that is gone
        std::erase(m_browser.m_live, this);
        // A large document is not kept for reuse: its renderer's memory goes with it.
        const qint64 pid = m_page->renderProcessPid();
        const bool small = pid <= 0 || residentMegabytes(pid) <= WebEngineBrowser::ReusableRendererMb;
        m_browser.givePageBack(m_page, m_read && !m_loading && !m_unusable && m_loadError.isEmpty() &&
                                           m_readyState == Browser::ReadyStateComplete && small);
    }

    int readyState() override
    {
        if (m_readyState != Browser::ReadyStateComplete && m_answered && !*m_answered &&
            m_browser.m_clock.elapsedMs() - m_started > IdlePageAnswerMs) {
            // The reused page is stuck in a script: it goes, and the load starts again on a new page.
            disconnect(m_page, nullptr, this, nullptr);
            m_browser.givePageBack(m_page, false);
            start(m_browser.newPage(), false);
        }
        watchMemory();
        return m_readyState;
    }

private:
    void start(QWebEnginePage* page, bool reused)
    {
        m_page = page;
        m_started = m_browser.m_clock.elapsedMs();
        m_before = historyOf(page);
        m_readyState = 1;
        m_navigationStarted = m_loading = false;
        m_loadError.clear();
        m_answered.reset();
        m_prefetch.reset();
        if (reused) {
            m_answered = std::make_shared<bool>(false);
            page->runJavaScript(QStringLiteral("1"), QWebEngineScript::MainWorld,
                                [answered = m_answered](const QVariant&) { *answered = true; });
        }
        connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                m_loading = true;
                m_navigationStarted = true;
                return;
            }
            if (!m_navigationStarted)
                return; // the end of a load that an earlier navigation began
            m_loading = false;
            if (m_readyState == Browser::ReadyStateComplete || m_stopped)
                return; // the page navigates on its own after this navigation ended, or was stopped here
            m_readyState = Browser::ReadyStateComplete;
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                fail(failureReason(info));
            else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
                fail(QStringLiteral("loading stopped before a page was shown (not a page, or a download)"));
            else if (!m_browser.m_lastRead.isEmpty() && replacedDocument())
                prefetch(m_browser.m_lastRead);
        });
        connect(page, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                    m_readyState = Browser::ReadyStateComplete;
                    m_unusable = m_gone = true;
                    fail(terminationReason(status, exitCode));
                });
        page->load(m_url);
    }

public:
    qint64 startedAtMs() const override { return m_started; }
    QString loadError() override { return m_loadError; }

    void stop() override
    {
        m_unusable = m_stopped = true;
        m_page->triggerAction(QWebEnginePage::Stop);
    }

    // The navigation replaced the document, and the document's renderer answers: a page whose script
    // never ends has not answered, whatever it had shown.
    bool committed() override
    {
        if (!replacedDocument())
            return false;
        try {
            return evaluate(QStringLiteral("window.__quarnelRead === undefined || window.__quarnelRead === %1").arg(m_number),
                            WebEngineBrowser::ProbeTimeLimitMs)
                .toBool();
        } catch (const Failure&) {
            return false;
        }
    }

    QString outerHtml() override
    {
        return read(QStringLiteral("document.documentElement ? document.documentElement.outerHTML : null"),
                    QStringLiteral("The document has no root element"));
    }

    QString bodyInnerText() override
    {
        return read(QStringLiteral("document.body ? document.body.innerText : null"),
                    QStringLiteral("Object required: the document has no body"));
    }

private:
    // Text comes over in slices of this many characters, so that a large document is never copied whole
    // between the engine's processes at once.
    static constexpr int SliceLength = 4 << 20;

    void fail(const QString& reason)
    {
        if (m_loadError.isEmpty())
            m_loadError = reason;
    }

    // Evaluates `expression` in this load's own document with CR LF line breaks, and marks the document as
    // this load's.
    QString read(const QString& expression, const QString& missing)
    {
        // A page that navigates on its own (a refresh, a reload on load) may be between two of its own
        // documents: it is stopped where it is, and the document it shows then gets a moment to have its
        // root and body.
        for (int attempt = 0;; ++attempt) {
            try {
                return readOnce(expression, missing);
            } catch (const Failure&) {
                if (m_loading && !m_stopped)
                    stop();
                if (!m_stopped || m_gone)
                    throw;
                if (attempt == 10) // what the page shows when stopped has nothing to read
                    return {};
            }
            const qint64 until = m_browser.m_clock.elapsedMs() + 50;
            while (m_browser.m_clock.elapsedMs() < until)
                m_browser.m_pump.waitForEvents(5);
        }
    }

    // The first step of a read: the whole text when it is small, else its length (the text waits in the
    // page for its slices). It runs in the page's own script world: whatever a page's scripts do there
    // changes only its own text, which they could write anyway, and no second world is set up for every
    // document. The document is marked as read by this load, for good: a document that changes its
    // history entry while it waits on an idle page (pushState on a timer) is still known as another load's.
    QString headScript(const QString& expression) const
    {
        return QStringLiteral("(function () {"
               " if (window.__quarnelRead !== undefined && window.__quarnelRead !== %1) return {stale: true};"
               " try { Object.defineProperty(window, '__quarnelRead', {value: %1}); } catch (e) {}"
               " var value = %2;"
               " if (value === null || value === undefined) return {missing: true};"
               " value = String(value);"
               " if (value.length <= %3) return {text: value.replace(/\\r?\\n/g, '\\r\\n')};"
               " window.__quarnelText%1 = value;"
               " return {length: value.length}; })()")
            .arg(m_number)
            .arg(expression)
            .arg(SliceLength);
    }

    QString readOnce(const QString& expression, const QString& missing)
    {
        if (!replacedDocument())
            throw Failure(QStringLiteral("The page shows no document of its own"));
        // The read that began when the load finished, if it asked for this; otherwise one now.
        std::shared_ptr<Answer> pending = std::exchange(m_prefetch, nullptr);
        if (!pending || pending->expression != expression)
            pending = send(headScript(expression));
        m_browser.m_lastRead = expression;
        const QVariantMap head = await(pending, readLimitMs()).toMap();
        if (head.isEmpty() || head.value(QStringLiteral("stale")).toBool())
            throw Failure(QStringLiteral("The page shows no document of its own"));
        m_read = true;
        if (head.value(QStringLiteral("missing")).toBool())
            throw Failure(missing);
        if (head.contains(QStringLiteral("text"))) // small enough to come at once
            return head.value(QStringLiteral("text")).toString();
        // Each slice gets its CR LF line breaks on its own, and never ends inside a CR LF pair.
        const qint64 length = head.value(QStringLiteral("length")).toLongLong();
        QString text;
        text.reserve(length);
        for (qint64 from = 0; from < length;) {
            const QVariantMap slice =
                evaluate(QStringLiteral("(function () { var t = window.__quarnelText%3; if (typeof t !== 'string') return null;"
                                        " var end = Math.min(t.length, %1 + %2);"
                                        " if (end < t.length && t.charCodeAt(end - 1) === 13) end--;"
                                        " var s = t.substring(%1, end).replace(/\\r?\\n/g, '\\r\\n');"
                                        " if (end >= t.length) delete window.__quarnelText%3;"
                                        " return {text: s, next: end}; })()")
                             .arg(from)
                             .arg(SliceLength)
                             .arg(m_number),
                         readLimitMs())
                    .toMap();
            const qint64 next = slice.value(QStringLiteral("next")).toLongLong();
            if (slice.isEmpty() || next <= from)
                throw Failure(QStringLiteral("The page changed while it was being read"));
            text += slice.value(QStringLiteral("text")).toString();
            from = next;
        }
        return text;
    }

    bool replacedDocument() const { return historyOf(m_page) != m_before; }

    // A page loaded ahead is read the moment it has loaded, in the form the run last asked for, as a page
    // loaded on its own turn would be; the run takes the answer when it gets there.
    void prefetch(const QString& expression)
    {
        m_prefetch = send(headScript(expression));
        m_prefetch->expression = expression;
    }

    // A read may take what is left of the retrieval's time, and never less than a short answer needs.
    qint64 readLimitMs() const
    {
        return std::max(WebEngineBrowser::ProbeTimeLimitMs, m_timeLimitMs - (m_browser.m_clock.elapsedMs() - m_started));
    }

    struct Answer {
        bool done = false;
        QVariant value;
        QString expression; // what a read asked for
    };

    std::shared_ptr<Answer> send(const QString& script)
    {
        auto answer = std::make_shared<Answer>();
        m_page->runJavaScript(script, QWebEngineScript::MainWorld, [answer](const QVariant& value) {
            answer->done = true;
            answer->value = value;
        });
        return answer;
    }

    QVariant await(const std::shared_ptr<Answer>& answer, qint64 limitMs)
    {
        const qint64 started = m_browser.m_clock.elapsedMs();
        while (!answer->done) {
            watchMemory();
            if (m_gone)
                throw Failure(m_loadError); // the renderer has gone, or was stopped for its memory
            if (m_browser.m_clock.elapsedMs() - started > limitMs) {
                m_unusable = true; // a page that does not answer is never used again
                throw Failure(QStringLiteral("The page did not answer"));
            }
            m_browser.m_pump.waitForEvents(1);
        }
        return answer->value;
    }

    QVariant evaluate(const QString& script, qint64 limitMs) { return await(send(script), limitMs); }

public:
    void watchMemory() { m_browser.watchMemory(); }

    // This page's renderer process; 0 when it has none (any more).
    qint64 rendererPid() const { return m_gone ? 0 : m_page->renderProcessPid(); }

    // Stopped for the memory its renderer takes: the renderer ends, the load reports why.
    void stopForMemory(qint64 pid, const QString& reason)
    {
        fail(reason);
        m_readyState = Browser::ReadyStateComplete;
        m_unusable = m_gone = true;
        ::kill(pid_t(pid), SIGKILL);
    }

    static qint64 residentMegabytes(qint64 pid)
    {
        QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
        if (!statm.open(QIODevice::ReadOnly))
            return 0;
        // Resident but not shared: what the page itself takes, without the libraries every renderer maps.
        const QList<QByteArray> fields = statm.readAll().split(' ');
        if (fields.size() < 3)
            return 0;
        return (fields[1].toLongLong() - fields[2].toLongLong()) * sysconf(_SC_PAGESIZE) / (1024 * 1024);
    }

private:
    WebEngineBrowser& m_browser;
    const QUrl m_url;
    QWebEnginePage* m_page = nullptr;
    const quint64 m_number;
    qint64 m_started = 0;
    const qint64 m_timeLimitMs;
    HistoryMark m_before;
    std::shared_ptr<bool> m_answered; // a reused page's answer to being asked as the load started
    std::shared_ptr<Answer> m_prefetch;
    int m_readyState = 1;
    bool m_navigationStarted = false;
    bool m_loading = false;
    bool m_read = false;
    bool m_unusable = false;
    bool m_stopped = false; // by this load, at the time limit
    bool m_gone = false;    // the renderer has ended
    QString m_loadError;
};

WebEngineBrowser::WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent)
    : QObject(parent), m_pump(pump), m_clock(clock), m_profile(new QWebEngineProfile(this))
{
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    m_profile->setUrlRequestInterceptor(new LocalFileGuard(m_profile));
}

WebEngineBrowser::~WebEngineBrowser()
{
    // Every page must go before its profile, and every load before its page.
    m_ahead.clear();
    qDeleteAll(findChildren<QWebEnginePage*>(Qt::FindDirectChildrenOnly));
}

QUrl WebEngineBrowser::addressOf(const QString& entry)
{
    const QUrl url = entry.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry) : QUrl::fromUserInput(entry);
    if (entry.trimmed().isEmpty() || !url.isValid() || url.isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https") && scheme != QStringLiteral("file"))
        throw Failure(QStringLiteral("Not a web page address: ") + entry);
    if (scheme != QStringLiteral("file") && url.host().isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    return url;
}

std::unique_ptr<PageLoad> WebEngineBrowser::navigate(const QString& entry, qint64 timeLimitMs)
{
    for (auto it = m_ahead.begin(); it != m_ahead.end(); ++it) {
        if (it->first == entry) {
            std::unique_ptr<PageLoad> load = std::move(it->second);
            m_ahead.erase(it);
            return load;
        }
    }
    const QUrl url = addressOf(entry);
    QWebEnginePage* page = takePage(url);
    const bool reused = page != nullptr;
    return std::make_unique<WebEngineLoad>(*this, reused ? page : newPage(), reused, url, ++m_loads, timeLimitMs);
}

void WebEngineBrowser::watchMemory()
{
    // Every renderer of a page being loaded or read, ahead or not, counts: no page may take more than the
    // limit, and all of them together no more either; then the largest is stopped.
    const qint64 now = m_clock.elapsedMs();
    if (now - m_lastMemoryCheck < 100)
        return;
    m_lastMemoryCheck = now;
    QHash<qint64, qint64> sizes;
    WebEngineLoad* largest = nullptr;
    qint64 largestPid = 0, total = 0;
    for (WebEngineLoad* load : std::as_const(m_live)) {
        const qint64 pid = load->rendererPid();
        if (pid <= 0 || sizes.contains(pid))
            continue;
        const qint64 size = WebEngineLoad::residentMegabytes(pid);
        sizes.insert(pid, size);
        total += size;
        if (!largest || size > sizes.value(largestPid)) {
            largest = load;
            largestPid = pid;
        }
    }
    if (!largest || total <= RendererMemoryLimitMb)
        return;
    const qint64 own = sizes.value(largestPid);
    largest->stopForMemory(largestPid, own > RendererMemoryLimitMb
                                           ? QStringLiteral("the page needs more than %1 MB of memory to be shown")
                                                 .arg(RendererMemoryLimitMb)
                                           : QStringLiteral("the page needs more memory than the %1 MB all pages "
                                                            "loading at once may take (it had %2 MB)")
                                                 .arg(RendererMemoryLimitMb)
                                                 .arg(own));
}

void WebEngineBrowser::loadAhead(const QStringList& entries, qint64 timeLimitMs)
{
    // Keep the loads still wanted, in the order wanted; drop the others; start the missing ones.
    std::vector<std::pair<QString, std::unique_ptr<PageLoad>>> kept;
    for (const QString& entry : entries) {
        auto found = std::find_if(m_ahead.begin(), m_ahead.end(), [&](const auto& a) { return a.first == entry; });
        if (found != m_ahead.end()) {
            kept.push_back(std::move(*found));
            m_ahead.erase(found);
            continue;
        }
        try {
            kept.emplace_back(entry, navigate(entry, timeLimitMs));
        } catch (const Failure&) {
            // Not an address: reported when the run reaches it.
        }
    }
    m_ahead = std::move(kept); // the loads left over are dropped here
}

QWebEnginePage* WebEngineBrowser::takePage(const QUrl& url)
{
    // A page that shows the same document but for its fragment would only scroll, not load: use another.
    const QUrl document = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < m_idle.size(); ++i)
        if (m_idle[i]->url().adjusted(QUrl::RemoveFragment) != document)
            return m_idle.takeAt(i);
    return nullptr;
}

QWebEnginePage* WebEngineBrowser::newPage()
{
    auto* page = new QuietPage(m_profile, this);
    page->setObjectName(QStringLiteral("WebBrowser1"));
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    // Local files may load what they refer to, as they would in a browser opened on them.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    connect(page, &QWebEnginePage::featurePermissionRequested, page,
            [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    return page;
}

void WebEngineBrowser::givePageBack(QWebEnginePage* page, bool reusable)
{
    if (reusable && m_idle.size() < IdlePages) {
        m_idle.append(page);
        return;
    }
    // A page whose load did not end cleanly may still hear from it, or hang in a script: it goes, and with
    // it its renderer when no other page uses that.
    page->triggerAction(QWebEnginePage::Stop);
    page->deleteLater();
}

void prepareWebEngineEnvironment()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // Nothing here may reach out on its own: only the pages the user asked for are loaded.
    flags += " --disable-background-networking --disable-component-update --disable-sync --no-first-run";
    if (geteuid() == 0)
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QByteArray rules = qgetenv("QT_LOGGING_RULES");
    rules += QByteArray(rules.isEmpty() ? "" : ";") + "qt.webenginecontext.*=false";
    qputenv("QT_LOGGING_RULES", rules);
}
