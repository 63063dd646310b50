#include "platform/qt/webengineload.h"

#include "engine/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/qt/enginepage.h"
#include "platform/qt/pagepool.h"
#include "platform/qt/renderermemory.h"
#include "platform/qt/webenginebrowser.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <csignal>

namespace {

// A page settling is asked this often whether it has, and counts as loaded this long before its time limit
// at the latest.
constexpr int SettleAskMs = 25;
constexpr qint64 SettleMarginMs = 250;
// How long a page waiting for reuse may take to show that its renderer is not stuck in a script.
constexpr qint64 IdlePageAnswerMs = 250;
// Text comes over in slices of this many characters, so that a large document is never copied whole
// between the engine's processes at once.
constexpr int SliceLength = 4 << 20;

QString httpReason(int status) {
    switch (status) {
    case 400:
        return QStringLiteral("Bad Request");
    case 401:
        return QStringLiteral("Unauthorized");
    case 403:
        return QStringLiteral("Forbidden");
    case 404:
        return QStringLiteral("Not Found");
    case 405:
        return QStringLiteral("Method Not Allowed");
    case 408:
        return QStringLiteral("Request Timeout");
    case 410:
        return QStringLiteral("Gone");
    case 429:
        return QStringLiteral("Too Many Requests");
    case 500:
        return QStringLiteral("Internal Server Error");
    case 501:
        return QStringLiteral("Not Implemented");
    case 502:
        return QStringLiteral("Bad Gateway");
    case 503:
        return QStringLiteral("Service Unavailable");
    case 504:
        return QStringLiteral("Gateway Timeout");
    default:
        return {};
    }
}

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info) {
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

QString terminationReason(int status, int exitCode) {
    switch (status) {
    case EnginePage::CrashedTermination:
        // The engine's views call a renderer ended by SIGKILL (the kernel's out-of-memory killer's signal) a
        // crash with the signal's number for exit code.
        if (exitCode == SIGKILL)
            return QStringLiteral("the page's renderer was killed (signal or out of memory)");
        return QStringLiteral("the page's renderer crashed (exit code %1)").arg(exitCode);
    case EnginePage::KilledTermination:
        return QStringLiteral("the page's renderer was killed (signal or out of memory)");
    case EnginePage::AbnormalTermination:
        return QStringLiteral("the page's renderer ended abnormally (exit code %1)").arg(exitCode);
    default:
        return QStringLiteral("the page's renderer ended");
    }
}

HistoryMark historyOf(EnginePage* page) {
    QWebEngineHistory* history = page->history();
    const QWebEngineHistoryItem item = history->currentItem();
    return {history->count(), history->currentItemIndex(), item.isValid() ? item.lastVisited() : QDateTime(),
            item.isValid() ? item.url() : QUrl()};
}

} // namespace

WebEngineLoad::WebEngineLoad(WebEngineBrowser& browser, EnginePage* page, bool reused, const QUrl& url,
                             quint64 number, qint64 timeLimitMs, qint64 settleMs)
    : m_browser(browser), m_url(url), m_number(number), m_timeLimitMs(timeLimitMs), m_settleMs(settleMs) {
    m_browser.m_live.push_back(this);
    m_download = connect(&browser, &WebEngineBrowser::downloadRequested, this,
                         [this](const QObject* view, const QUrl& url) {
                             // Another page's, or a late one of an earlier load of this page.
                             if (view != m_page->view() || url != m_url)
                                 return;
                             // More telling than the stopped load that may have come first.
                             m_readyState = Browser::ReadyStateComplete;
                             m_loadError = QStringLiteral("the address is a file to download, not a page");
                         });
    start(page, reused);
}

WebEngineLoad::~WebEngineLoad() {
    // Nothing of the page may reach a load that is gone.
    disconnect(m_download);
    disconnect(m_page, nullptr, this, nullptr);
    std::erase(m_browser.m_live, this);
    // A large document is not kept for reuse: its renderer's memory goes with it.
    const qint64 pid = rendererPid();
    const bool small =
        pid <= 0 || RendererMemoryGuard::residentMegabytes(pid) <= WebEngineBrowser::ReusableRendererMb;
    // A page whose navigation has ended may serve the next load (which first makes sure its renderer
    // answers), whether its document was read or the load failed: no error page follows a failure. One that
    // was stopped, still navigates, or loaded a document nobody read (a load ahead that was dropped) goes.
    const bool ended = m_readyState == Browser::ReadyStateComplete && !m_loading;
    const bool reusable = ended && (m_read || !m_loadError.isEmpty()) && !m_unusable && !m_gone && small;
    // Its document stays visible while it waits: it falls quiet, so that nothing it does reaches the next
    // load.
    if (reusable)
        m_page->runJavaScript(QStringLiteral("window.__quarnelQuiet && window.__quarnelQuiet()"),
                              [](const QVariant&) {});
    m_browser.m_pool->giveBack(m_page, reusable);
}

