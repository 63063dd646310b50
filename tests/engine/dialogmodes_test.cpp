#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/textset.h"
#include "fakes/fakehost.h"
#include "shell/settingskeys.h"

#include <gtest/gtest.h>

namespace {
class Between : public ::testing::Test {
protected:
    FakeHost f;
    BetweenState between;
    Between() {
        f.state.setCheck1(1);
        f.addUrls({QStringLiteral("p")});
    }
    QStringList run(const QString& page, const QString& x, const QString& y, bool include = false) {
        f.browser.setPage(QStringLiteral("p"), page);
        between.setStartWith(x);
        between.setEndWith(y);
        between.setCheck21(include ? 1 : 0);
        between.setCheck22(include ? 1 : 0);
        f.state.results.clear();
        ExtractBetween::runBetween(f.host, f.state, between);
        return f.resultTexts();
    }
};
} // namespace

TEST_F(Between, TheRainInSpain) {
    const QString page = QStringLiteral("The rain in spain falls mainly on the plain.");
    EXPECT_EQ(run(page, QStringLiteral("p"), QStringLiteral("n")),
              QStringList({QStringLiteral("ai"), QStringLiteral("lai")}));
    EXPECT_EQ(run(page, QStringLiteral("p"), QStringLiteral("n"), true),
              QStringList({QStringLiteral("pain"), QStringLiteral("plain")}));
    EXPECT_TRUE(f.dialogs.messages.isEmpty()); // no "Done."
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Results"));
    EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(between.pointer(), Pointer::Default);
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
}

