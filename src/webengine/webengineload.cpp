#include "webengine/webengineload.h"

#include "base/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "webengine/enginepage.h"
#include "webengine/loadfailures.h"
#include "webengine/networklog.h"
#include "webengine/pagepolicy.h"
#include "webengine/pagepool.h"
#include "webengine/pagescripts.h"
#include "webengine/renderermemory.h"
#include "webengine/webenginebrowser.h"

#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>

namespace {

// How long a page waiting for reuse may take to show that its renderer is not stuck in a script.
constexpr qint64 IdlePageAnswerMs = 250;
// How long the network log is looked at for the headers of an answer that may carry a wait.
constexpr qint64 RetryAfterLookupMs = 300;

HistoryMark historyOf(EnginePage* page) {
    QWebEngineHistory* history = page->history();
    const QWebEngineHistoryItem item = history->currentItem();
    return {history->count(), history->currentItemIndex(), item.isValid() ? item.lastVisited() : QDateTime(),
            item.isValid() ? item.url() : QUrl()};
}

} // namespace

WebEngineLoad::WebEngineLoad(LoadContext& context, EnginePage* page, bool reused, const QUrl& url,
                             quint64 number, const LoadLimits& limits)
    : m_context(context), m_url(url), m_number(number), m_timeLimitMs(limits.timeMs),
      m_settleMs(limits.settleMs),
      m_reader(context, number,
               {[this](qint64 leastMs) { return answerBy(leastMs); },
                [this]() -> std::optional<QString> {
                    if (!m_gone)
                        return std::nullopt;
                    return m_loadError.isEmpty() ? QStringLiteral("The page's renderer ended") : m_loadError;
                }}),
      m_settling(
          context.clock, limits.settleMs, limits.scrollViews,
          {[this](qint64 withinMs, const QVariant& scroll) { return settleQuestion(withinMs, scroll); },
           [this](std::shared_ptr<PageAnswer> read) { settled(std::move(read)); }}) {
    m_context.live.push_back(this);
    m_download = connect(&context.host, &PageHost::downloadRequested, this,
                         [this](const QObject* view, const QUrl& url) {
                             // Another page's, or a late one of an earlier load of this page.
                             if (view != m_page->view() || url != m_url)
                                 return;
                             // More telling than the stopped load that may have come first.
                             m_loadError = QStringLiteral("the address is a file to download, not a page");
                             m_phase = Phase::Failed;
                         });
    start(page, reused);
}

WebEngineLoad::~WebEngineLoad() {
    // Nothing of the page may reach a load that is gone.
    disconnect(m_download);
    disconnect(m_page, nullptr, this, nullptr);
    m_page->setRedirectGate({});
    std::erase(m_context.live, this);
    // Requests blocked for a page nobody read (a try that failed, a load ahead that was dropped) are not
    // counted, nor kept.
    m_context.policy.takeBlockedFor(m_page->url());
    // A large document is not kept for reuse: its renderer's memory goes with it.
    const qint64 pid = rendererPid();
    const bool small =
        pid <= 0 || RendererMemoryGuard::residentMegabytes(pid) <= WebEngineBrowser::ReusableRendererMb;
    // A page whose navigation has ended may serve the next load (which first makes sure its renderer
    // answers), whether its document was read or the load failed: no error page follows a failure. One that
    // was stopped, still navigates, or loaded a document nobody read (a load ahead that was dropped) goes.
    const bool finished = ended() && !m_loading;
    const bool reusable = finished && (m_reader.readDocument() || !m_loadError.isEmpty()) && !m_unusable &&
                          !m_reader.unanswered() && !m_gone && small;
    // Its document stays visible while it waits: it falls quiet, so that nothing it does reaches the next
    // load.
    if (reusable)
        m_page->runJavaScript(pageReadCall("quiet"), [](const QVariant&) {});
    m_context.pool.giveBack(m_page, reusable);
}

int WebEngineLoad::readyState() const {
    switch (m_phase) {
    case Phase::Navigating:
        return 1;
    case Phase::Settling:
        return 3;
    case Phase::Loaded:
    case Phase::Failed:
        break;
    }
    return Browser::ReadyStateComplete;
}

LoadOutcome WebEngineLoad::outcome() const {
    if (m_phase != Phase::Failed)
        return {};
    return {m_loadError, m_mayPass, m_httpStatus, m_retryAfter, m_retryAfterPending};
}

void WebEngineLoad::advance(qint64 nowMs) {
    if (m_reader.awaiting())
        return;
    if (!ended() && m_answered && !*m_answered && nowMs - m_started > IdlePageAnswerMs) {
        // The reused page is stuck in a script: it goes, and the load starts again on a new page.
        restartOnNewPage();
        m_context.pool.collect();
    }
    if (m_phase == Phase::Settling)
        m_settling.advance(nowMs, m_loading);
    if (m_retryAfterPending)
        lookUpRetryAfter(nowMs);
}

