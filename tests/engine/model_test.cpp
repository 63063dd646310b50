#include "engine/mainstate.h"
#include "engine/matching.h"
#include "engine/sourcename.h"

#include <gtest/gtest.h>

TEST(ShortSourceName, LocalNamesLoseTheirFolderWebAddressesStayWhole) {
    EXPECT_EQ(ShortSourceName(QStringLiteral("C:\\pages\\index.htm")), QStringLiteral("index.htm"));
    EXPECT_EQ(ShortSourceName(QStringLiteral("/home/u/pages/index.html")), QStringLiteral("index.html"));
    EXPECT_EQ(ShortSourceName(QStringLiteral("http://example.com/a/b.html")),
              QStringLiteral("http://example.com/a/b.html"));
    EXPECT_EQ(ShortSourceName(QStringLiteral("C:\\pages\\")), QString());
    EXPECT_EQ(ShortSourceName(QStringLiteral("example.com")), QStringLiteral("example.com"));
}

TEST(ResultsList, ContainsComparesResultsExactly) {
    ResultsList results;
    results.appendRow(QStringLiteral("Alpha"));
    EXPECT_TRUE(results.contains(QStringLiteral("Alpha")));
    EXPECT_FALSE(results.contains(QStringLiteral("alpha")));
    EXPECT_FALSE(results.contains(QStringLiteral("Alpha ")));

    // A sourced row's result is its text, and it matches as a pair only with its own source.
    results.appendSourcedRow(QStringLiteral("http://a"));
    results.setLastRowText(QStringLiteral("Beta"));
    EXPECT_TRUE(results.contains(QStringLiteral("Beta")));
    EXPECT_FALSE(results.contains(QStringLiteral("http://a")));
    EXPECT_TRUE(results.containsSourced(QStringLiteral("http://a"), QStringLiteral("Beta")));
    EXPECT_FALSE(results.containsSourced(QStringLiteral("http://b"), QStringLiteral("Beta")));
    EXPECT_FALSE(results.containsSourced(QStringLiteral("http://a"), QStringLiteral("Alpha")));
}

TEST(ResultsList, IndexFollowsRemovalAndClearing) {
    ResultsList results;
    results.appendRow(QStringLiteral("x"));
    results.appendRow(QStringLiteral("x"));
    results.appendRow(QStringLiteral("y"));
    results.removeAt(1);
    EXPECT_TRUE(results.contains(QStringLiteral("x"))); // the second "x" is still there
    results.removeAt(1);
    EXPECT_FALSE(results.contains(QStringLiteral("x")));
    EXPECT_EQ(results.at(1).first, QStringLiteral("y"));
    results.clear();
    EXPECT_FALSE(results.contains(QStringLiteral("y")));
    EXPECT_EQ(results.columns().size(), 1); // headers survive clearing
    EXPECT_EQ(results.columns().first().header, QStringLiteral("Result(s)"));
    EXPECT_EQ(results.columns().first().widthTwips, 7000);
}

TEST(UrlList, SerialsFindTheNextEntryAfterRemovals) {
    UrlList urls;
    for (const char* e : {"a", "b", "c", "d"})
        urls.append(QLatin1String(e));
    const quint64 last = urls.lastSerial();
    EXPECT_EQ(urls.firstPositionAfter(0, last), 1);
    const quint64 b = urls.serialAt(2);
    urls.removeAt(1); // "a" goes: "c" is still the entry after "b"
    EXPECT_EQ(urls.at(urls.firstPositionAfter(b, last)), QStringLiteral("c"));
    urls.append(QStringLiteral("e"));
    EXPECT_EQ(urls.firstPositionAfter(urls.serialAt(3), last), 0); // "e" lies beyond the bound
}

TEST(MainState, StartsIdleWithHtmlSourceAndSignalsOnlyRealChanges) {
    MainState state;
    EXPECT_EQ(state.statusLine(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(state.progressValue(), 0);
    EXPECT_TRUE(state.option1());
    EXPECT_FALSE(state.option2());
    EXPECT_FALSE(state.keepDuplicates());
    EXPECT_FALSE(state.isBusy());
    int changes = 0;
    QObject::connect(&state, &MainState::text1Changed, [&] { ++changes; });
    state.setText1(QStringLiteral("a"));
    state.setText1(QStringLiteral("a"));
    EXPECT_EQ(changes, 1);
    state.setPointer(Pointer::Busy);
    EXPECT_TRUE(state.isBusy());
}

TEST(Matching, LowersOneCodeUnitToOneAndFindsAnywhere) {
    EXPECT_TRUE(
        containsIgnoringCase(QStringLiteral("Stra\u00c4e GRO\u00dfE"), QStringLiteral("\u00e4e gro\u00df")));
    EXPECT_TRUE(containsIgnoringCase(QStringLiteral("aab"), QStringLiteral("AB")));
    EXPECT_FALSE(containsIgnoringCase(QStringLiteral("ab"), QStringLiteral("abc")));
    EXPECT_TRUE(containsIgnoringCase(QString(), QString()));
    EXPECT_EQ(lowerCodeUnits(QStringLiteral("\u0130X")).size(), 2); // never changes the length
}
