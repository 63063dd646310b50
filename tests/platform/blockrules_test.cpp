#include "webengine/blockrules.h"

#include "base/failure.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using T = BlockRules::Type;

struct Case {
    const char* host;
    const char* page;
    T type;
    bool blocked;
};

// Each case is a request (its host, the page's host, its type) and whether the rules block it.
void expectDecisions(const BlockRules& rules, std::initializer_list<Case> cases) {
    for (const Case& c : cases)
        EXPECT_EQ(rules.blocks(QString::fromLatin1(c.host), QString::fromLatin1(c.page), c.type), c.blocked)
            << c.host << " from " << c.page << " (type " << int(c.type) << ")";
}

} // namespace

TEST(BlockRules, HostRulesWithTheirOptionsAndExceptionsDecideEachRequest) {
    BlockRules rules;
    const BlockRules::Read read = rules.add("[Adblock Plus 2.0]\n"
                                            "! a comment\n"
                                            "||ads.example^\n"
                                            "||track.example^$third-party\r\n"
                                            "||own.example^$~third-party,script\n"
                                            "||cdn.example^$script,domain=news.test|~sports.news.test\n"
                                            "||pix.example^$~script\n"
                                            "||ads.example^$popup\n"
                                            "@@||ok.ads.example^\n"
                                            "||strong.example^$important\n"
                                            "@@||strong.example^\n"
                                            "@@||friendly.test^$document\n"
                                            "||co.example.co.uk^$third-party\n"
                                            "news.test##.banner\n"
                                            "/banner/*$image\n"
                                            "||path.example/ads/\n"
                                            "||redirected.example^$redirect=noop.js\n"
                                            "||wild*.example^\n");
    EXPECT_EQ(read.rules, 11);
    EXPECT_EQ(read.skipped, 4) << "a path, a pattern, a redirect and a wildcard host";
    expectDecisions(
        rules, {
                   {"ads.example", "news.test", T::Script, true},
                   {"a.b.ads.example", "news.test", T::Xhr, true},     // below the host
                   {"badads.example", "news.test", T::Script, false},  // not below it
                   {"ads.example.org", "news.test", T::Script, false}, // nor a host that starts with it
                   {"ok.ads.example", "news.test", T::Script, false},  // an exception over the rule
                   {"ads.example", "news.test", T::Document, false},   // a page itself, never
                   {"track.example", "news.test", T::Script, true},    // third party
                   {"track.example", "www.track.example", T::Script, false},
                   {"own.example", "www.own.example", T::Script, true}, // first party only, scripts only
                   {"own.example", "news.test", T::Script, false},
                   {"own.example", "own.example", T::Stylesheet, false},
                   {"cdn.example", "www.news.test", T::Script, true},     // on the listed domain and below it
                   {"cdn.example", "sports.news.test", T::Script, false}, // but not where it is excepted
                   {"cdn.example", "other.test", T::Script, false},
                   {"cdn.example", "www.news.test", T::Stylesheet, false},
                   {"pix.example", "news.test", T::Image, true}, // everything but scripts
                   {"pix.example", "news.test", T::Script, false},
                   {"strong.example", "news.test", T::Script, true},   // important outranks the exception
                   {"ads.example", "friendly.test", T::Script, false}, // a page let load whole
                   {"ads.example", "www.friendly.test", T::Script, false},
                   {"co.example.co.uk", "www.example.co.uk", T::Script, false}, // one site under co.uk
                   {"co.example.co.uk", "other.co.uk", T::Script, true},
                   {"ads.example", "", T::Script, true},            // no page: third party
                   {"path.example", "news.test", T::Script, false}, // its rule was skipped
               });
}

// The lists Debian ships, where they are installed: read whole, and deciding the hosts every article page
// meets the way the lists mean them.
TEST(BlockRules, TheListsDebianShipsBlockTagManagersAndAnalyticsButNotLibraryHosts) {
    for (const QString& path : BlockRules::defaultLists())
        if (!QFile::exists(path))
            GTEST_SKIP() << path.toStdString() << " is not installed (" << BlockRules::ListsPackage << ')';
    QStringList missing;
    const std::shared_ptr<const BlockRules> rules = readBlockLists({}, &missing);
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_GT(rules->rules(), 50000);
    EXPECT_GT(rules->skipped(), 0);
    expectDecisions(*rules, {
                                {"www.googletagmanager.com", "www.news.test", T::Script, true},
                                {"www.google-analytics.com", "www.news.test", T::Script, true},
                                {"b.scorecardresearch.com", "www.news.test", T::Script, true},
                                {"cdn.jsdelivr.net", "www.news.test", T::Script, false},
                                {"code.jquery.com", "www.news.test", T::Script, false},
                                {"www.news.test", "www.news.test", T::Script, false},
                            });
    EXPECT_THROW(readBlockLists({QStringLiteral("/no/such/list.txt")}, &missing), Failure);
}
