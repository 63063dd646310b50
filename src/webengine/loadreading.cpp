// How a load's document is read: in the page, in slices, so that a large document is never copied whole
// between the engine's processes at once; and how a load waits for the page's answers.
#include "base/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "webengine/enginepage.h"
#include "webengine/pagescripts.h"
#include "webengine/webenginebrowser.h"
#include "webengine/webengineload.h"

#include <QScopeGuard>

namespace {

// Text comes over in slices of this many characters.
constexpr int SliceLength = 4 << 20;

} // namespace

// Reads `what` (markup or text) of this load's own document with CR LF line breaks, and marks the document
// as this load's.
QString WebEngineLoad::read(const QString& what, const QString& missing) {
    // A page that navigates on its own (a refresh, a reload on load) may be between two of its own
    // documents: it is stopped where it is, and the document it shows then gets until the deadline to have
    // its root and body.
    for (;;) {
        try {
            return readOnce(what, missing);
        } catch (const Failure&) {
            if (m_loading && !m_stopped)
                stop();
            if (!m_stopped || m_gone || m_context.clock.elapsedMs() + 50 >= m_deadline)
                throw;
        }
        const qint64 until = m_context.clock.elapsedMs() + 50;
        while (m_context.clock.elapsedMs() < until)
            m_context.pump.waitForEvents(5);
    }
}

// The first step of a read: the whole text when it is small, else its length (the text waits in the page
// for its slices). The document is marked as read by this load, for good.
QString WebEngineLoad::headScript(const QString& what, qint64 settleWithinMs, const QVariant& scroll) const {
    return pageReadCall("readHead", {m_number, what, SliceLength, settleWithinMs, scroll});
}

QString WebEngineLoad::readOnce(const QString& what, const QString& missing) {
    // The read that began when the load finished, if it asked for this; otherwise one now. One that came
    // back whole stays good when the renderer has gone since.
    std::shared_ptr<Answer> pending = std::exchange(m_prefetch, nullptr);
    if (pending && pending->what == what && pending->done && m_gone &&
        pending->value.toMap().contains(QStringLiteral("text"))) {
        return pending->value.toMap().value(QStringLiteral("text")).toString();
    }
    if (!replacedDocument())
        throw Failure(QStringLiteral("The page shows no document of its own"));
    if (!pending || pending->what != what)
        pending = send(headScript(what));
    m_context.lastRead = what;
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
        const QVariantMap slice = evaluate(pageReadCall("readSlice", {m_number, from, SliceLength}),
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

// A page loaded ahead is read the moment it has loaded, in the form the run last asked for, as a page loaded
// on its own turn would be; the run takes the answer when it gets there.
void WebEngineLoad::prefetch(const QString& what) {
    m_prefetch = send(headScript(what));
    m_prefetch->what = what;
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
    const qint64 now = m_context.clock.elapsedMs();
    const qint64 until =
        m_deadline >= 0 ? m_deadline : now + std::max(leastMs, m_started + m_timeLimitMs - now);
    // The other loads go on meanwhile: the browser advances them, not this one, which waits here.
    const bool wasAwaiting = std::exchange(m_awaiting, true);
    const auto restore = qScopeGuard([&] { m_awaiting = wasAwaiting; });
    while (!answer->done) {
        m_context.advance(m_context.clock.elapsedMs());
        if (m_gone)
            throw Failure(m_loadError.isEmpty() ? QStringLiteral("The page's renderer ended") : m_loadError);
        if (m_context.clock.elapsedMs() > until) {
            m_unusable = true; // a page that does not answer is never used again
            throw Failure(QStringLiteral("The page did not answer"));
        }
        m_context.pump.waitForEvents(1);
    }
    return answer->value;
}
