#include "webengine/pagesettling.h"

#include "platform/clock.h"
#include "webengine/enginepage.h"
#include "webengine/pagereader.h"

namespace {

// A page settling counts as loaded this long before its time limit at the latest.
constexpr qint64 SettleMarginMs = 250;
// A page scrolled on is asked again this long after the step, a frame at a display's pace.
constexpr qint64 StepAskMs = 17;

} // namespace

PageSettling::PageSettling(Clock& clock, qint64 settleMs, int scrollViews, Load load)
    : m_clock(clock), m_settleMs(settleMs), m_scrollViews(scrollViews), m_load(std::move(load)) {}

void PageSettling::begin(EnginePage* page, qint64 latestMs) {
    m_page = page;
    m_latest = latestMs - SettleMarginMs;
    m_active = true;
    const qint64 now = m_clock.elapsedMs();
    settleWithin(now);
    ask(now, false);
}

// Each step of scrolling gets the settle limit anew, within the load's time limit.
void PageSettling::settleWithin(qint64 nowMs) {
    m_until = std::min(nowMs + m_settleMs, m_latest);
}

void PageSettling::advance(qint64 nowMs, bool navigating) {
    if (m_active && (m_lastAsk < 0 || nowMs - m_lastAsk >= AskMs))
        ask(nowMs, navigating);
}

void PageSettling::ask(qint64 nowMs, bool navigating) {
    m_lastAsk = nowMs;
    if (nowMs >= m_until) {
        m_readAtLimit = true;
        return settled();
    }
    if (navigating) {
        m_waitingFor = QStringLiteral("the page it moves on to");
        return;
    }
    if (m_asking)
        return; // one question at a time; a page too busy to answer waits for the limit
    m_asking = true;
    const quint64 asked = ++*m_asks;
    const QVariant scroll = m_scrollViews == 0 ? QVariant() : QVariant(m_scrollViews - m_scrolled);
    const Question question = m_load.question(m_until - nowMs, scroll);
    m_page->runJavaScript(question.script, [this, asks = std::weak_ptr<quint64>(m_asks), asked,
                                            what = question.what](const QVariant& answer) {
        if (const auto current = asks.lock(); current && *current == asked)
            answered(answer, what);
    });
}

void PageSettling::answered(const QVariant& answer, const QString& what) {
    m_asking = false;
    const QVariantMap head = answer.toMap();
    if (head.value(QStringLiteral("unsettled")).toBool()) {
        m_waitingFor = head.value(QStringLiteral("why")).toString();
        return draw(head.value(QStringLiteral("frames")).toBool());
    }
    if (const int views = head.value(QStringLiteral("scrolled")).toInt(); views > 0) {
        m_scrolled += views;
        const qint64 now = m_clock.elapsedMs();
        settleWithin(now);
        // Asked again a frame later: what the step brought, if anything, is under way by then.
        m_lastAsk = now - (AskMs - StepAskMs);
        // A page that watches what is in view is drawn from now on, until it is read.
        return draw(head.value(QStringLiteral("frames")).toBool());
    }
    if (head.value(QStringLiteral("more")).toBool()) {
        // Scrolled as far as allowed while the page still grows: read as it stands, like a page still busy
        // at the settle limit.
        m_readAtLimit = true;
        m_waitingFor = QStringLiteral("more of the page as it is scrolled");
        return settled();
    }
    // A document that runs no scripts of its own (plain text, an image) has no watcher: it is read as it
    // stands.
    if (head.value(QStringLiteral("noWatcher")).toBool())
        return settled();
    if (what.isEmpty() ? answer != QVariant(true) : head.isEmpty())
        return; // no answer: asked again, until the limit
    if (what.isEmpty())
        return settled();
    auto read = std::make_shared<PageAnswer>();
    read->done = true;
    read->value = answer;
    read->what = what;
    settled(std::move(read));
}

// A settling page is drawn, off screen, while it waits for an animation frame, and only then: drawing is
// what makes frames come, and a page with nothing to draw costs nothing.
void PageSettling::draw(bool frames) {
    if (std::exchange(m_shown, frames) != frames)
        m_page->setShown(frames);
}

void PageSettling::end() {
    m_active = false;
    m_asking = false;
    ++*m_asks;
    if (m_page)
        draw(false);
}

void PageSettling::settled(std::shared_ptr<PageAnswer> read) {
    end();
    m_load.settled(std::move(read));
}

QString PageSettling::readAtLimit() const {
    if (!m_readAtLimit)
        return {};
    return m_waitingFor.isEmpty() ? QStringLiteral("no answer from the page") : m_waitingFor;
}