TEST_F(Between, CaseOverlapsIdenticalMarkersAndLineBreaks) {
    EXPECT_EQ(run(QStringLiteral("<td>One</td><TD>two</Td>"), QStringLiteral("<TD>"), QStringLiteral("</td>"),
                  true),
              QStringList({QStringLiteral("<TD>One</td>"), QStringLiteral("<TD>two</td>")}));
    EXPECT_EQ(run(QStringLiteral("<td>a<td>b</td>"), QStringLiteral("<td>"), QStringLiteral("</td>")),
              QStringList({QStringLiteral("a<td>b"), QStringLiteral("b")}));
    EXPECT_EQ(run(QStringLiteral("a|b|c|d"), QStringLiteral("|"), QStringLiteral("|")),
              QStringList({QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(run(QStringLiteral("] ] [ ["), QStringLiteral("["), QStringLiteral("]")), QStringList());
    EXPECT_EQ(run(QStringLiteral("<p>one\r\ntwo</p>"), QStringLiteral("<p>"), QStringLiteral("</p>")),
              QStringList({QStringLiteral("one\r\ntwo")}));
    EXPECT_EQ(run(QStringLiteral("a b c"), QStringLiteral(" "), QStringLiteral(" ")),
              QStringList({QStringLiteral("b")}));
    // Y right after X: the empty fragment is added only when an include option fills it.
    EXPECT_EQ(run(QStringLiteral("[]"), QStringLiteral("["), QStringLiteral("]")), QStringList());
    EXPECT_EQ(run(QStringLiteral("[]"), QStringLiteral("["), QStringLiteral("]"), true),
              QStringList({QStringLiteral("[]")}));
}

TEST_F(Between, AnEndInsideTheStartMarkerIsReportedPerOccurrence) {
    EXPECT_EQ(run(QStringLiteral("<b>x</b> <b>y"), QStringLiteral("<b>"), QStringLiteral(">")),
              QStringList());
    const auto reports = f.dialogs.errorReports();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(
        reports[0].text.contains(QStringLiteral("in Vantrel2021/08/31.Form2.PushButton4_Click at line 148")));
}

TEST_F(Between, DuplicatesProgressAndMessages) {
    f.state.setCheck1(0);
    f.state.urls.clear();
    f.addUrls({QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p3")});
    for (const char* p : {"p1", "p2", "p3"})
        f.browser.setPage(QLatin1String(p), QStringLiteral("[same] [same]"));
    between.setStartWith(QStringLiteral("["));
    between.setEndWith(QStringLiteral("]"));
    QList<int> progress;
    f.browser.onNavigate = [&](const QString&) { progress << f.state.progressValue(); };
    ExtractBetween::runBetween(f.host, f.state, between);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("[same]")}));
    EXPECT_EQ(progress, QList<int>({33, 66, 100})); // rounded down

    between.setEndWith(QString());
    ExtractBetween::runBetween(f.host, f.state, between);
    f.state.urls.clear();
    between.setEndWith(QStringLiteral("]"));
    ExtractBetween::runBetween(f.host, f.state, between);
    EXPECT_EQ(
        f.dialogs.texts(),
        QStringList(
            {QStringLiteral("Fill out starting text (or character) and fill out ending text (or character)."),
             QStringLiteral("No files added.")}));
}

TEST_F(Between, MarkersEmptiedMidRunApplyFromTheNextSourceAndNeverStall) {
    f.state.urls.append(QStringLiteral("q"));
    f.browser.setPage(QStringLiteral("q"), QStringLiteral("[c]"));
    // While the first source is scanned (its first occurrence yields events), the user empties X.
    f.pump.actions[2] = [&] { between.setStartWith(QString()); };
    EXPECT_EQ(run(QStringLiteral("[a] [b]"), QStringLiteral("["), QStringLiteral("]")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(f.browser.navigations, QStringList({QStringLiteral("p"), QStringLiteral("q")}));
}

TEST_F(Between, FieldsComeFromTheStoreAndGoBackOnEveryChange) {
    f.settings.set(QStringLiteral("StartWith"), QStringLiteral("<td>"));
    f.settings.set(QStringLiteral("Check22"), QStringLiteral("0"));
    f.settings.set(QStringLiteral("Check21"), QStringLiteral("x"));
    Settings::loadBetweenFields(f.host, between);
    // The window's own load statements come first: the fields are read at 108 to 114.
    ASSERT_EQ(f.dialogs.errorReports().size(), 1);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(QStringLiteral("Form2.Form_Load at line 112\r")));
    EXPECT_EQ(between.startWith(), QStringLiteral("<td>"));
    EXPECT_TRUE(between.endWith().isEmpty());
    EXPECT_TRUE(between.includeStart());
    EXPECT_FALSE(between.includeEnd());
    between.setEndWith(QStringLiteral("</"));
    between.setCheck21(0);
    EXPECT_EQ(f.settings.value(QStringLiteral("EndWith")), QStringLiteral("</"));
    EXPECT_EQ(f.settings.value(QStringLiteral("Check21")), QStringLiteral("0"));
}

TEST_F(Between, HelpHasTwentyEightLinesAndItsExampleHolds) {
    ExtractBetween::showHelp(f.host);
    const QStringList lines = f.dialogs.messages.first().text.split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 28);
    f.dialogs.messages.clear();
    EXPECT_EQ(run(lines[17], lines[20], lines[21]).value(0).chopped(1), lines[25]); // up to the closing quote
}

namespace {
class TextSets : public ::testing::Test {
protected:
    FakeHost f;
    TextSetState set;
    int closes = 0;
    TextSets() {
        QObject::connect(&set, &TextSetState::closeRequested, [this] { ++closes; });
        f.addUrls({QStringLiteral("p")});
    }
    void add(const QString& answer) {
        f.dialogs.promptAnswers << answer;
        ExtractTextSets::addText(f.host, set);
    }
    QStringList run() {
        f.state.results.clear();
        ExtractTextSets::runTextSet(f.host, f.state, set);
        return f.resultTexts();
    }
};
} // namespace

TEST_F(TextSets, EveryMatchingTextMakesItsOwnAttempt) {
    f.browser.setPage(QStringLiteral("p"),
                      QStringLiteral("Table WIDTH 100\r\na line with width\r\nnone here\r\n"));
    add(QStringLiteral("width"));
    add(QStringLiteral("TABLE"));
    f.state.setCheck1(1);
    EXPECT_EQ(run(), QStringList({QStringLiteral("Table WIDTH 100"), QStringLiteral("Table WIDTH 100"),
                                  QStringLiteral("a line with width")}));
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(f.dialogs.messages.isEmpty()); // no "Done."
    f.state.setCheck1(0);
    EXPECT_EQ(run(), QStringList({QStringLiteral("Table WIDTH 100"), QStringLiteral("a line with width")}));
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Results"));
    EXPECT_EQ(set.pointer(), Pointer::Default);

    f.state.setCheck14(1); // the candidate is the source with the line
    f.state.setCheck1(0);
    EXPECT_EQ(run().size(), 2);
}

TEST_F(TextSets, BuildingTheSet) {
    add(QString()); // cancelled or empty
    add(QStringLiteral("  "));
    add(QStringLiteral("x"));
    add(QStringLiteral("x"));
    EXPECT_EQ(set.texts(), QStringList({QStringLiteral("  "), QStringLiteral("x"), QStringLiteral("x")}));
    EXPECT_EQ(f.dialogs.prompts.first().text, QStringLiteral("Enter text:"));
    ExtractTextSets::removeSelectedText(f.host, set, -1);
    EXPECT_EQ(set.texts().size(), 3);
    ExtractTextSets::removeSelectedText(f.host, set, 0);
    EXPECT_EQ(set.texts(), QStringList({QStringLiteral("x"), QStringLiteral("x")}));

    f.state.setCheck1(1);
    f.browser.setPage(QStringLiteral("p"), QStringLiteral("x\r\ny"));
    EXPECT_EQ(run(),
              QStringList({QStringLiteral("x"), QStringLiteral("x")})); // a text added twice counts twice

    ExtractTextSets::removeAllTexts(f.host, set);
    EXPECT_TRUE(set.texts().isEmpty());
}

TEST_F(TextSets, EmptySetOrListEndsEarly) {
    run();
    EXPECT_EQ(f.dialogs.texts(),
              QStringList({QStringLiteral("Fill out combobox text to use to extract lines.")}));
    EXPECT_TRUE(f.browser.navigations.isEmpty());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Results"));

    f.state.urls.clear();
    add(QStringLiteral("a"));
    run();
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("No files added."));
    EXPECT_EQ(closes, 1); // the window stays open
}

TEST_F(TextSets, HelpResultsAreWhatTheModeExtractsFromItsVerse) {
    ExtractTextSets::showHelp(f.host);
    const QStringList lines = f.dialogs.messages.first().text.split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 33);
    const QStringList verse = lines.mid(8, 4) + lines.mid(13, 4);
    f.browser.setPage(QStringLiteral("p"), verse.join(QStringLiteral("\r\n")));
    for (const QString& text : lines.mid(22, 3))
        add(text);
    f.dialogs.messages.clear();
    QStringList extracted;
    for (const QString& line : run())
        extracted << line.trimmed();
    EXPECT_EQ(extracted, lines.mid(28, 5));
}
