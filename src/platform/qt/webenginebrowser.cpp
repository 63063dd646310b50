#include "platform/qt/webenginebrowser.h"

#include "engine/failure.h"
#include "platform/clock.h"
#include "platform/qt/networklog.h"
#include "platform/qt/pagepolicy.h"
#include "platform/qt/pagepool.h"
#include "platform/qt/pagescripts.h"
#include "platform/qt/webengineload.h"

#include <QCoreApplication>
#include <QNetworkCookie>
#include <QQuickWebEngineProfile>
#include <QQuickWindow>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEngineScript>
#include <QtWebEngineQuick/qtwebenginequickglobal.h>
#include <csignal>
#include <unistd.h>

WebEngineBrowser::WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent)
    : QObject(parent), m_pump(pump), m_clock(clock), m_pool(std::make_unique<PagePool>(m_host)) {
    QQuickWebEngineProfile* profile = m_host.profile();
    connect(&m_host, &PageHost::downloadRequested, this, &WebEngineBrowser::downloadRequested);
    m_policy = new PagePolicy(profile);
    profile->setUrlRequestInterceptor(m_policy);
    // Every page watches what its scripts still do, so that it can be read once they are done.
    QWebEngineScript watcher;
    watcher.setName(QStringLiteral("quarnel-settle"));
    watcher.setInjectionPoint(QWebEngineScript::DocumentCreation);
    watcher.setWorldId(QWebEngineScript::MainWorld);
    watcher.setRunsOnSubFrames(true); // a frame hands its requests to the page it is in
    watcher.setSourceCode(settleWatcherScript());
    m_host.addScript(watcher);
}

WebEngineBrowser::~WebEngineBrowser() {
    // Every page must go before its profile, and every load before its page.
    m_ahead.clear();
    m_pool.reset();
}

int WebEngineBrowser::livePages() const {
    return m_pool->livePages();
}
int WebEngineBrowser::rendererProcesses() const {
    return m_pool->rendererProcesses();
}

QUrl WebEngineBrowser::addressOf(const QString& entry) {
    const QUrl url =
        entry.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry) : QUrl::fromUserInput(entry);
    if (entry.trimmed().isEmpty() || !url.isValid() || url.isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https") &&
        scheme != QStringLiteral("file"))
        throw Failure(QStringLiteral("Not a web page address: ") + entry);
    if (scheme != QStringLiteral("file") && url.host().isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    if (url.isLocalFile()) {
        const QString why = unreadableLocalFile(url.toLocalFile());
        if (!why.isEmpty())
            throw Failure(QStringLiteral("Could not load ") + entry + QStringLiteral(": ") + why);
    }
    return url;
}

std::unique_ptr<PageLoad> WebEngineBrowser::navigate(const QString& entry, qint64 timeLimitMs) {
    for (auto it = m_ahead.begin(); it != m_ahead.end(); ++it) {
        if (it->first == entry) {
            std::unique_ptr<PageLoad> load = std::move(it->second);
            m_ahead.erase(it);
            return load;
        }
    }
    const QUrl url = addressOf(entry);
    m_pool->collect();
    bool reused = false;
    EnginePage* page = m_pool->take(url, reused);
    return std::make_unique<WebEngineLoad>(*this, page, reused, url, ++m_loads, timeLimitMs, m_settleMs);
}

void WebEngineBrowser::setIdentity(const Requests::Identity& identity) {
    if (identity == m_identity)
        return;
    QQuickWebEngineProfile* profile = m_host.profile();
    if (m_engineUserAgent.isNull()) {
        m_engineUserAgent = profile->httpUserAgent();
        m_engineLanguage = profile->httpAcceptLanguage();
    }
    profile->setHttpUserAgent(identity.userAgent.isEmpty() ? m_engineUserAgent : identity.userAgent);
    profile->setHttpAcceptLanguage(identity.acceptLanguage.isEmpty() ? m_engineLanguage
                                                                     : identity.acceptLanguage);
    m_policy->setOwnHostHeaders(identity.headers);
    if (identity.cookies != m_identity.cookies) {
        QWebEngineCookieStore* store = profile->cookieStore();
        store->deleteAllCookies();
        for (const Requests::Cookie& entry : identity.cookies) {
            QNetworkCookie cookie(entry.name, entry.value);
            // A cookie for its subdomains names its domain; one without is the host's own.
            if (entry.includeSubdomains)
                cookie.setDomain(QLatin1Char('.') + entry.domain);
            cookie.setPath(entry.path);
            cookie.setSecure(entry.secure);
            cookie.setHttpOnly(entry.httpOnly);
            if (entry.expires > 0)
                cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(entry.expires, Qt::UTC));
            QUrl origin;
            origin.setScheme(entry.secure ? QStringLiteral("https") : QStringLiteral("http"));
            origin.setHost(entry.domain);
            store->setCookie(cookie, origin);
        }
    }
    m_identity = identity;
}

