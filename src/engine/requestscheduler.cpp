#include "engine/requestscheduler.h"

#include "engine/failure.h"
#include "engine/mainstate.h"
#include "platform/clock.h"

#include <QRandomGenerator>

// One entry's load through all its tries. Between tries it holds no page of the engine.
class ScheduledLoad : public PageLoad {
public:
    ScheduledLoad(RequestScheduler& scheduler, const QString& entry, qint64 timeLimitMs)
        : m_scheduler(scheduler), m_entry(entry), m_host(Requests::hostOf(entry)),
          m_timeLimitMs(timeLimitMs) {
        m_scheduler.m_loads.push_back(this);
    }
    ~ScheduledLoad() override { std::erase(m_scheduler.m_loads, this); }

    int readyState() override {
        m_scheduler.schedule();
        if (m_try)
            return m_try->readyState();
        return m_refused.isEmpty() ? 1 : Browser::ReadyStateComplete;
    }
    QString loadError() override {
        if (!m_refused.isEmpty())
            return m_refused;
        const QString error = m_try ? m_try->loadError() : QString();
        return error.isEmpty() || m_tries < 2 ? error : error + QStringLiteral(" (%1 tries)").arg(m_tries);
    }
    bool committed() override { return m_try && m_try->committed(); }
    // A load waiting for its turn or its retry is not late: the time limit counts each try from its start.
    qint64 startedAtMs() const override {
        if (!m_try)
            return m_scheduler.m_clock.elapsedMs();
        return m_try->startedAtMs() >= 0 ? m_try->startedAtMs() : m_startedAt;
    }
    void stop() override {
        if (m_try)
            m_try->stop();
    }
    QString outerHtml() override { return current().outerHtml(); }
    QString bodyInnerText() override { return current().bodyInnerText(); }
    QString readAtSettleLimit() const override { return m_try ? m_try->readAtSettleLimit() : QString(); }
    bool failureMayPass() override { return m_try && m_try->failureMayPass(); }
    int httpStatus() override { return m_try ? m_try->httpStatus() : 0; }
    qint64 retryAfterMs() override { return m_try ? m_try->retryAfterMs() : -1; }
    int tries() const override { return m_tries; }

private:
    friend class RequestScheduler;

    PageLoad& current() {
        if (!m_try)
            throw Failure(QStringLiteral("the page has not been loaded"));
        return *m_try;
    }
    bool waiting() const { return !m_try && m_refused.isEmpty(); }
    bool loading() const { return m_try && !m_finished; }

    void start(qint64 now) {
        ++m_tries;
        m_startedAt = now;
        m_finished = false;
        try {
            m_try = m_scheduler.m_engine.navigate(m_entry, m_timeLimitMs);
        } catch (const Failure& failure) {
            m_refused = failure.description();
        }
    }

    // A try that failed for a reason that may pass gives its page back and waits for the next one.
    void poll(qint64 now) {
        if (!m_try || m_finished)
            return;
        if (m_try->readyState() != Browser::ReadyStateComplete)
            return;
        m_finished = true;
        if (m_try->loadError().isEmpty() || !m_try->failureMayPass() ||
            m_tries > m_scheduler.m_state.network().retries)
            return;
        const int status = m_try->httpStatus();
        const qint64 asked = m_try->retryAfterMs();
        const qint64 wait = asked >= 0 ? std::min(asked, Requests::MaxRetryWaitMs)
                                       : Requests::backoffMs(m_tries, m_scheduler.m_jitter());
        if (asked >= 0 && (status == 429 || status == 503) && !m_host.isEmpty()) {
            qint64& freeAt = m_scheduler.m_hostFreeAt[m_host];
            freeAt = std::max(freeAt, now + wait);
        }
        m_notBefore = now + wait;
        m_try.reset();
    }

