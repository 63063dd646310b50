#include "engine/requestscheduler.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "platform/clock.h"

#include <QRandomGenerator>

// One entry's load through all its tries. Between tries it holds no page of the engine.
//
//   Waiting ──start──▶ Loading ──ended──▶ Done
//      ▲                  │  ▲               (loaded, failed for good, or no retries left)
//      │                  │  └───────────── Judging (a failure that may pass, its Retry-After not read yet)
//      │                  ▼                    │
//      └──────────── WaitingToRetry ◀──────────┘
//   Refused: the engine would not load the entry at all.
class ScheduledLoad : public PageLoad {
public:
    enum class Phase { Waiting, Loading, Judging, WaitingToRetry, Done, Refused };

    ScheduledLoad(SchedulingContext& context, const QString& entry, qint64 timeLimitMs)
        : m_context(context), m_entry(entry), m_host(Requests::hostOf(entry)), m_timeLimitMs(timeLimitMs) {
        m_context.loads.push_back(this);
    }
    ~ScheduledLoad() override { std::erase(m_context.loads, this); }

    int readyState() const override {
        switch (m_phase) {
        case Phase::Done:
        case Phase::Refused:
            return Browser::ReadyStateComplete;
        case Phase::Loading:
        case Phase::Judging:
            // A try that has ended counts once the scheduler has judged it.
            return std::min(m_try->readyState(), 3);
        case Phase::Waiting:
        case Phase::WaitingToRetry:
            break;
        }
        return 1;
    }
    LoadOutcome outcome() const override {
        if (m_phase == Phase::Refused)
            return {m_refused};
        if (m_phase != Phase::Done)
            return {};
        LoadOutcome outcome = m_try->outcome();
        if (!outcome.error.isEmpty() && m_tries >= 2)
            outcome.error += QStringLiteral(" (%1 tries)").arg(m_tries);
        return outcome;
    }
    bool committed() override { return m_try && m_try->committed(); }
    // A load waiting for its turn or its retry is not late: the time limit counts each try from its start.
    qint64 startedAtMs() const override {
        if (!m_try)
            return m_context.clock.elapsedMs();
        return m_try->startedAtMs() >= 0 ? m_try->startedAtMs() : m_startedAt;
    }
    void stop() override {
        if (m_try)
            m_try->stop();
    }
    QString outerHtml() override { return current().outerHtml(); }
    QString bodyInnerText() override { return current().bodyInnerText(); }
    QString readAtSettleLimit() const override { return m_try ? m_try->readAtSettleLimit() : QString(); }
    int tries() const override { return m_tries; }
    int takeBlockedRequests() override { return m_try ? m_try->takeBlockedRequests() : 0; }

    Phase phase() const { return m_phase; }
    const QString& host() const { return m_host; }
    bool holdsPage() const { return m_try != nullptr; }
    bool urgent() const { return m_urgent; }
    void makeUrgent() { m_urgent = true; }
    const QString& refusal() const { return m_refused; }

    void start(qint64 now) {
        ++m_tries;
        m_startedAt = now;
        try {
            m_try = m_context.engine.navigate(m_entry, m_timeLimitMs);
            m_phase = Phase::Loading;
        } catch (const Failure& failure) {
            m_refused = failure.description();
            m_phase = Phase::Refused;
        }
    }

    // A try that ended with a failure that may pass gives its page back and waits for the next one.
    void judge(qint64 now) {
        if (m_phase == Phase::Loading && m_try->readyState() == Browser::ReadyStateComplete)
            m_phase = Phase::Judging;
        if (m_phase != Phase::Judging)
            return;
        const LoadOutcome outcome = m_try->outcome();
        if (outcome.error.isEmpty() || !outcome.mayPass || m_tries > m_context.state.network().retries) {
            m_phase = Phase::Done;
            return;
        }
        if (outcome.retryAfterPending)
            return; // decided at a later advance, once the engine has read the answer's headers
        const std::optional<qint64> asked = outcome.retryAfterMs;
        const qint64 wait = asked ? std::min(*asked, Requests::MaxRetryWaitMs)
                                  : Requests::backoffMs(m_tries, m_context.jitter());
        if (asked && (outcome.httpStatus == 429 || outcome.httpStatus == 503) && !m_host.isEmpty()) {
            qint64& freeAt = m_context.hostFreeAt[m_host];
            freeAt = std::max(freeAt, now + wait);
        }
        m_notBefore = now + wait;
        m_try.reset();
        m_phase = Phase::WaitingToRetry;
    }