void WebEngineBrowser::watchMemory() {
    // Every renderer of a page being loaded or read, ahead or not, counts: no page may take more than the
    // limit, and all of them together no more either; then the largest renderer is stopped, and every load
    // it serves learns why. A load the engine placed in it unseen (its renderer not yet known) starts again
    // on a new page when the renderer ends.
    const qint64 now = m_clock.elapsedMs();
    if (!m_memory.due(now))
        return;
    QList<qint64> pids;
    for (const WebEngineLoad* load : std::as_const(m_live))
        pids << load->rendererPid();
    const std::optional<RendererMemoryGuard::Verdict> verdict = m_memory.check(pids, now);
    if (!verdict)
        return;
    const qsizetype served = pids.count(verdict->pid);
    QString reason;
    if (served > 1)
        reason =
            QStringLiteral("the renderer it shared with %1 other page(s) loading needed more than %2 MB of "
                           "memory (it had %3 MB) and was stopped")
                .arg(served - 1)
                .arg(RendererMemoryLimitMb)
                .arg(verdict->megabytes);
    else if (verdict->alone)
        reason =
            QStringLiteral("the page needs more than %1 MB of memory to be shown").arg(RendererMemoryLimitMb);
    else
        reason =
            QStringLiteral("the page needs more memory than the %1 MB all pages loading at once may take (it "
                           "had %2 MB)")
                .arg(RendererMemoryLimitMb)
                .arg(verdict->megabytes);
    for (WebEngineLoad* load : std::as_const(m_live))
        if (load->rendererPid() == verdict->pid)
            load->stopForMemory(reason);
    m_stoppedForMemory.insert(verdict->pid);
    ::kill(pid_t(verdict->pid), SIGKILL);
}

void WebEngineBrowser::loadAhead(const QStringList& entries, qint64 timeLimitMs) {
    // Keep the loads still wanted, in the order wanted; drop the others; start the missing ones.
    m_pool->collect();
    std::vector<std::pair<QString, std::unique_ptr<PageLoad>>> kept;
    for (const QString& entry : entries) {
        auto found =
            std::find_if(m_ahead.begin(), m_ahead.end(), [&](const auto& a) { return a.first == entry; });
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
    m_pool->collect();
}

void prepareWebEngineEnvironment(const std::optional<Requests::Proxy>& proxy, bool networkLog) {
    // Pages are drawn off screen only, and only for their animation frames: in software, so that no
    // display or graphics driver is ever involved.
    QtWebEngineQuick::initialize();
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // Nothing here may reach out on its own: only the pages the user asked for are loaded.
    flags += " --disable-background-networking --disable-component-update --disable-sync --no-first-run";
    if (geteuid() == 0)
        flags += " --no-sandbox";
    // A program started by one of ours inherits its switches: its log is its own, not its parent's pipe.
    QList<QByteArray> own;
    for (const QByteArray& flag : flags.split(' '))
        if (!flag.startsWith("--log-net-log=") || !flag.contains(NetworkLog::PipeFolderPrefix))
            own << flag;
    flags = own.join(' ');
    if (networkLog && !flags.contains("--log-net-log"))
        flags += ' ' + NetworkLog::start();
    if (proxy) {
        flags += " --proxy-server=" + proxy->server().toUtf8();
        PageHost::setProxyLogin(proxy->user, proxy->password);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QByteArray rules = qgetenv("QT_LOGGING_RULES");
    rules += QByteArray(rules.isEmpty() ? "" : ";") + "qt.webenginecontext.*=false";
    qputenv("QT_LOGGING_RULES", rules);
}
