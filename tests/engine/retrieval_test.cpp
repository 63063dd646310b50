#include "engine/retrieval.h"
#include "fakes/fakehost.h"

#include <gtest/gtest.h>

namespace {
class Retrieve : public ::testing::Test {
protected:
    FakeHost f;
    QString get(const QString& entry) { return readPageText(f.host, f.state, entry); }
};
} // namespace

TEST_F(Retrieve, ReadsMarkupOrRenderedTextOrNothing) {
    f.browser.pages[QStringLiteral("p")] = {QStringLiteral("<html>x</html>"), QStringLiteral("x")};
    EXPECT_EQ(get(QStringLiteral("p")), QStringLiteral("<html>x</html>"));
    f.state.setOption1(false);
    f.state.setOption2(true);
    EXPECT_EQ(get(QStringLiteral("p")), QStringLiteral("x"));
    f.state.setOption2(false);
    EXPECT_EQ(get(QStringLiteral("p")), QString());
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(Retrieve, WaitCountsInTheStatusLineAndLeavesItIdle) {
    f.browser.pages[QStringLiteral("slow")] = {QStringLiteral("t"), {}, 20};
    QStringList statuses;
    QObject::connect(&f.state, &MainState::statusLineChanged, [&](const QString& s) { statuses << s; });
    EXPECT_EQ(get(QStringLiteral("slow")), QStringLiteral("t"));
    ASSERT_GE(statuses.size(), 15);
    EXPECT_EQ(statuses[14], QStringLiteral("Retreiving: slow  15"));
    EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(f.state.pointer(), Pointer::Busy);
    EXPECT_EQ(f.pump.waits, 20); // every iteration waits for events instead of spinning

    // A page complete at the first look never shows the counter.
    statuses.clear();
    f.browser.setPage(QStringLiteral("fast"), QStringLiteral("t"));
    get(QStringLiteral("fast"));
    EXPECT_EQ(statuses, QStringList());
}

TEST_F(Retrieve, APageThatNeverCompletesGivesWhatItLoadedOrNothingWithOneReport) {
    // Answered but never finished: read at the time limit, with one report that says so.
    f.browser.pages[QStringLiteral("never")] = {QStringLiteral("partial"), {}, -1};
    f.clock.stepPerRead = 1000;
    EXPECT_EQ(get(QStringLiteral("never")), QStringLiteral("partial"));
    EXPECT_EQ(f.pump.waits, 59); // the clock reads 1 s … 59 s inside the limit, 60 s at it
    ASSERT_EQ(f.dialogs.errorReports().size(), 1);
    EXPECT_TRUE(f.dialogs.messages[0].text.startsWith(QStringLiteral(
        "never: the page did not finish loading within 60 s; its text is what had loaded by then\r\n")));
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(QStringLiteral("GetWebBrowserText at line 104")));

    // Never answered: nothing of the document shown before it, whether the clock or the cap ends the wait.
    f.browser.pages[QStringLiteral("silent")] = {QStringLiteral("old document"),
                                                 QStringLiteral("old document"), -1};
    f.browser.pages[QStringLiteral("silent")].commits = false;
    EXPECT_EQ(get(QStringLiteral("silent")), QString());
    f.clock.stepPerRead = 0;
    f.pump.waits = 0;
    EXPECT_EQ(get(QStringLiteral("silent")), QString());
    EXPECT_EQ(f.pump.waits, Retrieval::WaitCap);
    const auto reports = f.dialogs.errorReports();
    ASSERT_EQ(reports.size(), 3);
    for (int i : {1, 2})
        EXPECT_TRUE(reports[i].text.startsWith(
            QStringLiteral("Could not load silent: the page did not answer within 60 s\r\n")))
            << reports[i].text.toStdString();
    EXPECT_EQ(f.browser.liveLoads, 0);
}

TEST_F(Retrieve, FailuresAreReportedOnceWithTheirStatementNumbers) {
    f.browser.pages[QStringLiteral("nobody")] = {QStringLiteral("<html></html>"), {}, 0, false};
    f.state.setOption1(false);
    f.state.setOption2(true);
    EXPECT_EQ(get(QStringLiteral("nobody")), QString());
    ASSERT_EQ(f.dialogs.errorReports().size(), 1);
    EXPECT_TRUE(
        f.dialogs.messages[0].text.contains(QStringLiteral("Extract1.GetWebBrowserText at line 126")));

    // A refused address: reported at 100, and never the text of the page before it.
    f.browser.pages[QStringLiteral("ok")] = {QStringLiteral("old"), QStringLiteral("old")};
    get(QStringLiteral("ok"));
    f.browser.pages[QStringLiteral("refused")].refuse = true;
    EXPECT_EQ(get(QStringLiteral("refused")), QString());
    ASSERT_EQ(f.dialogs.errorReports().size(), 2);
    EXPECT_TRUE(f.dialogs.messages[1].text.contains(QStringLiteral("at line 100")));
}