    bool mayStart(qint64 now, int pagesHeld) const {
        if (!waiting() || now < m_notBefore || now < m_scheduler.m_hostFreeAt.value(m_host, 0))
            return false;
        const int perHost = m_scheduler.m_state.network().perHost;
        if (perHost > 0 && !m_host.isEmpty() && m_scheduler.loadingOf(m_host) >= perHost)
            return false;
        // The load the run waits for may always start: the pages ahead of it are read only after it.
        return m_urgent || pagesHeld < m_scheduler.m_state.pagesAtOnce();
    }

    RequestScheduler& m_scheduler;
    const QString m_entry;
    const QString m_host;
    const qint64 m_timeLimitMs;
    std::unique_ptr<PageLoad> m_try; // the current try; none while waiting for a turn or a retry
    QString m_refused;               // the engine would not load the entry at all
    int m_tries = 0;
    qint64 m_startedAt = 0;
    qint64 m_notBefore = 0;
    bool m_finished = false; // the current try has ended
    bool m_urgent = false;   // the run waits for it
};

RequestScheduler::RequestScheduler(Browser& engine, Clock& clock, const MainState& state,
                                   std::function<double()> jitter)
    : m_engine(engine), m_clock(clock), m_state(state), m_jitter(std::move(jitter)) {
    if (!m_jitter)
        m_jitter = [] { return QRandomGenerator::global()->generateDouble(); };
}

RequestScheduler::~RequestScheduler() {
    m_ahead.clear();
}

int RequestScheduler::loadingOf(const QString& host) const {
    return int(std::count_if(m_loads.cbegin(), m_loads.cend(), [&](const ScheduledLoad* load) {
        return load->loading() && load->m_host == host;
    }));
}

void RequestScheduler::schedule() {
    if (m_scheduling)
        return;
    m_scheduling = true;
    const qint64 now = m_clock.elapsedMs();
    for (ScheduledLoad* load : m_loads)
        load->poll(now);
    int held = int(std::count_if(m_loads.cbegin(), m_loads.cend(),
                                 [](const ScheduledLoad* load) { return load->m_try != nullptr; }));
    // The loads the run waits for first, then the others in list order.
    std::vector<ScheduledLoad*> order;
    for (ScheduledLoad* load : m_loads)
        if (load->m_urgent)
            order.push_back(load);
    for (const auto& [entry, load] : m_ahead)
        order.push_back(load.get());
    for (ScheduledLoad* load : order) {
        if (!load->mayStart(now, held))
            continue;
        load->start(now);
        if (load->m_try)
            ++held;
    }
    m_scheduling = false;
}

std::unique_ptr<PageLoad> RequestScheduler::navigate(const QString& entry, qint64 timeLimitMs) {
    std::unique_ptr<ScheduledLoad> load;
    const auto ahead =
        std::find_if(m_ahead.begin(), m_ahead.end(), [&](const auto& a) { return a.first == entry; });
    if (ahead != m_ahead.end()) {
        load = std::move(ahead->second);
        m_ahead.erase(ahead);
    } else {
        load = std::make_unique<ScheduledLoad>(*this, entry, timeLimitMs);
    }
    load->m_urgent = true;
    schedule();
    if (!load->m_refused.isEmpty())
        throw Failure(load->m_refused);
    return load;
}

void RequestScheduler::loadAhead(const QStringList& entries, qint64 timeLimitMs) {
    std::vector<std::pair<QString, std::unique_ptr<ScheduledLoad>>> kept;
    for (const QString& entry : entries) {
        const auto found =
            std::find_if(m_ahead.begin(), m_ahead.end(), [&](const auto& a) { return a.first == entry; });
        if (found != m_ahead.end()) {
            kept.push_back(std::move(*found));
            m_ahead.erase(found);
        } else {
            kept.emplace_back(entry, std::make_unique<ScheduledLoad>(*this, entry, timeLimitMs));
        }
    }
    m_ahead = std::move(kept); // the loads no longer named are dropped here
    schedule();
}