    bool mayStart(qint64 now, int pagesHeld, int loadingOfHost) const {
        if ((m_phase != Phase::Waiting && m_phase != Phase::WaitingToRetry) || now < m_notBefore ||
            now < m_context.hostFreeAt.value(m_host, 0))
            return false;
        const int perHost = m_context.state.network().perHost;
        if (perHost > 0 && !m_host.isEmpty() && loadingOfHost >= perHost)
            return false;
        // The load the run waits for may always start: the pages ahead of it are read only after it.
        return m_urgent || pagesHeld < m_context.state.pagesAtOnce();
    }

private:
    PageLoad& current() const {
        if (!m_try)
            throw Failure(QStringLiteral("the page has not been loaded"));
        return *m_try;
    }

    SchedulingContext& m_context;
    const QString m_entry;
    const QString m_host;
    const qint64 m_timeLimitMs;
    Phase m_phase = Phase::Waiting;
    std::unique_ptr<PageLoad> m_try; // the current try; none while waiting for a turn or a retry
    QString m_refused;
    int m_tries = 0;
    qint64 m_startedAt = 0;
    qint64 m_notBefore = 0;
    bool m_urgent = false; // the run waits for it
};

RequestScheduler::RequestScheduler(Browser& engine, Clock& clock, const MainState& state,
                                   std::function<double()> jitter)
    : m_context{engine, clock, state, std::move(jitter), {}, {}} {
    if (!m_context.jitter)
        m_context.jitter = [] { return QRandomGenerator::global()->generateDouble(); };
}

RequestScheduler::~RequestScheduler() {
    m_ahead.clear();
}

void RequestScheduler::advance(qint64 nowMs) {
    if (m_advancing)
        return;
    m_advancing = true;
    m_context.engine.advance(nowMs);
    int held = 0;
    QHash<QString, int> loadingOf; // tries under way, by host
    for (ScheduledLoad* load : m_context.loads) {
        load->judge(nowMs);
        held += load->holdsPage() ? 1 : 0;
        if (load->phase() == ScheduledLoad::Phase::Loading)
            ++loadingOf[load->host()];
    }
    const auto tryStart = [&](ScheduledLoad* load) {
        if (!load->mayStart(nowMs, held, loadingOf.value(load->host())))
            return;
        load->start(nowMs);
        if (load->holdsPage()) {
            ++held;
            ++loadingOf[load->host()];
        }
    };
    for (ScheduledLoad* load : m_context.loads)
        if (load->urgent())
            tryStart(load);
    for (const auto& [entry, load] : m_ahead)
        tryStart(load.get());
    m_advancing = false;
}

std::unique_ptr<PageLoad> RequestScheduler::navigate(const QString& entry, qint64 timeLimitMs) {
    std::unique_ptr<ScheduledLoad> load;
    const auto ahead =
        std::find_if(m_ahead.begin(), m_ahead.end(), [&](const auto& a) { return a.first == entry; });
    if (ahead != m_ahead.end()) {
        load = std::move(ahead->second);
        m_ahead.erase(ahead);
    } else {
        load = std::make_unique<ScheduledLoad>(m_context, entry, timeLimitMs);
    }
    load->makeUrgent();
    advance(m_context.clock.elapsedMs());
    if (load->phase() == ScheduledLoad::Phase::Refused)
        throw Failure(load->refusal());
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
            kept.emplace_back(entry, std::make_unique<ScheduledLoad>(m_context, entry, timeLimitMs));
        }
    }
    m_ahead = std::move(kept); // the loads no longer named are dropped here
    advance(m_context.clock.elapsedMs());
}
