#include "engine/extractionrun.h"
#include "engine/modes/alllines.h"
#include "fakes/fakehost.h"

#include <gtest/gtest.h>

using ExtractionRun::cutIntoLines;

namespace {
const QString CrLf = QStringLiteral("\r\n");

class AllLinesRun : public ::testing::Test {
protected:
    FakeHost f;
    void run() { runAllLines(f.host, f.state); }
};
} // namespace

TEST(CutIntoLines, SplitsOnlyAtCrLfPairs) {
    const QString page = QStringLiteral("A\r\n\r\n  \r\nB\nC\r\n");
    EXPECT_EQ(cutIntoLines(page), QStringList({QStringLiteral("A"), QString(), QStringLiteral("  "),
                                               QStringLiteral("B\nC"), QString()}));
    EXPECT_EQ(cutIntoLines(QStringLiteral("one\ntwo\rthree")),
              QStringList({QStringLiteral("one\ntwo\rthree")}));
    EXPECT_TRUE(cutIntoLines(QString()).isEmpty());
}

TEST_F(AllLinesRun, KeepsEveryNonEmptyLineInOrderAndEndsWithDone) {
    f.state.setCheck1(1);
    f.browser.setPage(QStringLiteral("p1"), QStringLiteral("A\r\n\r\n  \r\nB\nC\r\n"));
    f.browser.setPage(QStringLiteral("p2"), QStringLiteral("A\r\nno break\nat all"));
    f.addUrls({QStringLiteral("p1"), QStringLiteral("p2")});
    run();

    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("A"), QStringLiteral("  "), QStringLiteral("B\nC"),
                                            QStringLiteral("A"), QStringLiteral("no break\nat all")}));
    EXPECT_EQ(f.dialogs.texts(), QStringList({QStringLiteral("Done.")}));
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Result(s)"));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
    EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(f.state.progressValue(), 0);
    EXPECT_EQ(f.browser.navigations, QStringList({QStringLiteral("p1"), QStringLiteral("p2")}));
}

TEST_F(AllLinesRun, SuppressesExactDuplicatesAcrossPagesAndRuns) {
    f.browser.setPage(QStringLiteral("p1"), QStringLiteral("same\r\nsame\r\nSame"));
    f.browser.setPage(QStringLiteral("p2"), QStringLiteral("same\r\nother"));
    f.addUrls({QStringLiteral("p1"), QStringLiteral("p2")});
    run();
    EXPECT_EQ(f.resultTexts(),
              QStringList({QStringLiteral("same"), QStringLiteral("Same"), QStringLiteral("other")}));

    run(); // the same pages again add nothing, and earlier rows stay
    EXPECT_EQ(f.state.results.count(), 3);
}

TEST_F(AllLinesRun, SourcedRowsHoldTheWholeEntryUnderTheSourceLayout) {
    f.browser.setPage(QStringLiteral("/data/pages/a.html"), QStringLiteral("x\r\ny"));
    f.browser.setPage(QStringLiteral("http://h/b"), QStringLiteral("x"));
    f.addUrls({QStringLiteral("/data/pages/a.html")});
    run(); // one plain run first: its rows stay under the new headers
    f.state.urls.clear();
    f.addUrls({QStringLiteral("/data/pages/a.html"), QStringLiteral("http://h/b")});
    f.state.setCheck14(1);
    QStringList statuses;
    QObject::connect(&f.state, &MainState::statusLineChanged, [&](const QString& s) { statuses << s; });
    run();

    const auto& results = f.state.results;
    ASSERT_EQ(results.count(), 5);
    EXPECT_FALSE(results.at(1).sourced);
    EXPECT_EQ(results.at(3).first, QStringLiteral("/data/pages/a.html"));
    EXPECT_EQ(results.at(3).second, QStringLiteral("x"));
    EXPECT_EQ(results.at(5).first, QStringLiteral("http://h/b")); // same text, other source: kept
    ASSERT_EQ(results.columns().size(), 2);
    EXPECT_EQ(results.columns()[0].header, QStringLiteral("Result(s)"));
    EXPECT_EQ(results.columns()[0].widthTwips, 3000);
    EXPECT_EQ(results.columns()[1].header, QStringLiteral("Extraction Results"));
    EXPECT_EQ(results.columns()[1].widthTwips, 4400);
    EXPECT_TRUE(statuses.contains(QStringLiteral("Processing: a.html")));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Processing: http://h/b")));
}

