#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "engine/procedure.h"
#include "fakes/fakehost.h"

#include <gtest/gtest.h>

namespace {
class Modes : public ::testing::Test {
protected:
    FakeHost f;
    Modes() {
        f.state.setCheck1(1);
        f.browser.setPage(QStringLiteral("p"),
                          QStringLiteral("xabcx\r\nABC\r\nAbC and more\r\nnothing\r\nabc \r\n"));
        f.addUrls({QStringLiteral("p")});
    }
    QStringList reportsAt() const {
        QStringList lines;
        for (const auto& r : f.dialogs.errorReports())
            lines << r.text.section(QStringLiteral(" at line "), 1).left(3);
        return lines;
    }
};
} // namespace

TEST_F(Modes, ContainingAndNotContainingIgnoreCaseButNotBlanks) {
    f.state.setText1(QStringLiteral("ABC"));
    runLinesContaining(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("xabcx"), QStringLiteral("ABC"),
                                            QStringLiteral("AbC and more"), QStringLiteral("abc ")}));
    f.state.results.clear();
    f.state.setText2(QStringLiteral("abc ")); // the trailing blank counts: "ABC" does not end with it
    runLinesNotContaining(f.host, f.state);
    EXPECT_EQ(f.resultTexts(),
              QStringList({QStringLiteral("xabcx"), QStringLiteral("ABC"), QStringLiteral("nothing")}));
    f.state.results.clear();
    f.state.setText2(QStringLiteral("ABC"));
    runLinesNotContaining(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("nothing")}));
    EXPECT_EQ(f.dialogs.texts().size(), 3);
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Result(s)"));
}

TEST_F(Modes, EmptySearchTextsKeepEverythingOrNothing) {
    runLinesContaining(f.host, f.state);
    const QStringList containing = f.resultTexts();
    f.state.results.clear();
    runAllLines(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), containing);
    f.state.results.clear();
    runLinesNotContaining(f.host, f.state);
    EXPECT_TRUE(f.resultTexts().isEmpty());
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Done."));
}

TEST_F(Modes, SearchTextIsReadAnewForEveryLineAndNumbersDifferPerMode) {
    // Text1 changes while the first line is being added: the rest of the page uses the new text.
    f.state.setText1(QStringLiteral("abc"));
    QObject::connect(&f.state.results, &ResultsList::appended,
                     [&] { f.state.setText1(QStringLiteral("NOTHING")); });
    runLinesContaining(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("xabcx"), QStringLiteral("nothing")}));

    f.state.urls.clear();
    runLinesContaining(f.host, f.state);
    runLinesNotContaining(f.host, f.state);
    EXPECT_EQ(f.dialogs.texts().mid(1),
              QStringList({QStringLiteral("No URLs added."), QStringLiteral("No URLs added.")}));

    f.state.urls.append(QStringLiteral("nobody"));
    f.browser.pages[QStringLiteral("nobody")].refuse = true;
    f.browser.pages[QStringLiteral("nobody")].html = QStringLiteral("held");
    f.dialogs.messages.clear();
    f.browser.onNavigate = [&](const QString&) { throw Failure(QStringLiteral("x")); };
    runLinesNotContaining(f.host, f.state);
    EXPECT_EQ(reportsAt(), QStringList({QStringLiteral("100")})); // retrieval reports its own line
}

TEST_F(Modes, LinesByNumberFollowPageOrderAndReportBadPieces) {
    f.browser.setPage(QStringLiteral("p"), QStringLiteral("A\r\nB\r\nC\r\nD\r\nE\r\nF\r\nG"));
    f.state.setText5(QStringLiteral("4,1,3,3"));
    runLinesByNumber(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Results"));
    EXPECT_TRUE(f.state.resultsDisplayEnabled());

    f.state.results.clear();
    f.state.setText5(QStringLiteral(" 2 ,1-3,0,99,x,"));
    runLinesByNumber(f.host, f.state);
    // "1-3" still selects line 1; the empty last piece, "x" and "1-3" are reported once each.
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(reportsAt(),
              QStringList({QStringLiteral("128"), QStringLiteral("128"), QStringLiteral("128")}));
}

TEST_F(Modes, LinesByNumberAddsASelectedEmptyLineOnceAndChecksItsInputFirst) {
    f.state.setCheck1(0);
    f.browser.setPage(QStringLiteral("p"), QStringLiteral("A\r\n"));
    f.state.urls.append(QStringLiteral("p"));
    f.state.setText5(QStringLiteral("2,1"));
    runLinesByNumber(f.host, f.state);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("A"), QString()}));

    f.state.setText5(QString());
    runLinesByNumber(f.host, f.state);
    f.state.setText5(QStringLiteral("1"));
    f.state.urls.clear();
    runLinesByNumber(f.host, f.state);
    EXPECT_EQ(f.dialogs.texts().mid(1), QStringList({QStringLiteral("Fill out text to use to extract lines."),
                                                     QStringLiteral("No files added.")}));
}

