// The request side in fake time: the scheduler over a fake engine whose loads take a set time by the clock
// of the advances, and whose first tries may fail as a busy server's do.
#include "engine/mainstate.h"
#include "engine/requestscheduler.h"
#include "fakes/fakebrowser.h"
#include "fakes/fakepump.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class Scheduling : public ::testing::Test {
protected:
    Scheduling() {
        NetworkOptions network;
        network.retries = 2;
        state.setNetwork(network);
        state.setPagesAtOnce(2);
    }

    // Advances to `ms`, a millisecond at a time, as the run's wait does.
    void advanceTo(qint64 ms) {
        while (clock.now < ms) {
            ++clock.now;
            scheduler.advance(clock.now);
        }
    }
    void page(const QString& entry, qint64 loadMs, QList<LoadOutcome> failures = {}) {
        FakeBrowser::Page p{entry, entry};
        p.loadMs = loadMs;
        p.failures = std::move(failures);
        engine.pages[entry] = p;
    }
    static LoadOutcome busy(int status, std::optional<qint64> retryAfterMs = std::nullopt) {
        return {u"busy"_s, true, status, retryAfterMs};
    }
    // The clock's times of the tries of `entry`.
    QList<qint64> startsOf(const QString& entry) const { return starts.value(entry); }

    FakeClock clock;
    FakeBrowser engine;
    MainState state;
    RequestScheduler scheduler{engine, clock, state, [] { return 0.0; }};
    QHash<QString, QList<qint64>> starts;
    void SetUp() override {
        engine.onNavigate = [this](const QString& entry) { starts[entry] << clock.now; };
    }
};

} // namespace