int WebEngineLoad::readyState() {
    if (m_readyState != Browser::ReadyStateComplete && m_answered && !*m_answered &&
        m_browser.m_clock.elapsedMs() - m_started > IdlePageAnswerMs) {
        // The reused page is stuck in a script: it goes, and the load starts again on a new page.
        restartOnNewPage();
        m_browser.m_pool->collect();
    }
    m_browser.watchMemory();
    return m_readyState;
}

void WebEngineLoad::restartOnNewPage() {
    disconnect(m_page, nullptr, this, nullptr);
    m_browser.m_pool->retire(m_page);
    start(m_browser.m_pool->fresh(), false);
}

void WebEngineLoad::start(EnginePage* page, bool reused) {
    m_page = page;
    m_reused = reused;
    m_started = m_browser.m_clock.elapsedMs();
    m_before = historyOf(page);
    m_readyState = 1;
    m_navigationStarted = m_loading = false;
    m_loadError.clear();
    m_answered.reset();
    m_prefetch.reset();
    if (reused) {
        m_answered = std::make_shared<bool>(false);
        page->runJavaScript(QStringLiteral("1"),
                            [answered = m_answered](const QVariant&) { *answered = true; });
    }
    connect(page, &EnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_loading = true;
            m_navigationStarted = true;
            return;
        }
        if (!m_navigationStarted)
            return; // the end of a load that an earlier navigation began
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
        if (m_readyState == Browser::ReadyStateComplete || m_stopped)
            return; // the page navigates on its own after this navigation ended, or was stopped here
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && m_settleMs > 0 &&
            replacedDocument()) {
            startSettling();
            return;
        }
        m_readyState = Browser::ReadyStateComplete;
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
            fail(failureReason(info));
        else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus && !replacedDocument())
            fail(QStringLiteral("loading stopped before a page was shown (not a page, or a download)"));
        else if (!m_browser.m_lastRead.isEmpty() && replacedDocument())
            prefetch(m_browser.m_lastRead);
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

// The document is complete; what its scripts still do may write more of it. It counts as loaded once the
// page says it has settled, or when the settle limit has passed (a page that polls or ticks for ever),
// whichever comes first, and always a moment before the page's own time limit.
void WebEngineLoad::startSettling() {
    const qint64 now = m_browser.m_clock.elapsedMs();
    m_settleUntil = std::min(now + m_settleMs, m_started + m_timeLimitMs - SettleMarginMs);
    m_readyState = 3;
    if (!m_settleTimer) {
        m_settleTimer = new QTimer(this);
        m_settleTimer->setInterval(SettleAskMs);
        connect(m_settleTimer, &QTimer::timeout, this, &WebEngineLoad::askSettled);
    }
    m_settleTimer->start();
    askSettled();
}

void WebEngineLoad::askSettled() {
    if (m_readyState == Browser::ReadyStateComplete)
        return m_settleTimer->stop();
    const qint64 now = m_browser.m_clock.elapsedMs();
    if (now >= m_settleUntil)
        return settled();
    if (m_asking)
        return; // one question at a time; a page too busy to answer waits for the limit
    m_asking = true;
    const quint64 asked = ++m_settleAsks;
    const qint64 within = m_settleUntil - now;
    // When the run has read a page before, the question comes with that read: a page that has settled
    // answers with its text at once, which costs no more than a page read at completion.
    const QString expression = replacedDocument() ? m_browser.m_lastRead : QString();
    const QString script = expression.isEmpty()
                               ? QStringLiteral("!window.__quarnelSettled || window.__quarnelSettled(%1) ||"
                                                " {unsettled: true, frames: window.__quarnelWantsFrames()}")
                                     .arg(within)
                               : headScript(expression, within);
    m_page->runJavaScript(script,
                          [self = QPointer<WebEngineLoad>(this), asked, expression](const QVariant& answer) {
                              if (!self || asked != self->m_settleAsks)
                                  return;
                              self->m_asking = false;
                              const QVariantMap head = answer.toMap();
                              if (head.value(QStringLiteral("unsettled")).toBool())
                                  return self->draw(head.value(QStringLiteral("frames")).toBool());
                              if (expression.isEmpty())
                                  return self->settled();
                              if (head.isEmpty())
                                  return; // no answer: asked again, until the limit
                              auto read = std::make_shared<Answer>();
                              read->done = true;
                              read->value = answer;
                              read->expression = expression;
                              self->settled(std::move(read));
                          });
}

