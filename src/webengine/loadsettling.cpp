// How a load settles: once its document is complete, it is asked until its scripts have settled, drawn
// while it waits for an animation frame, scrolled on a view at a time while that brings more of it, and
// read with the answer that says it has settled.
#include "platform/clock.h"
#include "webengine/enginepage.h"
#include "webengine/pagescripts.h"
#include "webengine/webenginebrowser.h"
#include "webengine/webengineload.h"

#include <QPointer>

namespace {

// A page settling counts as loaded this long before its time limit at the latest.
constexpr qint64 SettleMarginMs = 250;
// A page scrolled on is asked again this long after the step, a frame at a display's pace.
constexpr qint64 StepAskMs = 17;

} // namespace

// The document is complete; what its scripts still do may write more of it. It counts as loaded once the
// page says it has settled, or when the settle limit has passed (a page that polls or ticks for ever),
// whichever comes first, and always a moment before the page's own time limit.
void WebEngineLoad::startSettling() {
    settleWithin(m_context.clock.elapsedMs());
    m_phase = Phase::Settling;
    askSettled();
}

// Each step of scrolling gets the settle limit anew, within the page's time limit.
void WebEngineLoad::settleWithin(qint64 nowMs) {
    m_settleUntil = std::min(nowMs + m_settleMs, m_started + m_timeLimitMs - SettleMarginMs);
}

void WebEngineLoad::askSettled() {
    if (m_phase != Phase::Settling)
        return;
    const qint64 now = m_context.clock.elapsedMs();
    m_lastAsk = now;
    if (now >= m_settleUntil) {
        m_readAtLimit = true;
        return settled();
    }
    // The page is on its way to another document (a refresh, a script's navigation): that one is read.
    if (m_loading) {
        m_waitingFor = QStringLiteral("the page it moves on to");
        return;
    }
    if (m_asking)
        return; // one question at a time; a page too busy to answer waits for the limit
    m_asking = true;
    const quint64 asked = ++m_settleAsks;
    const qint64 within = m_settleUntil - now;
    // How many views the page may still be scrolled on by; none where it is never scrolled.
    const QVariant scroll = m_scrollViews == 0 ? QVariant() : QVariant(m_scrollViews - m_scrolled);
    // When the run has read a page before, the question comes with that read: a page that has settled
    // answers with its text at once, which costs no more than a page read at completion.
    const QString what = replacedDocument() ? m_context.lastRead : QString();
    const QString script =
        what.isEmpty() ? pageReadCall("settledOrWhy", {within, scroll}) : headScript(what, within, scroll);
    m_page->runJavaScript(script,
                          [self = QPointer<WebEngineLoad>(this), asked, what](const QVariant& answer) {
                              if (self && asked == self->m_settleAsks)
                                  self->answered(answer, what);
                          });
}

void WebEngineLoad::answered(const QVariant& answer, const QString& what) {
    m_asking = false;
    const QVariantMap head = answer.toMap();
    if (head.value(QStringLiteral("unsettled")).toBool()) {
        m_waitingFor = head.value(QStringLiteral("why")).toString();
        return draw(head.value(QStringLiteral("frames")).toBool());
    }
    if (const int views = head.value(QStringLiteral("scrolled")).toInt(); views > 0) {
        m_scrolled += views;
        const qint64 now = m_context.clock.elapsedMs();
        settleWithin(now);
        // Asked again a frame later: what the step brought, if anything, is under way by then.
        m_lastAsk = now - (SettleAskMs - StepAskMs);
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
    auto read = std::make_shared<Answer>();
    read->done = true;
    read->value = answer;
    read->what = what;
    settled(std::move(read));
}

// A settling page is drawn, off screen, while it waits for an animation frame, and only then: drawing is
// what makes frames come, and a page with nothing to draw costs nothing.
void WebEngineLoad::draw(bool frames) {
    if (std::exchange(m_shown, frames) != frames)
        m_page->setShown(frames);
}

void WebEngineLoad::settled(std::shared_ptr<Answer> read) {
    if (ended())
        return;
    draw(false);
    end();
    if (read)
        m_prefetch = std::move(read);
    else if (!m_context.lastRead.isEmpty() && replacedDocument())
        prefetch(m_context.lastRead);
}
