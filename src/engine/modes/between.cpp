#include "engine/modes/between.h"

#include "base/failure.h"
#include "engine/extractionrun.h"
#include "engine/mainstate.h"
#include "engine/matching.h"
#include "engine/modes/betweenstate.h"
#include "engine/procedure.h"
#include "engine/retrieval.h"
#include "platform/host.h"

namespace {

// Finds marker occurrences in the lowered page from ever later positions. The last answer is kept, so
// asking again from a position it does not lie before costs nothing: the whole occurrence loop reads the
// page a bounded number of times instead of re-lowering what remains for every occurrence.
class Finder {
public:
    Finder(const QString& loweredPage, const QString& loweredMarker)
        : m_page(loweredPage), m_marker(loweredMarker) {}
    // Index of the first occurrence at or after `from`, or -1.
    qsizetype from(qsizetype from) {
        if (m_found == -1 && m_searchedFrom <= from)
            return -1;
        if (m_found < from || m_searchedFrom > from) {
            m_found = m_page.indexOf(m_marker, from);
            m_searchedFrom = from;
        }
        return m_found;
    }

private:
    const QString& m_page;
    const QString m_marker;
    qsizetype m_found = -2;
    qsizetype m_searchedFrom = -1;
};

} // namespace

namespace ExtractBetween {

void runBetween(Host& host, MainState& state, BetweenState& between) {
    Procedure p(host.dialogs, QStringLiteral("Form2.PushButton4_Click"));
    if (p.test(100, [&] { return between.startWith().isEmpty() || between.endWith().isEmpty(); })) {
        p.run(196, [&] {
            host.dialogs.message(QStringLiteral(
                "Fill out starting text (or character) and fill out ending text (or character)."));
        });
        return;
    }
    if (p.test(102, [&] { return state.urls.isEmpty(); })) {
        p.run(194, [&] { host.dialogs.message(QStringLiteral("No files added.")); });
        return;
    }
    ExtractionRun::rebuildLayout(p, state, 104);

    ExtractionRun::forEachEntry(
        p, host, state, 120,
        [&](const QString& entry) {
            p.run(130, [&] { between.setPointer(Pointer::Busy); });
            p.run(132,
                  [&] { state.results.setFirstHeader(QStringLiteral("Results - Looking at: ") + entry); });
            QString page;
            p.run(134, [&] { page = readPageText(host, state, entry); });

            // Markers edited in the middle of a source apply from the next source: an X emptied mid-loop
            // would otherwise stop the loop from moving on.
            const QString x = between.startWith();
            const QString y = between.endWith();
            const QString lowered = lowerCodeUnits(page);
            Finder findX(lowered, lowerCodeUnits(x));
            Finder findY(lowered, lowerCodeUnits(y));
            qsizetype remaining = 0; // RemainingText is page.mid(remaining)

            while (!x.isEmpty() && !y.isEmpty() &&
                   p.test(136, [&] { return findX.from(remaining) >= 0 && findY.from(remaining) >= 0; })) {
                p.run(138, [&] { host.pump.processPendingEvents(); });
                qsizetype start = remaining;
                p.run(140, [&] { start = std::max(findX.from(remaining), remaining); });
                // The tail starts at the second character of this X; where Y begins in it:
                qsizetype endAt = -1;
                p.run(144, [&] { endAt = findY.from(start + 1); });
                QString fragment;
                bool hasFragment = false;
                if (p.test(146, [&] { return endAt >= 0; })) {
                    p.run(148, [&] {
                        const qsizetype length = endAt - (start + x.size());
                        if (length < 0)
                            throw Failure(QStringLiteral("Invalid procedure call or argument"));
                        fragment = page.mid(start + x.size(), length);
                        hasFragment = true;
                    });
                    if (p.test(150, [&] { return between.includeStart(); }))
                        p.run(152, [&] { fragment.prepend(x); });
                    if (p.test(154, [&] { return between.includeEnd(); }))
                        p.run(156, [&] { fragment.append(y); });
                }
                p.run(158, [&] { remaining = start + x.size(); });
                if (!hasFragment || fragment.isEmpty())
                    continue;
                if (p.test(160, [&] { return state.keepDuplicates(); })) {
                    if (p.test(174, [&] { return !fragment.isEmpty(); }))
                        ExtractionRun::appendResult(p, state, entry, fragment, 176);
                } else if (p.testNot(162,
                                     [&] { return ExtractionRun::isDuplicate(state, entry, fragment); })) {
                    if (p.test(164, [&] { return !fragment.isEmpty(); }))
                        ExtractionRun::appendResult(p, state, entry, fragment, 166);
                }
            }
            p.run(184, [&] { state.results.setFirstHeader(QStringLiteral("Results")); });
            p.run(186, [&] {
                between.setPointer(Pointer::Default);
                state.setPointer(Pointer::Default);
            });
            p.run(188, [&] { state.setProgressValue(0); });
            p.run(190, [&] { state.setStatusLine(MainState::idleStatus()); });
        },
        ExtractionRun::Rounding::Down);
}

QStringList helpLines() {
    const QString address = QStringLiteral("jane.doe@example.com");
    return {
        QStringLiteral("If one of the urls has this for content:"),
        QString(),
        QStringLiteral("The rain in spain falls mainly on the plain."),
        QString(),
        QStringLiteral("and your input is: "),
        QStringLiteral("p"),
        QStringLiteral("n"),
        QString(),
        QStringLiteral("then "),
        QString(),
        QStringLiteral("ai"),
        QStringLiteral("lai"),
        QString(),
        QStringLiteral("will be extracted."),
        QString(),
        QStringLiteral("If one of the urls has this for content:"),
        QString(),
        QStringLiteral("UNSUBSCRIBE: If you no longer wish to receive e-mails from Example Outfitters, "
                       "<a href=\"http://mail.example.com/list?remove=") +
            address + QStringLiteral("\" target=\"_blank\">unsubscribe</a><br><br>"),
        QString(),
        QStringLiteral("and your input is: "),
        QStringLiteral("remove="),
        QStringLiteral(" target"),
        QString(),
        QStringLiteral("then "),
        QString(),
        address,
        QString(),
        QStringLiteral("will be extracted."),
    };
}

void showHelp(Host& host, const QString& location) {
    Procedure p(host.dialogs, location);
    p.run(100, [&] { host.dialogs.message(helpLines().join(QLatin1Char('\r'))); });
}

} // namespace ExtractBetween
