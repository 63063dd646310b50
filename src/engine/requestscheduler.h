#pragma once

#include "platform/browser.h"

#include <QHash>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class MainState;
class ScheduledLoad;

// The request side of a run, between its queue and the engine. A load that fails for a reason that may
// pass is tried again, up to the run's retries, after the wait its server asked for (Retry-After, at most a
// minute) or else 1 s, 2 s, 4 s..., and holds no page while it waits: the pages after it go on loading, and
// the run, which reads entries in list order, simply finds it not finished yet. A host that answered 429 or
// 503 with a wait gets it: no new page of that host starts before then. No more pages of one host load at
// once than the per-host limit. Who asks (user agent, headers, cookies) is given to the engine before the
// first page of a run, and again whenever the options change.
class RequestScheduler : public Browser {
public:
    // `jitter` gives numbers from 0 to 1 for the waits the server did not set; random unless given.
    RequestScheduler(Browser& engine, Clock& clock, const MainState& state,
                     std::function<double()> jitter = {});
    ~RequestScheduler() override;

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) override;
    void loadAhead(const QStringList& entries, qint64 timeLimitMs) override;
    void setSettleLimit(qint64 ms) override { m_engine.setSettleLimit(ms); }
    int entriesAhead(int pagesAtOnce) const override { return 2 * pagesAtOnce; }
    void setIdentity(const Requests::Identity& identity) override { m_engine.setIdentity(identity); }

    // Notices tries that failed and starts what may start now. Every wait of the run comes through here.
    void schedule();

private:
    friend class ScheduledLoad;
    int loadingOf(const QString& host) const;

    Browser& m_engine;
    Clock& m_clock;
    const MainState& m_state;
    std::function<double()> m_jitter;
    std::vector<ScheduledLoad*> m_loads; // alive: handed to the run, or ahead of it
    std::vector<std::pair<QString, std::unique_ptr<ScheduledLoad>>> m_ahead; // in the order named
    QHash<QString, qint64> m_hostFreeAt;                                     // by the clock
    bool m_scheduling = false;
};