void WebEngineLoad::restartOnNewPage() {
    disconnect(m_page, nullptr, this, nullptr);
    m_page->setRedirectGate({});
    m_settling.end();
    m_context.pool.retire(m_page);
    start(m_context.pool.fresh(), false);
}

void WebEngineLoad::start(EnginePage* page, bool reused) {
    m_page = page;
    m_reader.setPage(page);
    m_reused = reused;
    m_started = m_context.clock.elapsedMs();
    m_before = historyOf(page);
    m_phase = Phase::Navigating;
    m_navigationStarted = m_loading = false;
    m_loadError.clear();
    m_mayPass = false;
    m_httpStatus = 0;
    m_retryAfter.reset();
    m_retryAfterPending = false;
    m_logMark = m_context.log ? m_context.log->mark() : 0;
    m_answered.reset();
    if (reused) {
        m_answered = std::make_shared<bool>(false);
        page->runJavaScript(QStringLiteral("1"),
                            [answered = m_answered](const QVariant&) { *answered = true; });
    }
    page->setRedirectGate([this](const QUrl& target) { return followsRedirect(target); });
    connect(page, &EnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_loading = true;
            m_navigationStarted = true;
            return;
        }
        if (!m_navigationStarted)
            return; // the end of a load that an earlier navigation began
        // A redirect held back ends its navigation, stopped or failed, with nothing shown.
        if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus && m_heldBackAt.isValid()) {
            m_page->load(std::exchange(m_heldBackAt, QUrl()));
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
            info.errorDomain() == QWebEngineLoadingInfo::NoErrorDomain && m_reused && !m_restarted) {
            // The document the page showed before changed its own history entry (pushState, replaceState)
            // as this load began, and the engine ended this load for it, with no error and nothing shown.
            // The load starts again, once, on a new page, where no earlier document can do that.
            m_restarted = true;
            restartOnNewPage();
            return;
        }
        m_loading = false;
        if (ended() || m_stopped)
            return; // the page navigates on its own after this navigation ended, or was stopped here
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && m_settleMs > 0 &&
            replacedDocument()) {
            m_phase = Phase::Settling;
            m_settling.begin(m_page, m_started + m_timeLimitMs);
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            if (m_loadError.isEmpty()) {
                m_mayPass = ::failureMayPass(info);
                if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
                    m_httpStatus = info.errorCode();
                m_failedAt = info.url();
                m_failedAtMs = m_context.clock.elapsedMs();
                m_retryAfterPending = m_httpStatus != 0;
                lookUpRetryAfter(m_failedAtMs);
            }
            end(failureReason(info));
        } else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus && !replacedDocument()) {
            end(QStringLiteral("loading stopped before a page was shown (not a page, or a download)"));
        } else {
            end();
            if (!m_context.lastRead.isEmpty() && replacedDocument())
                m_reader.prefetch(m_context.lastRead);
        }
    });
    m_lastPid = page->renderProcessPid();
    connect(page, &EnginePage::renderProcessPidChanged, this, [this](qint64 pid) {
        if (pid > 0)
            m_lastPid = pid;
    });
    connect(page, &EnginePage::renderProcessTerminated, this,
            [this](int status, int exitCode) { rendererGone(terminationReason(status, exitCode)); });
    page->load(m_url);
}

bool WebEngineLoad::followsRedirect(const QUrl& target) {
    // A redirect of the source's own request: no document of it has come yet (a refresh or a script's
    // navigation comes from one, and is a new request that carries nothing of the source's).
    if (m_phase != Phase::Navigating || replacedDocument() ||
        !m_context.policy.headersWouldLeave(m_url, target))
        return true;
    // A page that keeps redirecting gets as many hops as the engine gives a redirect chain.
    constexpr int MostHops = 20;
    if (!m_heldBackAt.isValid() && ++m_redirectsHeldBack <= MostHops)
        m_heldBackAt = target;
    return false;
}

QString WebEngineLoad::readAtSettleLimit() const {
    return m_settling.readAtLimit();
}

// The question a settling page is asked. When the run has read a page before, the question comes with that
// read: a page that has settled answers with its text at once, which costs no more than a page read at
// completion.
PageSettling::Question WebEngineLoad::settleQuestion(qint64 withinMs, const QVariant& scroll) const {
    const QString what = replacedDocument() ? m_context.lastRead : QString();
    if (what.isEmpty())
        return {pageReadCall("settledOrWhy", {withinMs, scroll}), what};
    return {m_reader.headScript(what, withinMs, scroll), what};
}