// A settling page is drawn, off screen, while it waits for an animation frame, and only then: drawing is
// what makes frames come, and a page with nothing to draw costs nothing.
void WebEngineLoad::draw(bool frames) {
    if (std::exchange(m_shown, frames) != frames)
        m_page->setShown(frames);
}

void WebEngineLoad::settled(std::shared_ptr<Answer> read) {
    if (m_readyState == Browser::ReadyStateComplete)
        return;
    m_settleTimer->stop();
    if (std::exchange(m_shown, false))
        m_page->setShown(false);
    m_readyState = Browser::ReadyStateComplete;
    if (read)
        m_prefetch = std::move(read);
    else if (!m_browser.m_lastRead.isEmpty() && replacedDocument())
        prefetch(m_browser.m_lastRead);
}

void WebEngineLoad::stop() {
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
        return evaluate(QStringLiteral("window.__quarnelRead === undefined || window.__quarnelRead === %1")
                            .arg(m_number),
                        WebEngineBrowser::ProbeTimeLimitMs)
            .toBool();
    } catch (const Failure&) {
        return false;
    }
}

QString WebEngineLoad::outerHtml() {
    return read(QStringLiteral("document.documentElement ? document.documentElement.outerHTML : null"),
                QStringLiteral("The document has no root element"));
}

QString WebEngineLoad::bodyInnerText() {
    return read(QStringLiteral("document.body ? document.body.innerText : null"),
                QStringLiteral("Object required: the document has no body"));
}

qint64 WebEngineLoad::rendererPid() const {
    return m_gone ? 0 : m_page->renderProcessPid();
}

void WebEngineLoad::fail(const QString& reason) {
    if (m_loadError.isEmpty())
        m_loadError = reason;
}

bool WebEngineLoad::hasWholeText() const {
    return m_prefetch && m_prefetch->done && m_prefetch->value.toMap().contains(QStringLiteral("text"));
}

void WebEngineLoad::rendererGone(const QString& reason) {
    // A renderer that ended before a reused page answered is the one it had while idle; one stopped for
    // another page's memory served this page unseen. Either way the load starts again, once, on a new page.
    const bool idleRendererEnded = m_answered && !*m_answered;
    if (!m_gone && !m_restarted && (idleRendererEnded || m_browser.m_stoppedForMemory.contains(m_lastPid))) {
        m_restarted = true;
        restartOnNewPage();
        return;
    }
    m_unusable = m_gone = true;
    if (hasWholeText())
        return; // read already: what it showed is in hand
    m_readyState = Browser::ReadyStateComplete;
    fail(reason);
}

void WebEngineLoad::stopForMemory(const QString& reason) {
    rendererGone(reason);
}

// Once a load has been stopped, or asked whether it answers after its time limit, whatever it still does
// ends by one deadline: the time a renderer gets to answer, from then.
void WebEngineLoad::setDeadline() {
    if (m_deadline < 0)
        m_deadline = m_browser.m_clock.elapsedMs() + WebEngineBrowser::ProbeTimeLimitMs;
}

// Evaluates `expression` in this load's own document with CR LF line breaks, and marks the document as this
// load's.
QString WebEngineLoad::read(const QString& expression, const QString& missing) {
    // A page that navigates on its own (a refresh, a reload on load) may be between two of its own
    // documents: it is stopped where it is, and the document it shows then gets until the deadline to have
    // its root and body.
    for (;;) {
        try {
            return readOnce(expression, missing);
        } catch (const Failure&) {
            if (m_loading && !m_stopped)
                stop();
            if (!m_stopped || m_gone || m_browser.m_clock.elapsedMs() + 50 >= m_deadline)
                throw;
        }
        const qint64 until = m_browser.m_clock.elapsedMs() + 50;
        while (m_browser.m_clock.elapsedMs() < until)
            m_browser.m_pump.waitForEvents(5);
    }
}

