#include "engine/extractionrun.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "engine/retrieval.h"
#include "engine/sourcename.h"
#include "platform/host.h"

#include <algorithm>
#include <cmath>

namespace ExtractionRun {

QStringList cutIntoLines(const QString& pageText) {
    if (pageText.isEmpty())
        return {};
    return pageText.split(QStringLiteral("\r\n"));
}

void rebuildLayout(Procedure& p, MainState& state, int first) {
    ResultsList& results = state.results;
    p.run(first, [&] { results.removeAllColumns(); });
    if (p.test(first + 2, [&] { return state.showSourceFilename(); })) {
        p.run(first + 4, [&] { results.addColumn(QStringLiteral("Source Filename")); });
        p.run(first + 6, [&] { results.setColumnWidth(1, 3000); });
        p.run(first + 8, [&] { results.addColumn(QStringLiteral("Extraction Results")); });
        p.run(first + 10, [&] { results.setColumnWidth(2, 4400); });
    } else {
        p.run(first + 12, [&] { results.addColumn(QStringLiteral("Results")); });
        p.run(first + 14, [&] { results.setColumnWidth(1, 7000); });
    }
}

void appendResult(Procedure& p, MainState& state, const QString& entry, const QString& text, int first) {
    if (p.test(first, [&] { return state.showSourceFilename(); })) {
        p.run(first + 2, [&] { state.results.appendSourcedRow(entry); });
        p.run(first + 4, [&] { state.results.setLastRowText(text); });
    } else {
        p.run(first + 6, [&] { state.results.appendRow(text, entry); });
    }
}

bool isDuplicate(const MainState& state, const QString& entry, const QString& text) {
    return state.showSourceFilename() ? state.results.containsSourced(entry, text)
                                      : state.results.contains(text);
}

void addExtractedLine(Procedure& p, MainState& state, const QString& entry, const QString& text, int first) {
    if (p.test(first, [&] { return state.keepDuplicates(); }))
        appendResult(p, state, entry, text, first + 2);
    else if (p.testNot(first + 10, [&] { return isDuplicate(state, entry, text); }))
        appendResult(p, state, entry, text, first + 12);
}

QString closingMessage(const MainState& state) {
    return state.stopRequested() ? QStringLiteral("Stopped.") : QStringLiteral("Done.");
}

int progressFor(qsizetype i, qsizetype count, Rounding rounding) {
    // Entries removed during a run can leave fewer entries than the one being visited.
    const double value =
        count > 0 ? std::clamp(static_cast<double>(i) / static_cast<double>(count) * 100.0, 0.0, 100.0)
                  : 100.0;
    return static_cast<int>(rounding == Rounding::Down ? std::floor(value) : std::nearbyint(value));
}

void forEachEntry(Procedure& p, Host& host, MainState& state, int first,
                  const std::function<void(const QString& entry)>& body, Rounding rounding) {
    // The run counts as running for Stop until the loop ends, whichever way it ends.
    // No load started ahead outlives the loop, whichever way it ends.
    struct RunScope {
        MainState& state;
        Browser& browser;
        RunScope(MainState& s, Browser& b) : state(s), browser(b) { state.beginRun(); }
        ~RunScope() {
            browser.loadAhead({}, 0);
            state.endRun();
        }
    } scope(state, host.browser);
    UrlList& urls = state.urls;
    qsizetype count = 0;
    quint64 lastVisited = 0;
    quint64 lastToVisit = 0;
    p.run(first, [&] {
        count = urls.count();
        lastToVisit = urls.lastSerial();
        // Who asks for the pages, as the options say now; a cookies file that went missing is said here,
        // once, and the pages are asked for without it.
        QString cookiesError;
        host.browser.setIdentity(Requests::identityOf(state.network(), &cookiesError));
        host.browser.setBlocking(state.network().blockAds);
        if (!cookiesError.isEmpty())
            throw Failure(cookiesError);
    });
    for (qsizetype i = 1; i <= count && !state.stopRequested(); ++i) {
        // Find the place again by serial: removals before it shift positions, additions lie beyond it.
        const qsizetype position = urls.firstPositionAfter(lastVisited, lastToVisit);
        if (position == 0)
            break;
        QString entry;
        p.run(first + 2, [&] {
            entry = urls.at(position);
            lastVisited = urls.serialAt(position);
        });
        p.run(first + 4, [&] { state.setProgressValue(progressFor(i, urls.count(), rounding)); });
        p.run(first + 6,
              [&] { state.setStatusLine(QStringLiteral("Processing: ") + ShortSourceName(entry)); });
        p.run(first + 8, [&] { host.pump.processPendingEvents(); });
        // This entry and the ones the loop visits next load now, together; what the run reads and reports
        // stays in list order. Entries removed meanwhile are not named, so their loads are dropped.
        if (state.pagesAtOnce() > 1) {
            QStringList next{entry};
            const int named = host.browser.entriesAhead(state.pagesAtOnce());
            for (qsizetype at = urls.firstPositionAfter(lastVisited, lastToVisit);
                 at > 0 && next.size() < named && urls.serialAt(at) <= lastToVisit; ++at) {
                next << urls.at(at);
                if (at == urls.count())
                    break;
            }
            host.browser.setSettleLimit(qint64(state.settleSeconds()) * 1000);
            host.browser.setScrollLimit(state.scrollViews());
            host.browser.loadAhead(next, qint64(state.pageTimeout()) * 1000);
        }
        body(entry);
        Q_EMIT state.entryFinished(entry);
    }
}

void runLineMode(Host& host, MainState& state, const LineMode& mode) {
    Procedure p(host.dialogs, mode.location);
    const auto busy = [&] { state.setPointer(Pointer::Busy); };

    // Statement numbers after the retrieval depend on the mode's shape; `n` walks through them.
    int n = 134;
    if (mode.busyBeforeRetrieval)
        n += 2;
    const int retrieval = n, busyAfter = n + 2, cut = n + 4, emptyTest = n + 8;
    const int filter = mode.keep ? n + 10 : 0;
    const int add = n + (mode.keep ? 12 : 10);
    const int finish = add + 24;

    if (p.test(100, [&] { return state.urls.isEmpty(); })) {
        p.run(finish + 10, [&] { host.dialogs.message(QStringLiteral("No URLs added.")); });
        return;
    }
    p.run(102, busy);
    rebuildLayout(p, state, 104);
    forEachEntry(p, host, state, 120, [&](const QString& entry) {
        p.run(130, busy);
        p.run(132, [&] { state.results.setFirstHeader(QStringLiteral("Result(s) - Scanning: ") + entry); });
        if (mode.busyBeforeRetrieval)
            p.run(134, busy);
        QString pageText;
        p.run(retrieval, [&] { pageText = readPageText(host, state, entry); });
        p.run(busyAfter, busy);
        QStringList lines;
        p.run(cut, [&] { lines = cutIntoLines(pageText); });
        for (const QString& line : std::as_const(lines)) {
            if (!p.testNot(emptyTest, [&] { return line.isEmpty(); }))
                continue;
            if (filter && !p.test(filter, [&] { return mode.keep(line); }))
                continue;
            addExtractedLine(p, state, entry, line, add);
        }
    });
    p.run(finish, [&] { state.results.setFirstHeader(QStringLiteral("Result(s)")); });
    p.run(finish + 2, [&] { state.setPointer(Pointer::Default); });
    p.run(finish + 4, [&] { state.setProgressValue(0); });
    p.run(finish + 6, [&] { state.setStatusLine(MainState::idleStatus()); });
    p.run(finish + 8, [&] { host.dialogs.message(closingMessage(state)); });
}

} // namespace ExtractionRun
