#include "engine/retrieval.h"

#include "engine/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/host.h"

namespace {
// A ready state that cannot be read counts as "still loading": the wait still ends at the cap or the
// time limit, and no report is shown for every one of its iterations.
int readyStateOf(Browser& browser)
{
    try {
        return browser.readyState();
    } catch (const Failure&) {
        return 0;
    }
}
} // namespace

QString GetWebBrowserText(Host& host, MainState& state, const QString& entry)
{
    Procedure p(host.dialogs, QStringLiteral("Extract1.GetWebBrowserText"));
    QString pageText;
    int counter = 0;

    p.run(100, [&] { host.browser.navigate(entry); });
    p.run(102, [&] { counter = 0; });
    const qint64 started = host.clock.elapsedMs();
    while (p.test(104, [&] {
        return readyStateOf(host.browser) != Browser::ReadyStateComplete && counter < Retrieval::WaitCap &&
               host.clock.elapsedMs() - started < Retrieval::PageTimeLimitMs;
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

    // A page that could not be loaded at all gives no text: never the engine's error page, never the text
    // of the page before it.
    const QString loadError = host.browser.loadError();
    if (!loadError.isEmpty()) {
        p.report(100, QStringLiteral("Could not load ") + entry + QStringLiteral(": ") + loadError);
        return {};
    }

    if (p.test(120, [&] { return state.option1(); })) {
        p.run(122, [&] { pageText = host.browser.outerHtml(); });
    } else if (p.test(124, [&] { return state.option2(); })) {
        p.run(126, [&] { pageText = host.browser.bodyInnerText(); });
    }
    return pageText;
}
