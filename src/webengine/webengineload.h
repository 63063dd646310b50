#pragma once

#include "platform/browser.h"
#include "webengine/pagereader.h"
#include "webengine/pagesettling.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class EnginePage;
class EventPump;
class NetworkLog;
class PageHost;
class PagePolicy;
class PagePool;
class WebEngineLoad;

// What the loads of one browser share, owned by the browser.
struct LoadContext {
    EventPump& pump;
    Clock& clock;
    PageHost& host;
    PagePool& pool;
    PagePolicy& policy;
    const NetworkLog* log = nullptr;     // the engine's network log, where the program reads one
    std::function<void(qint64)> advance; // the browser's own advance(), for the waits inside a load
    std::vector<WebEngineLoad*> live;    // every load not yet dropped
    QSet<qint64> stoppedForMemory;       // renderers the browser stopped
    QString lastRead; // what the last read asked for: pages loaded ahead are read so when they have loaded
};

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

// What one load may take: its whole time, the time its page may settle once its document is complete (0:
// none), and how many views a page taller than its view is scrolled on by (0: never scrolled).
struct LoadLimits {
    qint64 timeMs = 0;
    qint64 settleMs = 0;
    int scrollViews = 0;
};

// One navigation on one page of the browser's pool. The page's history when the navigation starts tells a
// navigation that never replaced the document (the page still shows the previous load's document, or
// nothing) from one that did; a document once read carries the number of the load that read it, so that a
// previous document that changed its history entry on its own is not taken for a new one.
//
// Everything a load does once it is stopped or past its time limit (asking whether the page answers,
// reading what it shows) ends by one deadline: the time a renderer gets to answer, from then.
//
//   Navigating ──document complete──▶ Settling ──settled, or the settle limit──▶ Loaded
//       │  (settle limit 0: Loaded at once)  │ ⟲ settled, and scrolling may bring more: scrolled on
//       │                                    │   by a view, with the settle limit anew
//       └──failed, download, renderer ended──┴──────────────────────────────────▶ Failed
//
// The page's events (its loading, its renderer, its answers) and advance() move it; nothing else does.
class WebEngineLoad : public QObject, public PageLoad {
public:
    enum class Phase { Navigating, Settling, Loaded, Failed };

    // A page from the pool (`reused`) may have started a script that never ends since it came back: it is
    // asked to answer as the load starts, and one that has not answered a moment later is replaced by a
    // new page, on which the load starts again.
    WebEngineLoad(LoadContext& context, EnginePage* page, bool reused, const QUrl& url, quint64 number,
                  const LoadLimits& limits);
    ~WebEngineLoad() override;

    Phase phase() const { return m_phase; }
    int readyState() const override;
    LoadOutcome outcome() const override;
    bool committed() override;
    qint64 startedAtMs() const override { return m_started; }
    void stop() override;
    QString readAtSettleLimit() const override;
    QString outerHtml() override;
    QString bodyInnerText() override;
    int takeBlockedRequests() override;

    // Moves the load on by the clock: a reused page that did not answer is replaced, a settling page is
    // asked whether it has settled (every PageSettling::AskMs) or read at its limit, and the Retry-After of a
    // failed answer is looked up in the network log until it is found or its time is up.
    void advance(qint64 nowMs);

    // This page's renderer process; 0 when it has none (any more).
    qint64 rendererPid() const;
    // Ends the load for the memory its renderer takes; the caller stops the renderer. A load whose text was
    // read in full before keeps it.
    void stopForMemory(const QString& reason);

private:
    // Whether this load's navigation may follow a redirect to `target`. One that would take the user's
    // headers, which the source carried, to another origin is not: the navigation stops there, and the
    // load goes on to `target` anew, without them.
    bool followsRedirect(const QUrl& target);
    bool ended() const { return m_phase == Phase::Loaded || m_phase == Phase::Failed; }
    void start(EnginePage* page, bool reused);
    void restartOnNewPage();
    // Ends the load: failed for `reason`, or for the reason it already had, else loaded.
    void end(const QString& reason = {});
    void lookUpRetryAfter(qint64 nowMs);
    void rendererGone(const QString& reason);
    QString read(const QString& what, const QString& missing);
    bool replacedDocument() const;
    void setDeadline();
    PageSettling::Question settleQuestion(qint64 withinMs, const QVariant& scroll) const;
    void settled(std::shared_ptr<PageAnswer> read);
    // Until when an answer of the page is awaited: the load's deadline when it has one, else what is left of
    // its time limit, and never less than `leastMs`.
    qint64 answerBy(qint64 leastMs) const;

    LoadContext& m_context;
    const QUrl m_url;
    EnginePage* m_page = nullptr;
    const quint64 m_number;
    qint64 m_started = 0;
    const qint64 m_timeLimitMs;
    const qint64 m_settleMs;
    PageReader m_reader;
    PageSettling m_settling;
    qint64 m_deadline = -1;
    HistoryMark m_before;
    std::shared_ptr<bool> m_answered; // a reused page's answer to being asked as the load started
    QMetaObject::Connection m_download;
    Phase m_phase = Phase::Navigating;
    bool m_navigationStarted = false;
    bool m_loading = false;
    bool m_unusable = false;
    bool m_stopped = false;   // by this load, at the time limit
    bool m_gone = false;      // the renderer has ended
    bool m_reused = false;    // the page served an earlier load
    bool m_restarted = false; // on a new page, once
    qint64 m_lastPid = 0;     // the renderer last known to serve the page
    QString m_loadError;
    bool m_mayPass = false;             // the failure may pass if the page is tried again
    int m_httpStatus = 0;               // of a failure the server answered
    QUrl m_failedAt;                    // the address that answered so
    quint64 m_logMark = 0;              // how far the engine's network log had been read as the load started
    qint64 m_failedAtMs = 0;            // when the failure came, by the clock
    std::optional<qint64> m_retryAfter; // what the answer asked for
    bool m_retryAfterPending = false;   // not read from the network log yet
    QUrl m_heldBackAt;                  // where a redirect was held back, to be loaded anew
    int m_redirectsHeldBack = 0;
};
