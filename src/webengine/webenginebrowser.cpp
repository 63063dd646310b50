#include "webengine/webenginebrowser.h"

#include "base/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "webengine/networklog.h"
#include "webengine/pagepolicy.h"
#include "webengine/pagepool.h"
#include "webengine/pagescripts.h"
#include "webengine/webengineload.h"

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
    : QObject(parent), m_clock(clock), m_pool(std::make_unique<PagePool>(m_host)),
      m_policy(new PagePolicy(m_host.profile())), m_context{pump, clock, m_host, *m_pool, *m_policy} {
    m_context.advance = [this](qint64 nowMs) { advance(nowMs); };
    // What a page tells may be what the run waits for.
    m_host.setHeard([&pump] { pump.wake(); });
    QQuickWebEngineProfile* profile = m_host.profile();
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
    // Every page must go before its profile; the loads have gone before the browser.
    m_pool.reset();
}

int WebEngineBrowser::livePages() const {
    return m_pool->livePages();
}
int WebEngineBrowser::rendererProcesses() const {
    return m_pool->rendererProcesses();
}

QUrl WebEngineBrowser::addressOf(const QString& entry) {
    QUrl url = entry.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry) : QUrl::fromUserInput(entry);
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
    const QUrl url = addressOf(entry);
    m_policy->sourceGiven(url);
    m_pool->collect();
    bool reused = false;
    EnginePage* page = m_pool->take(url, reused);
    return std::make_unique<WebEngineLoad>(m_context, page, reused, url, ++m_loads,
                                           LoadLimits{timeLimitMs, m_settleMs, m_scrollViews});
}

void WebEngineBrowser::advance(qint64 nowMs) {
    if (m_advancing)
        return; // a load's wait inside this advance
    m_advancing = true;
    watchMemory(nowMs);
    // A load's advance makes and deletes no load, but the list is walked as it was.
    const std::vector<WebEngineLoad*> live = m_context.live;
    for (WebEngineLoad* load : live)
        load->advance(nowMs);
    m_pool->collect();
    m_advancing = false;
}

void WebEngineBrowser::setBlocking(bool on) {
    m_policy->setBlocking(on);
}

void WebEngineBrowser::setBlockRules(PendingBlockRules rules) {
    m_policy->setBlockRules(std::move(rules));
}

qint64 WebEngineBrowser::blockedRequests() const {
    return m_policy->blockedInAll();
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

void WebEngineBrowser::watchMemory(qint64 now) {
    // Every renderer of a page being loaded or read, ahead or not, counts: no page may take more than the
    // limit, and all of them together no more either; then the largest renderer is stopped, and every load
    // it serves learns why. A load the engine placed in it unseen (its renderer not yet known) starts again
    // on a new page when the renderer ends.
    if (!m_memory.due(now))
        return;
    QList<qint64> pids;
    for (const WebEngineLoad* load : std::as_const(m_context.live))
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
    for (WebEngineLoad* load : std::as_const(m_context.live))
        if (load->rendererPid() == verdict->pid)
            load->stopForMemory(reason);
    m_context.stoppedForMemory.insert(verdict->pid);
    ::kill(pid_t(verdict->pid), SIGKILL);
}

bool prepareWebEngineEnvironment(const std::optional<Requests::Proxy>& proxy, const NetworkLog* networkLog) {
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
    const bool logged = networkLog && !flags.contains("--log-net-log");
    if (logged)
        flags += ' ' + networkLog->engineSwitch();
    if (proxy) {
        flags += " --proxy-server=" + proxy->server().toUtf8();
        PageHost::setProxyLogin(proxy->user, proxy->password);
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QByteArray rules = qgetenv("QT_LOGGING_RULES");
    rules += QByteArray(rules.isEmpty() ? "" : ";") + "qt.webenginecontext.*=false";
    qputenv("QT_LOGGING_RULES", rules);
    return logged;
}
