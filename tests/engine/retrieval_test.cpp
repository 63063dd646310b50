#include "engine/retrieval.h"
#include "fakes/fakehost.h"

#include <gtest/gtest.h>

namespace {
class Retrieve : public ::testing::Test {
protected:
    FakeHost f;
    QString get(const QString& entry) { return GetWebBrowserText(f.host, f.state, entry); }
};
} // namespace

TEST_F(Retrieve, ReadsMarkupOrRenderedTextOrNothing)
{
    f.browser.pages[QStringLiteral("p")] = {QStringLiteral("<html>x</html>"), QStringLiteral("x")};
    EXPECT_EQ(get(QStringLiteral("p")), QStringLiteral("<html>x</html>"));
    f.state.setOption1(false);
    f.state.setOption2(true);
    EXPECT_EQ(get(QStringLiteral("p")), QStringLiteral("x"));
    f.state.setOption2(false);
    EXPECT_EQ(get(QStringLiteral("p")), QString());
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(Retrieve, WaitCountsInTheStatusLineAndLeavesItIdle)
{
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

TEST_F(Retrieve, APageThatNeverCompletesIsReadAtTheTimeLimitWithoutMessage)
{
    f.browser.pages[QStringLiteral("never")] = {QStringLiteral("partial"), {}, -1};
    f.clock.stepPerRead = 1000;
    EXPECT_EQ(get(QStringLiteral("never")), QStringLiteral("partial"));
    EXPECT_EQ(f.pump.waits, 59); // the clock reads 1 s … 59 s inside the limit, 60 s at it
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(Retrieve, APageThatNeverCompletesIsReadAfterTheIterationCap)
{
    f.browser.pages[QStringLiteral("never")] = {QStringLiteral("partial"), {}, -1};
    EXPECT_EQ(get(QStringLiteral("never")), QStringLiteral("partial"));
    EXPECT_EQ(f.pump.waits, Retrieval::WaitCap);
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(Retrieve, FailuresAreReportedOnceWithTheirStatementNumbers)
{
    f.browser.pages[QStringLiteral("nobody")] = {QStringLiteral("<html></html>"), {}, 0, false};
    f.state.setOption1(false);
    f.state.setOption2(true);
    EXPECT_EQ(get(QStringLiteral("nobody")), QString());
    ASSERT_EQ(f.dialogs.errorReports().size(), 1);
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(QStringLiteral("Extract1.GetWebBrowserText at line 126")));

    // A refused address: reported at 100, and what the engine still holds is read.
    f.browser.pages[QStringLiteral("ok")] = {QStringLiteral("old"), QStringLiteral("old")};
    get(QStringLiteral("ok"));
    f.browser.pages[QStringLiteral("refused")].refuse = true;
    EXPECT_EQ(get(QStringLiteral("refused")), QStringLiteral("old"));
    ASSERT_EQ(f.dialogs.errorReports().size(), 2);
    EXPECT_TRUE(f.dialogs.messages[1].text.contains(QStringLiteral("at line 100")));
}
