#include "webengine/pagereader.h"

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

const QString NoOwnDocument = QStringLiteral("The page shows no document of its own");

} // namespace

PageReader::PageReader(LoadContext& context, quint64 number, Load load)
    : m_context(context), m_number(number), m_load(std::move(load)) {}

void PageReader::setPage(EnginePage* page) {
    m_page = page;
    m_prefetch.reset();
}

QString PageReader::headScript(const QString& what, qint64 settleWithinMs, const QVariant& scroll) const {
    return pageReadCall("readHead", {m_number, what, SliceLength, settleWithinMs, scroll});
}

void PageReader::prefetch(const QString& what) {
    m_prefetch = send(headScript(what));
    m_prefetch->what = what;
}

bool PageReader::hasWholeText() const {
    return m_prefetch && m_prefetch->done && m_prefetch->value.toMap().contains(QStringLiteral("text"));
}

QString PageReader::read(const QString& what, const QString& missing, bool ownDocument) {
    std::shared_ptr<PageAnswer> pending = std::exchange(m_prefetch, nullptr);
    if (pending && pending->what == what && pending->done && m_load.rendererEnded() &&
        pending->value.toMap().contains(QStringLiteral("text"))) {
        return pending->value.toMap().value(QStringLiteral("text")).toString();
    }
    if (!ownDocument)
        throw Failure(NoOwnDocument);
    if (!pending || pending->what != what)
        pending = send(headScript(what));
    m_context.lastRead = what;
    const QVariantMap head = await(pending, WebEngineBrowser::ProbeTimeLimitMs).toMap();
    if (head.isEmpty() || head.value(QStringLiteral("stale")).toBool())
        throw Failure(NoOwnDocument);
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

std::shared_ptr<PageAnswer> PageReader::send(const QString& script) {
    auto answer = std::make_shared<PageAnswer>();
    m_page->runJavaScript(script, [answer](const QVariant& value) {
        answer->done = true;
        answer->value = value;
    });
    return answer;
}

QVariant PageReader::await(const std::shared_ptr<PageAnswer>& answer, qint64 leastMs) {
    const qint64 until = m_load.answerBy(leastMs);
    // The other loads go on meanwhile: the browser advances them, not this one, which waits here.
    const bool wasAwaiting = std::exchange(m_awaiting, true);
    const auto restore = qScopeGuard([&] { m_awaiting = wasAwaiting; });
    while (!answer->done) {
        m_context.advance(m_context.clock.elapsedMs());
        if (const std::optional<QString> reason = m_load.rendererEnded())
            throw Failure(*reason);
        if (m_context.clock.elapsedMs() > until) {
            m_unanswered = true;
            throw Failure(QStringLiteral("The page did not answer"));
        }
        m_context.pump.waitForEvents(1);
    }
    return answer->value;
}
