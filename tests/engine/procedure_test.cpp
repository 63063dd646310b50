#include "base/apptexts.h"
#include "base/failure.h"
#include "engine/procedure.h"
#include "fakes/fakedialogs.h"

#include <gtest/gtest.h>

TEST(Procedure, FailureIsReportedWithLocationAndLineThenTheNextStatementRuns) {
    FakeDialogs dialogs;
    Procedure p(dialogs, QStringLiteral("Form1.PushButton3_Click"));
    QStringList ran;
    p.run(100, [&] { ran << QStringLiteral("100"); });
    p.run(102, [&] { throw Failure(QStringLiteral("Object required")); });
    p.run(104, [&] { ran << QStringLiteral("104"); });

    EXPECT_EQ(ran, QStringList({QStringLiteral("100"), QStringLiteral("104")}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    const auto& report = dialogs.messages.first();
    EXPECT_EQ(report.text,
              QStringLiteral("Object required\r\nin Vantrel2021/08/31.Form1.PushButton3_Click at line "
                             "102\r\rPlease email screenshot of this message to ") +
                  AppTexts::supportAddress());
    EXPECT_EQ(report.title, QStringLiteral("Application Error"));
    EXPECT_EQ(report.icon, MessageIcon::Warning);
    EXPECT_EQ(report.buttons, MessageButtons::Ok);
}

TEST(Procedure, FailedBranchTestRunsTheGuardedBranch) {
    FakeDialogs dialogs;
    Procedure p(dialogs, QStringLiteral("Main.Test"));
    const bool taken = p.test(110, []() -> bool { throw Failure(QStringLiteral("bad")); });
    EXPECT_TRUE(taken);
    EXPECT_TRUE(dialogs.messages.first().text.contains(QStringLiteral("at line 110")));
    EXPECT_FALSE(p.test(112, [] { return false; }));
}

TEST(Procedure, LoopGoesOnWithItsNextStepAndOtherModulesKeepTheirPrefix) {
    FakeDialogs dialogs;
    Procedure p(dialogs, QStringLiteral("AddFolder.GetSubDirectories2016"),
                QStringLiteral("Dornwell2021/08/31."));
    int done = 0;
    for (int i = 0; i < 4; ++i)
        p.run(120, [&] {
            if (i % 2)
                throw std::runtime_error("odd");
            ++done;
        });
    EXPECT_EQ(done, 2);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(
        QStringLiteral("odd\r\nin Dornwell2021/08/31.AddFolder.GetSubDirectories2016 at line 120\r\r")));
}

TEST(Procedure, ClosingTheWindowIsNeverCaught) {
    FakeDialogs dialogs;
    Procedure p(dialogs, QStringLiteral("Form1.PushButton3_Click"));
    EXPECT_THROW(p.run(100, [] { throw AppClosingUnwind(); }), AppClosingUnwind);
    EXPECT_THROW(p.test(102, []() -> bool { throw AppClosingUnwind(); }), AppClosingUnwind);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(AppTexts, ApplicationTitleDropsWholeWordsToFortyCharacters) {
    EXPECT_EQ(AppTexts::applicationTitle(QStringLiteral("Quarnel")), QStringLiteral("Quarnel"));
    EXPECT_EQ(AppTexts::applicationTitle(QStringLiteral("Web Text Extractor")), QStringLiteral("Web Text"));
    // 52 characters whose last words have 8 and 5 letters: both go (43, then 37 characters).
    const QString name = QString(37, QLatin1Char('a')) + QStringLiteral(" bbbbbbbb ccccc");
    ASSERT_EQ(name.size(), 52);
    EXPECT_EQ(AppTexts::applicationTitle(name), QString(37, QLatin1Char('a')));
    const QString forty = QString(34, QLatin1Char('x')) + QStringLiteral(" yyyyy");
    EXPECT_EQ(AppTexts::applicationTitle(forty), QString(34, QLatin1Char('x')));
    EXPECT_EQ(AppTexts::applicationTitle(), QStringLiteral("Quarnel"));
}

TEST(Dialogs, FilterListsBecomeQtFiltersAndSelectionsJoinWithNul) {
    EXPECT_EQ(toQtNameFilters(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*")),
              QStringList({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
    EXPECT_EQ(toQtNameFilters(QStringLiteral("HTML Files (*.htm;*.html)|*.htm;*.html|")),
              QStringList({QStringLiteral("HTML Files (*.htm *.html)")}));
    EXPECT_EQ(joinSelection({QStringLiteral("/a/b.htm")}), QStringLiteral("/a/b.htm"));
    EXPECT_EQ(joinSelection({QStringLiteral("/a/b.htm"), QStringLiteral("/a/c.htm")}),
              QStringLiteral("/a") + QChar(0) + QStringLiteral("b.htm") + QChar(0) + QStringLiteral("c.htm"));
    EXPECT_EQ(joinSelection({}), QString());
    EXPECT_EQ(toDisplayLines(QStringLiteral("a\rb\r\nc\r\rd")), QStringLiteral("a\nb\nc\n\nd"));
}

TEST(Dialogs, UntitledBoxesCarryTheApplicationTitle) {
    FakeDialogs dialogs;
    dialogs.message(QStringLiteral("Done."));
    dialogs.prompt(QStringLiteral("Enter:"));
    dialogs.message(QStringLiteral("x"), MessageButtons::Ok, MessageIcon::None, QStringLiteral("Own"));
    EXPECT_EQ(dialogs.messages[0].title, AppTexts::applicationTitle());
    EXPECT_EQ(dialogs.prompts[0].title, AppTexts::applicationTitle());
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("Own"));
}