TEST_F(AllLinesRun, EmptyListOnlySaysSo) {
    run();
    EXPECT_EQ(f.dialogs.texts(), QStringList({QStringLiteral("No URLs added.")}));
    EXPECT_EQ(f.state.results.columns().first().header, QStringLiteral("Result(s)"));
    EXPECT_TRUE(f.browser.navigations.isEmpty());
}

TEST_F(AllLinesRun, OptionsAreReadAtTheMomentOfUse) {
    // The page is still loading when the user switches KeepDuplicates on.
    f.browser.pages[QStringLiteral("p")] = {QStringLiteral("d\r\nd"), {}, 3};
    f.addUrls({QStringLiteral("p")});
    f.pump.actions[2] = [&] { f.state.setCheck1(1); };
    QStringList headers;
    QObject::connect(&f.state.results, &ResultsList::headerChanged,
                     [&] { headers << f.state.results.columns().first().header; });
    run();
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("d"), QStringLiteral("d")}));
    EXPECT_TRUE(headers.contains(QStringLiteral("Result(s) - Scanning: p")));
}

TEST_F(AllLinesRun, ProgressOfOneEntryIsFullBeforeItsRetrievalAndEntriesAddedMeanwhileAreNotVisited) {
    f.addUrls({QStringLiteral("only")});
    int progressAtNavigate = -1;
    f.browser.onNavigate = [&](const QString&) {
        progressAtNavigate = f.state.progressValue();
        if (f.state.urls.count() < 3) {
            f.state.urls.append(QStringLiteral("late1"));
            f.state.urls.append(QStringLiteral("late2"));
        }
    };
    run();
    EXPECT_EQ(progressAtNavigate, 100);
    EXPECT_EQ(f.browser.navigations, QStringList({QStringLiteral("only")}));

    // Three entries now, of which the first was there before: the bar divides by the current count.
    f.state.urls.clear();
    f.addUrls({QStringLiteral("a"), QStringLiteral("b")});
    QList<int> progress;
    f.browser.onNavigate = [&](const QString& e) {
        progress << f.state.progressValue();
        if (e == QStringLiteral("a"))
            f.state.urls.append(QStringLiteral("c"));
    };
    run();
    EXPECT_EQ(progress, QList<int>({50, 67}));
    EXPECT_EQ(f.browser.navigations.mid(1), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(AllLinesRun, EntriesRemovedMidRunAreNeitherRepeatedNorReadPastTheEnd) {
    f.addUrls({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    f.browser.onNavigate = [&](const QString& e) {
        if (e == QStringLiteral("b")) {
            f.state.urls.removeAt(1); // "a", already visited
            f.state.urls.removeAt(3); // "d", not yet visited
        }
    };
    QList<int> progress;
    QObject::connect(&f.state, &MainState::progressValueChanged, [&](int value) { progress << value; });
    run();
    EXPECT_EQ(f.browser.navigations,
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(progress, QList<int>({25, 50, 100, 0})); // the third of two remaining entries is not 150 %

    f.browser.navigations.clear();
    f.browser.onNavigate = [&](const QString&) { f.state.urls.clear(); };
    run();
    EXPECT_EQ(f.browser.navigations.size(), 1);
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Done."));
}

TEST_F(AllLinesRun, AFailedRetrievalIsReportedAndTheRunGoesOn) {
    f.browser.pages[QStringLiteral("bad")] = {{}, {}, 0, true, QStringLiteral("Connection refused")};
    f.browser.setPage(QStringLiteral("good"), QStringLiteral("fine"));
    f.addUrls({QStringLiteral("bad"), QStringLiteral("good")});
    run();
    const auto reports = f.dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].text.startsWith(
        QStringLiteral("Could not load bad: Connection refused\r\n"
                       "in Vantrel2021/08/31.Extract1.GetWebBrowserText at line 100")));
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("fine")}));
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Done."));
}
