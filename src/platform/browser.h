#pragma once

#include "base/requests.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// How a navigation ended, as far as the request side needs to know to try it again.
struct LoadOutcome {
    QString error; // why it could not be loaded, in plain words; empty while loading or when it loaded
    bool mayPass =
        false;          // the reason may pass (a server busy or failing for a moment, a connection cut short)
    int httpStatus = 0; // for a failure the server answered with a status
    std::optional<qint64> retryAfterMs; // the wait the answer asked for before the next try (Retry-After)
    bool retryAfterPending = false;     // the answer's headers have not been read yet: ask at a later advance
    bool operator==(const LoadOutcome&) const = default;
};

// One navigation of the browser engine, owned by the retrieval that started it. Everything it reports and
// reads belongs to this navigation's own document, never to a document another navigation loaded. Its
// status questions change nothing: a load moves on only in its browser's advance() and in the events the
// run's waits handle.
class PageLoad {
public:
    virtual ~PageLoad() = default;
    // 4 once the navigation has finished (loaded or failed); anything else means still loading.
    virtual int readyState() const = 0;
    // How the navigation ended; an empty error while it loads or once it has loaded.
    virtual LoadOutcome outcome() const = 0;
    QString loadError() const { return outcome().error; }
    // Whether this navigation's document has replaced the one shown before it. Asked only of a navigation
    // that has not finished; throws Failure when the page does not answer.
    virtual bool committed() = 0;
    // When the load began, by the clock the retrieval waits with; -1 when unknown (then the wait counts
    // from the retrieval's own start).
    virtual qint64 startedAtMs() const { return -1; }
    // Stops a navigation that has not finished, keeping the document as far as it has loaded: a page that
    // reloads itself or never ends is read as it stands.
    virtual void stop() = 0;
    // The document element's outer HTML with CR LF line breaks. Throws Failure when it cannot be read.
    virtual QString outerHtml() = 0;
    // The body's rendered text with CR LF line breaks. Throws Failure without a body.
    virtual QString bodyInnerText() = 0;
    // For a load that counted as loaded at the settle limit with work still under way: what it waited for
    // ("2 requests, frames"); empty otherwise.
    virtual QString readAtSettleLimit() const { return {}; }
    // How many loads this one took (a load tried again counts each try).
    virtual int tries() const { return 1; }
    // Requests of the page that were not made because they go to ad and tracker hosts, since last asked.
    virtual int takeBlockedRequests() { return 0; }
};

// The embedded browser engine, reduced to what page retrieval needs.
class Browser {
public:
    static constexpr int ReadyStateComplete = 4;

    virtual ~Browser() = default;
    // Starts loading the entry on a page that no other navigation uses until the returned load is dropped.
    // `timeLimitMs` is what the whole retrieval may take; reads of a page that does not answer end with it.
    // Throws Failure when the entry is not an address the engine may load.
    virtual std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) = 0;
    // Moves every load on by the clock at `nowMs`: the one place where loads start, are tried again, are
    // given up or are asked whether they have settled. The run calls it on every turn of its wait; it never
    // handles events itself.
    virtual void advance(qint64 nowMs) { Q_UNUSED(nowMs); }
    // The entries a run will ask for next, in order: their loads may start now, each on a page of its own,
    // so that the waits for the network overlap. navigate() then hands over the load started for its
    // entry; loads of entries no longer named are dropped. An empty list drops them all.
    virtual void loadAhead(const QStringList& entries, qint64 timeLimitMs) {
        Q_UNUSED(entries);
        Q_UNUSED(timeLimitMs);
    }
    // How long a page whose document is complete may go on settling (its own requests and timers done, its
    // document still) before it counts as loaded; 0: loaded the moment the document is complete. For the
    // loads started from now on.
    virtual void setSettleLimit(qint64 ms) { Q_UNUSED(ms); }
    // How many views a settled page taller than its view is scrolled on by, one at a time and settling after
    // each, so that what comes into view as a person scrolls comes; 0 never scrolls. For the loads started
    // from now on.
    virtual void setScrollLimit(int views) { Q_UNUSED(views); }
    // How many of the next entries a run names to loadAhead when `pagesAtOnce` pages may load at once. A
    // browser that keeps pages waiting for a retry off their place looks further ahead.
    virtual int entriesAhead(int pagesAtOnce) const { return pagesAtOnce; }
    // Who asks for the pages loaded from now on: user agent, language, headers for each source's own origin,
    // cookies. Throws Failure when the engine cannot take them.
    virtual void setIdentity(const Requests::Identity& identity) { Q_UNUSED(identity); }
    // Whether the pages loaded from now on make requests to ad and tracker hosts (see BlockRules): not while
    // blocking is on, where the browser has rules.
    virtual void setBlocking(bool on) { Q_UNUSED(on); }
};