TEST(LineNumbers, ConversionAndReadingBack) {
    EXPECT_EQ(LineNumbers::toInteger(QStringLiteral(" 7 ")), 7);
    EXPECT_EQ(LineNumbers::toInteger(QStringLiteral("2.5")), 2);
    EXPECT_EQ(LineNumbers::toInteger(QStringLiteral("3.5")), 4);
    EXPECT_EQ(LineNumbers::toInteger(QStringLiteral("-32768")), -32768);
    EXPECT_THROW(LineNumbers::toInteger(QStringLiteral("40000")), Failure);
    EXPECT_THROW(LineNumbers::toInteger(QString()), Failure);
    EXPECT_THROW(LineNumbers::toInteger(QStringLiteral("1-3")), Failure);
    for (const char* notFinite : {"nan", "NaN", "inf", "-Infinity"})
        EXPECT_THROW(LineNumbers::toInteger(QLatin1String(notFinite)), Failure) << notFinite;
    EXPECT_EQ(LineNumbers::leadingNumber(QStringLiteral("1-3")), 1);
    EXPECT_EQ(LineNumbers::leadingNumber(QStringLiteral(" 1 2x")), 12);
    EXPECT_EQ(LineNumbers::leadingNumber(QStringLiteral("x1")), 0);
    EXPECT_EQ(LineNumbers::leadingNumber(QStringLiteral("-4")), -4);
}

TEST(LineNumbers, HelpExplainsByExample) {
    FakeHost f;
    showLinesByNumberHelp(f.host);
    const QStringList lines = f.dialogs.messages.first().text.split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 21);
    EXPECT_EQ(lines[10], QStringLiteral("and your input is: 1,3,4"));
    EXPECT_EQ(lines[12], QStringLiteral("then "));
    EXPECT_EQ(
        lines[20],
        QStringLiteral("The same lines will be extracted throughout all the urls you add to the list."));
}

namespace {
struct StatementCase {
    const char* location;
    int line;
    QStringList rows; // what the run adds when that statement fails every time it runs
};
} // namespace

// Every mode's statement table: the step that fails is the number the report quotes, the run goes on to its
// end, and a failed branch test (negated ones too) runs the branch it guards.
TEST(StatementTables, AFailedStepIsQuotedByNumberAndTheRunGoesOn) {
    const QString A = QStringLiteral("alpha"), B = QStringLiteral("beta");
    const QList<StatementCase> cases = {
        {"Form1.PushButton3_Click", 128, {A, B}},
        {"Form1.PushButton3_Click", 144, {A, QString(), B}}, // the empty line is added too
        {"Form1.PushButton3_Click", 156, {A, B, A}},         // the duplicate is added too
        {"Form1.PushButton3_Click", 178, {A, B}},
        {"Form1.PushButton2_Click", 134, {}},
        {"Form1.PushButton2_Click", 144, {A, B}}, // the filter lets every line through
        {"Form1.PushButton2_Click", 146, {A, A}}, // duplicates are kept
        {"Form1.PushButton8_Click", 136, {}},
        {"Form1.PushButton8_Click", 146, {A, B}},
        {"Form1.PushButton8_Click", 148, {B}},
        {"Form1.PushButton17_Click", 128, {A, B}}, // the pieces stay text, read for their leading number
        {"Form1.PushButton17_Click", 140, {A, B}},
        {"Form1.PushButton17_Click", 154, {A, B}},
        {"Form2.PushButton4_Click", 128, {QStringLiteral("p")}},
        {"Form2.PushButton4_Click", 138, {QStringLiteral("p")}},
        {"Form2.PushButton4_Click", 162, {QStringLiteral("p"), QStringLiteral("p")}},
        {"Form3.PushButton4_Click", 130, {A}},
        {"Form3.PushButton4_Click", 140, {}},
        {"Form3.PushButton4_Click", 144, {A}},
        {"Form3.PushButton4_Click", 152, {A, A}}, // the KeepDuplicates test fails: duplicates are kept
        {"Form3.PushButton4_Click", 174, {A, A}},
    };
    for (const StatementCase& c : cases) {
        SCOPED_TRACE(std::string(c.location) + " " + std::to_string(c.line));
        FakeHost f;
        BetweenState between;
        TextSetState set;
        f.browser.setPage(QStringLiteral("p"), QStringLiteral("alpha\r\n\r\nbeta\r\nalpha"));
        f.addUrls({QStringLiteral("p")});
        f.state.setText1(A);
        f.state.setText2(A);
        f.state.setText5(QStringLiteral("1,3"));
        between.setStartWith(QStringLiteral("al"));
        between.setEndWith(QStringLiteral("ha"));
        between.setCheck21(0);
        between.setCheck22(0);
        set.append(A);
        const QString location = QLatin1String(c.location);
        Procedure::setFaultHook([&](const QString& where, int line) {
            if (where == location && line == c.line)
                throw Failure(QStringLiteral("injected"));
        });
        if (location == QStringLiteral("Form1.PushButton3_Click"))
            runAllLines(f.host, f.state);
        else if (location == QStringLiteral("Form1.PushButton2_Click"))
            runLinesContaining(f.host, f.state);
        else if (location == QStringLiteral("Form1.PushButton8_Click"))
            runLinesNotContaining(f.host, f.state);
        else if (location == QStringLiteral("Form1.PushButton17_Click"))
            runLinesByNumber(f.host, f.state);
        else if (location == QStringLiteral("Form2.PushButton4_Click"))
            ExtractBetween::runBetween(f.host, f.state, between);
        else
            ExtractTextSets::runTextSet(f.host, f.state, set);
        Procedure::setFaultHook(nullptr);

        const auto reports = f.dialogs.errorReports();
        ASSERT_FALSE(reports.isEmpty());
        for (const auto& report : reports)
            EXPECT_TRUE(report.text.startsWith(QStringLiteral("injected\r\nin Vantrel2021/08/31.") +
                                               location + QStringLiteral(" at line ") +
                                               QString::number(c.line) + QLatin1Char('\r')))
                << report.text.toStdString();
        EXPECT_EQ(f.resultTexts(), c.rows);
        EXPECT_EQ(f.state.pointer(), Pointer::Default); // every run reached its closing steps
        EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
    }
}
