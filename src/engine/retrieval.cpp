#include "engine/retrieval.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/host.h"

namespace {
// A page whose navigation did not even answer in time has nothing of its own to read; one that answered
// but did not finish has its partial text. A page that cannot say which counts as not answering.
bool committedOf(PageLoad& load) {
    try {
        return load.committed();
    } catch (const Failure&) {
        return false;
    }
}
} // namespace

QString readPageText(Host& host, MainState& state, const QString& entry) {
    Procedure p(host.dialogs, QStringLiteral("Extract1.GetWebBrowserText"));
    if (state.listsPageProblems())
        p.setReportSink(
            [&](int line, const QString& description) { state.addProblem(entry, description, line); });
    QString pageText;
    int counter = 0;
    // The navigation is this call's own: nothing another call loads (a nested run started during the wait,
    // the end of an earlier page) can take its place.
    std::unique_ptr<PageLoad> load;
    bool complete = false;

    const qint64 limitMs = qint64(state.pageTimeout()) * 1000;

    p.run(100, [&] {
        host.browser.setSettleLimit(qint64(state.settleSeconds()) * 1000);
        host.browser.setScrollLimit(state.scrollViews());
        load = host.browser.navigate(entry, limitMs);
    });
    p.run(102, [&] { counter = 0; });
    // A page loaded ahead has had its time since its load began; a page tried again, since its last try.
    const qint64 called = host.clock.elapsedMs();
    const auto started = [&] { return load->startedAtMs() >= 0 ? load->startedAtMs() : called; };
    // Every turn of the wait advances every load of the browser, this one and the ones ahead of it.
    while (load && p.test(104, [&] {
        const qint64 now = host.clock.elapsedMs();
        host.browser.advance(now);
        complete = load->readyState() == Browser::ReadyStateComplete;
        return !complete && !state.stopRequested() && counter < Retrieval::WaitCap &&
               now - started() < limitMs;
    })) {
        p.run(106, [&] { host.pump.waitForEvents(1); });
        p.run(108, [&] { ++counter; });
        p.run(110, [&] {
            state.setStatusLine(QStringLiteral("Retreiving: ") + entry + QStringLiteral("  ") +
                                QString::number(counter));
        });
        p.run(112, [&] { state.setPointer(Pointer::Busy); });
        if (counter >= Retrieval::WaitCap)
            break; // a failing test must not keep the wait going forever
    }
    p.run(116, [&] { state.setPointer(Pointer::Busy); });
    p.run(118, [&] { state.setStatusLine(MainState::idleStatus()); });

    // An entry the engine refused has been reported at 100 and has no text: never the text of the page
    // shown before it.
    if (!load)
        return {};
    // Stopped while it loaded: the page is not read, and nothing is wrong with it.
    if (!complete && state.stopRequested())
        return {};
    const QString couldNotLoad = QStringLiteral("Could not load ") + entry + QStringLiteral(": ");
    const QString loadError = load->loadError();
    if (!loadError.isEmpty()) {
        p.report(100, couldNotLoad + loadError);
        return {};
    }
    if (!complete) {
        // A page stopped at its limit costs at most the time its renderer gets to answer after it, and one
        // report: of its partial text, or of why there is none.
        const QString limit = QString::number(state.pageTimeout());
        if (!committedOf(*load)) {
            p.report(100, couldNotLoad + QStringLiteral("the page did not answer within ") + limit +
                              QStringLiteral(" s"));
            return {};
        }
        load->stop();
        try {
            if (state.option1())
                pageText = load->outerHtml();
            else if (state.option2())
                pageText = load->bodyInnerText();
        } catch (const Failure& failure) {
            p.report(100, couldNotLoad + QStringLiteral("the page did not finish loading within ") + limit +
                              QStringLiteral(" s, and what had loaded could not be read: ") +
                              failure.description());
            return {};
        }
        p.report(104, entry + QStringLiteral(": the page did not finish loading within ") + limit +
                          QStringLiteral(" s; its text is what had loaded by then"));
        return pageText;
    }

    // A read that fails names its source, as every report of a page does.
    const auto named = [&](auto read) {
        try {
            return read();
        } catch (const Failure& failure) {
            throw Failure(entry + QStringLiteral(": ") + failure.description());
        }
    };
    if (p.test(120, [&] { return state.option1(); })) {
        p.run(122, [&] { pageText = named([&] { return load->outerHtml(); }); });
    } else if (p.test(124, [&] { return state.option2(); })) {
        p.run(126, [&] { pageText = named([&] { return load->bodyInnerText(); }); });
    }
    if (const QString waitingFor = load->readAtSettleLimit(); !waitingFor.isEmpty())
        state.addReadAtSettleLimit(entry, waitingFor);
    if (const int blocked = load->takeBlockedRequests(); blocked > 0)
        state.addBlockedRequests(entry, blocked);
    return pageText;
}