void WebEngineLoad::settled(std::shared_ptr<PageAnswer> read) {
    if (ended())
        return;
    end();
    if (read)
        m_reader.keep(std::move(read));
    else if (!m_context.lastRead.isEmpty() && replacedDocument())
        m_reader.prefetch(m_context.lastRead);
}

// The engine logs an answer's headers a moment after it reports the failure: they are looked for at every
// advance until they are found or, for the statuses that carry a wait, RetryAfterLookupMs have passed;
// other statuses get one look.
void WebEngineLoad::lookUpRetryAfter(qint64 nowMs) {
    const std::optional<NetworkLog::Said> said =
        m_context.log ? m_context.log->answerFor(m_failedAt, m_httpStatus, m_logMark) : std::nullopt;
    const bool carriesWait = m_httpStatus == 429 || m_httpStatus == 503;
    if (said)
        m_retryAfter = said->retryAfterMs;
    if (said || !m_context.log || !carriesWait || nowMs - m_failedAtMs >= RetryAfterLookupMs)
        m_retryAfterPending = false;
}

void WebEngineLoad::stop() {
    m_settling.end();
    setDeadline();
    m_unusable = m_stopped = true;
    m_page->stop();
}

// The navigation replaced the document, and the document's renderer answers: a page whose script never
// ends has not answered, whatever it had shown.
bool WebEngineLoad::committed() {
    if (!replacedDocument())
        return false;
    setDeadline();
    try {
        return m_reader
            .evaluate(pageReadCall("readByThisLoad", {m_number}), WebEngineBrowser::ProbeTimeLimitMs)
            .toBool();
    } catch (const Failure&) {
        return false;
    }
}

QString WebEngineLoad::outerHtml() {
    return read(QStringLiteral("markup"), QStringLiteral("The document has no root element"));
}

QString WebEngineLoad::bodyInnerText() {
    return read(QStringLiteral("text"), QStringLiteral("Object required: the document has no body"));
}

int WebEngineLoad::takeBlockedRequests() {
    return m_context.policy.takeBlockedFor(m_page->url());
}

bool WebEngineLoad::replacedDocument() const {
    return historyOf(m_page) != m_before;
}

qint64 WebEngineLoad::rendererPid() const {
    return m_gone ? 0 : m_page->renderProcessPid();
}

void WebEngineLoad::end(const QString& reason) {
    if (m_loadError.isEmpty())
        m_loadError = reason;
    m_phase = m_loadError.isEmpty() ? Phase::Loaded : Phase::Failed;
}

void WebEngineLoad::rendererGone(const QString& reason) {
    // A renderer that ended before a reused page answered is the one it had while idle; one stopped for
    // another page's memory served this page unseen. Either way the load starts again, once, on a new page.
    const bool idleRendererEnded = m_answered && !*m_answered;
    if (!m_gone && !m_restarted && (idleRendererEnded || m_context.stoppedForMemory.contains(m_lastPid))) {
        m_restarted = true;
        restartOnNewPage();
        return;
    }
    m_unusable = m_gone = true;
    m_settling.end();
    if (m_reader.hasWholeText())
        return; // read already: what it showed is in hand
    end(reason);
}

void WebEngineLoad::stopForMemory(const QString& reason) {
    rendererGone(reason);
}

// Once a load has been stopped, or asked whether it answers after its time limit, whatever it still does
// ends by one deadline: the time a renderer gets to answer, from then.
void WebEngineLoad::setDeadline() {
    if (m_deadline < 0)
        m_deadline = m_context.clock.elapsedMs() + WebEngineBrowser::ProbeTimeLimitMs;
}

qint64 WebEngineLoad::answerBy(qint64 leastMs) const {
    const qint64 now = m_context.clock.elapsedMs();
    return m_deadline >= 0 ? m_deadline : now + std::max(leastMs, m_started + m_timeLimitMs - now);
}

// Reads `what` (markup or text) of this load's own document with CR LF line breaks, and marks the document
// as this load's. A page that navigates on its own (a refresh, a reload on load) may be between two of its
// own documents: it is stopped where it is, and the document it shows then gets until the deadline to have
// its root and body.
QString WebEngineLoad::read(const QString& what, const QString& missing) {
    for (;;) {
        try {
            return m_reader.read(what, missing, replacedDocument());
        } catch (const Failure&) {
            if (m_loading && !m_stopped)
                stop();
            if (!m_stopped || m_gone || m_context.clock.elapsedMs() + 50 >= m_deadline)
                throw;
        }
        const qint64 until = m_context.clock.elapsedMs() + 50;
        while (m_context.clock.elapsedMs() < until)
            m_context.pump.waitForEvents(5);
    }
}