// The first step of a read: the whole text when it is small, else its length (the text waits in the page
// for its slices). It runs in the page's own script world: whatever a page's scripts do there changes only
// its own text, which they could write anyway, and no second world is set up for every document. The
// document is marked as read by this load, for good: a document that changes its history entry while it
// waits on an idle page (pushState on a timer) is still known as another load's.
QString WebEngineLoad::headScript(const QString& expression, qint64 settleWithinMs) const {
    const QString unsettled =
        settleWithinMs < 0
            ? QString()
            : QStringLiteral(" if (window.__quarnelSettled && !window.__quarnelSettled(%1))"
                             " return {unsettled: true, frames: window.__quarnelWantsFrames()};")
                  .arg(settleWithinMs);
    return QStringLiteral(
               "(function () {%4"
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
        .arg(SliceLength)
        .arg(unsettled);
}

QString WebEngineLoad::readOnce(const QString& expression, const QString& missing) {
    // The read that began when the load finished, if it asked for this; otherwise one now. One that came
    // back whole stays good when the renderer has gone since.
    std::shared_ptr<Answer> pending = std::exchange(m_prefetch, nullptr);
    if (pending && pending->expression == expression && pending->done && m_gone &&
        pending->value.toMap().contains(QStringLiteral("text"))) {
        return pending->value.toMap().value(QStringLiteral("text")).toString();
    }
    if (!replacedDocument())
        throw Failure(QStringLiteral("The page shows no document of its own"));
    if (!pending || pending->expression != expression)
        pending = send(headScript(expression));
    m_browser.m_lastRead = expression;
    const QVariantMap head = await(pending, WebEngineBrowser::ProbeTimeLimitMs).toMap();
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
            evaluate(
                QStringLiteral(
                    "(function () { var t = window.__quarnelText%3; if (typeof t !== 'string') return null;"
                    " var end = Math.min(t.length, %1 + %2);"
                    " if (end < t.length && t.charCodeAt(end - 1) === 13) end--;"
                    " var s = t.substring(%1, end).replace(/\\r?\\n/g, '\\r\\n');"
                    " if (end >= t.length) delete window.__quarnelText%3;"
                    " return {text: s, next: end}; })()")
                    .arg(from)
                    .arg(SliceLength)
                    .arg(m_number),
                WebEngineBrowser::ProbeTimeLimitMs)
                .toMap();
        const qint64 next = slice.value(QStringLiteral("next")).toLongLong();
        if (slice.isEmpty() || next <= from)
            throw Failure(QStringLiteral("The page changed while it was being read"));
        text += slice.value(QStringLiteral("text")).toString();
        from = next;
    }
    return text;
}

bool WebEngineLoad::replacedDocument() const {
    return historyOf(m_page) != m_before;
}

// A page loaded ahead is read the moment it has loaded, in the form the run last asked for, as a page loaded
// on its own turn would be; the run takes the answer when it gets there.
void WebEngineLoad::prefetch(const QString& expression) {
    m_prefetch = send(headScript(expression));
    m_prefetch->expression = expression;
}

std::shared_ptr<WebEngineLoad::Answer> WebEngineLoad::send(const QString& script) {
    auto answer = std::make_shared<Answer>();
    m_page->runJavaScript(script, [answer](const QVariant& value) {
        answer->done = true;
        answer->value = value;
    });
    return answer;
}

// Waits for an answer until the load's deadline when it has one, else for what is left of its time limit
// and never less than `leastMs`.
QVariant WebEngineLoad::await(const std::shared_ptr<Answer>& answer, qint64 leastMs) {
    const qint64 now = m_browser.m_clock.elapsedMs();
    const qint64 until =
        m_deadline >= 0 ? m_deadline : now + std::max(leastMs, m_started + m_timeLimitMs - now);
    while (!answer->done) {
        m_browser.watchMemory();
        if (m_gone)
            throw Failure(m_loadError.isEmpty() ? QStringLiteral("The page's renderer ended") : m_loadError);
        if (m_browser.m_clock.elapsedMs() > until) {
            m_unusable = true; // a page that does not answer is never used again
            throw Failure(QStringLiteral("The page did not answer"));
        }
        m_browser.m_pump.waitForEvents(1);
    }
    return answer->value;
}
