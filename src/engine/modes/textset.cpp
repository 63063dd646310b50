#include "engine/modes/textset.h"

#include "engine/extractionrun.h"
#include "engine/matching.h"
#include "engine/procedure.h"
#include "engine/retrieval.h"
#include "platform/host.h"

void TextSetState::append(const QString& text) {
    m_texts.append(text);
    Q_EMIT textsChanged();
}

void TextSetState::removeAt(qsizetype index) {
    m_texts.removeAt(index);
    Q_EMIT textsChanged();
}

void TextSetState::clear() {
    m_texts.clear();
    Q_EMIT textsChanged();
}

void TextSetState::setPointer(int value) {
    if (m_pointer != value)
        Q_EMIT pointerChanged(m_pointer = value);
}

namespace ExtractTextSets {

void addText(Host& host, TextSetState& set) {
    Procedure p(host.dialogs, QStringLiteral("Form3.PushButton2_Click"));
    QString answer;
    p.run(100, [&] { answer = host.dialogs.prompt(QStringLiteral("Enter text:")); });
    if (p.test(102, [&] { return !answer.isEmpty(); }))
        p.run(104, [&] { set.append(answer); });
}

void removeSelectedText(Host& host, TextSetState& set, qsizetype selectedIndex) {
    Procedure p(host.dialogs, QStringLiteral("Form3.PushButton1_Click"));
    if (p.test(100, [&] { return selectedIndex >= 0 && selectedIndex < set.texts().size(); }))
        p.run(102, [&] { set.removeAt(selectedIndex); });
}

void removeAllTexts(Host& host, TextSetState& set) {
    Procedure p(host.dialogs, QStringLiteral("Form3.PushButton5_Click"));
    p.run(100, [&] { set.clear(); });
}

void runTextSet(Host& host, MainState& state, TextSetState& set) {
    Procedure p(host.dialogs, QStringLiteral("Form3.PushButton4_Click"));
    if (p.test(100, [&] { return state.urls.isEmpty(); })) {
        p.run(198, [&] { host.dialogs.message(QStringLiteral("No files added.")); });
        return;
    }
    p.run(102, [&] { set.setPointer(Pointer::Busy); });
    if (p.test(104, [&] { return set.texts().isEmpty(); })) {
        p.run(186, [&] {
            host.dialogs.message(QStringLiteral("Fill out combobox text to use to extract lines."));
        });
    } else {
        ExtractionRun::rebuildLayout(p, state, 106);
        ExtractionRun::forEachEntry(
            p, host, state, 122,
            [&](const QString& entry) {
                p.run(132, [&] { set.setPointer(Pointer::Busy); });
                p.run(134, [&] {
                    state.results.setFirstHeader(QStringLiteral("Results - Looking at: ") + entry);
                });
                p.run(136, [&] { set.setPointer(Pointer::Busy); });
                QStringList lines;
                QString pageText;
                p.run(138, [&] { pageText = readPageText(host, state, entry); });
                p.run(140, [&] { lines = ExtractionRun::cutIntoLines(pageText); });
                for (const QString& line : std::as_const(lines)) {
                    p.run(144, [&] { host.pump.processPendingEvents(); });
                    p.run(146, [&] { state.setResultsDisplayEnabled(false); });
                    // Each line is tested against the set as it stands when its scan begins.
                    const QStringList& texts = set.texts();
                    for (const QString& text : texts) {
                        if (p.test(152, [&] { return state.keepDuplicates(); })) {
                            if (p.test(154, [&] { return containsIgnoringCase(line, text); }))
                                ExtractionRun::appendResult(p, state, entry, line, 156);
                        } else if (p.test(164, [&] { return containsIgnoringCase(line, text); })) {
                            ResultsList& results = state.results;
                            if (p.test(166, [&] { return state.showSourceFilename(); })) {
                                // The candidate is the source with the line: a duplicate of the same line
                                // from the same source.
                                if (p.testNot(168, [&] { return results.containsSourced(entry, line); })) {
                                    p.run(170, [&] { results.appendSourcedRow(entry); });
                                    p.run(172, [&] { results.setLastRowText(line); });
                                }
                            } else if (p.testNot(174, [&] { return results.contains(line); })) {
                                p.run(176, [&] { results.appendRow(line, entry); });
                            }
                        }
                    }
                    p.run(180, [&] { state.setResultsDisplayEnabled(true); });
                }
            },
            ExtractionRun::Rounding::Down);
    }
    p.run(188, [&] { state.results.setFirstHeader(QStringLiteral("Results")); });
    p.run(190, [&] {
        set.setPointer(Pointer::Default);
        state.setPointer(Pointer::Default);
    });
    p.run(192, [&] { state.setProgressValue(0); });
    p.run(194, [&] { state.setStatusLine(MainState::idleStatus()); });
    p.run(196, [&] { set.requestClose(); });
}

void closeWindow(Host& host, const std::function<void()>& close) {
    Procedure p(host.dialogs, QStringLiteral("Form3.PushButton3_Click"));
    p.run(100, close);
}

QStringList helpLines() {
    const QChar q(u'"');
    return {
        QStringLiteral("A text set is a set of words or characters."),
        QString(),
        QStringLiteral("Add what you want to search for into the set by selecting ") + q +
            QStringLiteral("Add Text") + q,
        QString(),
        QStringLiteral("Sample Execution:"),
        QString(),
        QStringLiteral("Sample File:"),
        QString(),
        QStringLiteral("Hope is the thing with feathers"),
        QStringLiteral("   That perches in the soul,"),
        QStringLiteral("And sings the tune without the words,"),
        QStringLiteral("   And never stops at all,"),
        QString(),
        QStringLiteral("And sweetest in the gale is heard;"),
        QStringLiteral("   And sore must be the storm"),
        QStringLiteral("That could abash the little bird"),
        QStringLiteral("   That kept so many warm."),
        QString(),
        QStringLiteral("- Emily Dickinson"),
        QString(),
        QStringLiteral("Containing Text:"),
        QString(),
        QStringLiteral("i"),
        QStringLiteral("width"),
        QStringLiteral("misery"),
        QString(),
        QStringLiteral("Results:"),
        QString(),
        QStringLiteral("Hope is the thing with feathers"),
        QStringLiteral("That perches in the soul,"),
        QStringLiteral("And sings the tune without the words,"),
        QStringLiteral("And sweetest in the gale is heard;"),
        QStringLiteral("That could abash the little bird"),
    };
}

void showHelp(Host& host, const QString& location) {
    Procedure p(host.dialogs, location);
    p.run(100, [&] { host.dialogs.message(helpLines().join(QLatin1Char('\r'))); });
}

} // namespace ExtractTextSets