// A try that fails for a reason that may pass is tried again after what the server asked for (at most a
// minute), else after 1 s, 2 s...; a failure that stays (404, a refused port) and the last try are final.
// The time limit counts each try from its own start, and a load waits for its Retry-After only as long as
// the engine takes to read it.
TEST_F(Scheduling, RetriesWaitForTheServerOrBackOffAndEndAtTheLastTry) {
    page(u"a.example/asked"_s, 10, {busy(503, 2000)});
    page(u"b.example/backoff"_s, 10, {busy(500), busy(502), busy(504)});
    page(u"c.example/capped"_s, 10, {busy(429, 120'000)});
    page(u"d.example/missing"_s, 10, {{u"the server answered 404"_s, false, 404}});
    page(u"e.example/pending"_s, 10, {{u"busy"_s, true, 429, 500, true}});
    state.setPagesAtOnce(5);
    std::vector<std::unique_ptr<PageLoad>> loads;
    for (const QString& entry : {u"a.example/asked"_s, u"b.example/backoff"_s, u"c.example/capped"_s,
                                 u"d.example/missing"_s, u"e.example/pending"_s})
        loads.push_back(scheduler.navigate(entry, 60'000));
    advanceTo(11);
    // The 404 is final at once; the others wait for their retry, holding no page.
    EXPECT_EQ(loads[3]->readyState(), Browser::ReadyStateComplete);
    EXPECT_EQ(loads[3]->loadError(), u"the server answered 404"_s);
    EXPECT_EQ(loads[3]->tries(), 1);
    EXPECT_NE(loads[0]->readyState(), Browser::ReadyStateComplete);
    EXPECT_EQ(loads[0]->loadError(), QString()); // nothing to report while it waits
    EXPECT_EQ(engine.liveLoads, 2);              // the 404's page and the one whose Retry-After is not read
    advanceTo(60'000);
    EXPECT_EQ(startsOf(u"a.example/asked"_s), (QList<qint64>{0, 2010}));
    EXPECT_EQ(startsOf(u"b.example/backoff"_s), (QList<qint64>{0, 1010, 3020}));
    // Read 100 ms after the failure, the Retry-After of 500 ms counts from then.
    EXPECT_EQ(startsOf(u"e.example/pending"_s), (QList<qint64>{0, 610}));
    EXPECT_EQ(loads[1]->readyState(), Browser::ReadyStateComplete);
    EXPECT_EQ(loads[1]->loadError(), u"busy (3 tries)"_s);
    EXPECT_EQ(loads[0]->loadError(), QString());
    EXPECT_EQ(loads[0]->tries(), 2);
    EXPECT_EQ(loads[0]->startedAtMs(), 2010); // the page time limit counts from the try's own start
    advanceTo(61'000);
    EXPECT_EQ(startsOf(u"c.example/capped"_s), (QList<qint64>{0, 60'010}));

    // What the engine reads of Retry-After: seconds, or an HTTP date from now; a date passed asks no wait.
    const QDateTime now = QDateTime::fromString(u"2026-12-09T10:00:00Z"_s, Qt::ISODate);
    EXPECT_EQ(Requests::retryAfterMs(u"7"_s, now), 7000);
    EXPECT_EQ(Requests::retryAfterMs(u"Wed, 09 Dec 2026 10:00:30 GMT"_s, now), 30'000);
    EXPECT_EQ(Requests::retryAfterMs(u"Wed, 09 Dec 2026 09:00:00 GMT"_s, now), 0);
    EXPECT_EQ(Requests::retryAfterMs(u"soon"_s, now), -1);
}

// A host that answered 429 or 503 with a wait starts no page before then, other hosts go on; the per-host
// limit bounds one host's pages loading at once.
TEST_F(Scheduling, HostsAreHeldAfterTheirWaitAndLimitedAtOnce) {
    NetworkOptions network = state.network();
    network.perHost = 1;
    state.setNetwork(network);
    state.setPagesAtOnce(4);
    page(u"slow.example/1"_s, 100, {busy(429, 1000)});
    for (const QString& entry : {u"slow.example/2"_s, u"slow.example/3"_s, u"other.example/1"_s})
        page(entry, 100);
    scheduler.loadAhead({u"slow.example/1"_s, u"slow.example/2"_s, u"slow.example/3"_s, u"other.example/1"_s},
                        60'000);
    EXPECT_EQ(startsOf(u"other.example/1"_s), QList<qint64>{0});
    advanceTo(3000);
    // slow.example/1 fails at 100 and holds its host until 1100; /2 and /3 follow one at a time.
    EXPECT_EQ(startsOf(u"slow.example/1"_s), (QList<qint64>{0, 1100}));
    EXPECT_EQ(startsOf(u"slow.example/2"_s), QList<qint64>{1200});
    EXPECT_EQ(startsOf(u"slow.example/3"_s), QList<qint64>{1300});
}

// The run's own load always starts; the loads ahead start in list order within the pages at once (a load
// that has loaded holds its page until the run has read it), and a load no longer named is dropped, even
// one waiting to retry.
TEST_F(Scheduling, LookAheadKeepsListOrderAndDropsWhatIsNoLongerNamed) {
    for (const QString& entry : {u"h/1"_s, u"h/2"_s, u"h/3"_s, u"h/4"_s})
        page(entry, 50);
    page(u"h/5"_s, 50, {busy(503)});
    const QStringList all{u"h/1"_s, u"h/2"_s, u"h/3"_s, u"h/4"_s, u"h/5"_s};
    scheduler.loadAhead(all, 60'000);
    EXPECT_EQ(engine.navigations, all.mid(0, 2));
    std::unique_ptr<PageLoad> urgent = scheduler.navigate(u"h/4"_s, 60'000);
    EXPECT_EQ(engine.navigations.last(), u"h/4"_s); // the run waits for it: it starts beyond the limit
    const auto read = [&](const QString& entry) {
        std::unique_ptr<PageLoad> load = scheduler.navigate(entry, 60'000);
        while (load->readyState() != Browser::ReadyStateComplete)
            advanceTo(clock.now + 1);
        return load->bodyInnerText();
    }; // and the load is dropped: its page goes back
    EXPECT_EQ(read(u"h/1"_s), u"h/1"_s);
    advanceTo(clock.now + 1);
    EXPECT_EQ(engine.navigations.size(), 3); // h/2 and h/4 hold the two pages
    EXPECT_EQ(read(u"h/2"_s), u"h/2"_s);
    advanceTo(clock.now + 1);
    EXPECT_EQ(engine.navigations, (QStringList{u"h/1"_s, u"h/2"_s, u"h/4"_s, u"h/3"_s}));
    EXPECT_EQ(read(u"h/3"_s), u"h/3"_s);
    advanceTo(clock.now + 1);
    EXPECT_EQ(engine.navigations.last(), u"h/5"_s);
    advanceTo(clock.now + 60); // h/5 has failed and waits for its retry
    EXPECT_EQ(engine.liveLoads, 1);
    scheduler.loadAhead({}, 0);
    advanceTo(5000);
    EXPECT_EQ(engine.navigations.count(u"h/5"_s), 1);
    EXPECT_EQ(scheduler.liveLoads(), 1); // the run's own
    urgent.reset();
    EXPECT_EQ(engine.liveLoads, 0);
}
