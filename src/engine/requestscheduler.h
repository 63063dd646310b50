#pragma once

#include "platform/browser.h"

#include <QHash>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class MainState;
class ScheduledLoad;

// What the loads of one scheduler share, owned by the scheduler.
struct SchedulingContext {
    Browser& engine;
    Clock& clock; // for the loads the run asks for and names between two advances
    const MainState& state;
    std::function<double()> jitter;
    std::vector<ScheduledLoad*> loads; // alive: handed to the run, or ahead of it
    QHash<QString, qint64> hostFreeAt; // by the run's clock
};

// The request side of a run, between its queue and the engine, and the run's only look-ahead. A load that
// fails for a reason that may pass is tried again, up to the run's retries, after the wait its server asked
// for (Retry-After, at most a minute) or else 1 s, 2 s, 4 s..., and holds no page while it waits: the pages
// after it go on loading, and the run, which reads entries in list order, simply finds it not finished yet.
// A host that answered 429 or 503 with a wait gets it: no new page of that host starts before then. No more
// pages of one host load at once than the per-host limit. Who asks (user agent, headers, cookies) is given
// to the engine before the first page of a run, and again whenever the options change.
//
// Nothing moves but in advance(): the loads' status questions only read. The loads it walks are its own,
// and advance() handles no events, so none of them can go while it walks them.
class RequestScheduler : public Browser {
public:
    // `jitter` gives numbers from 0 to 1 for the waits the server did not set; random unless given.
    RequestScheduler(Browser& engine, Clock& clock, const MainState& state,
                     std::function<double()> jitter = {});
    ~RequestScheduler() override;

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) override;
    // Advances the engine, then judges the tries that ended, and starts what may start now: the loads the
    // run waits for first, then the ones ahead in list order.
    void advance(qint64 nowMs) override;
    void loadAhead(const QStringList& entries, qint64 timeLimitMs) override;
    void setSettleLimit(qint64 ms) override { m_context.engine.setSettleLimit(ms); }
    void setScrollLimit(int views) override { m_context.engine.setScrollLimit(views); }
    int entriesAhead(int pagesAtOnce) const override { return 2 * pagesAtOnce; }
    void setIdentity(const Requests::Identity& identity) override { m_context.engine.setIdentity(identity); }
    void setBlocking(bool on) override { m_context.engine.setBlocking(on); }

    // Loads alive: handed to the run, or ahead of it.
    int liveLoads() const { return int(m_context.loads.size()); }

private:
    SchedulingContext m_context;
    std::vector<std::pair<QString, std::unique_ptr<ScheduledLoad>>> m_ahead; // in the order named
    bool m_advancing = false;
};
