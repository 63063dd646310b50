#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWebEngineUrlRequestInfo>
#include <future>
#include <memory>
#include <vector>

// The network rules of ad and tracker block lists, in the syntax of EasyList and EasyPrivacy, as far as a
// request tells them apart: rules anchored on a host (`||host^`), with the options third-party and
// ~third-party, the resource types, domain= and important, and exceptions (`@@`) over them;
// `@@||host^$document` lets everything of a page on that host load. A rule of another kind (a path, a
// pattern, a rule that rewrites or redirects) cannot be decided here: it is skipped and counted.
// Element-hiding rules are not network rules and are passed over.
class BlockRules {
public:
    // What a request is, as the rules name it.
    enum Type : quint16 {
        Script = 1 << 0,
        Image = 1 << 1,
        Stylesheet = 1 << 2,
        Object = 1 << 3,
        Xhr = 1 << 4,
        Subdocument = 1 << 5,
        Ping = 1 << 6,
        Media = 1 << 7,
        Font = 1 << 8,
        WebSocket = 1 << 9,
        Other = 1 << 10,
        Document = 1 << 11, // a page itself
        Popup = 1 << 12,    // a window a page opens: never opened here
    };
    // The types a rule without a type option names: every request a page makes.
    static constexpr quint16 AnyRequest = (1 << 11) - 1;

    // The lists Debian ships, read by default, and the package that ships them.
    static QStringList defaultLists();
    static constexpr const char* ListsPackage = "webext-ublock-origin-chromium";

    // What one list gave: the rules taken, and the network rules that cannot be decided here.
    struct Read {
        int rules = 0;
        int skipped = 0;
    };
    // Adds the rules of one list's text.
    Read add(const QByteArray& list);

    int rules() const { return m_rules; }
    int skipped() const { return m_skipped; }

    // Whether a request of `type` to `host`, made by a page on `pageHost` (empty: none), is blocked. A page
    // itself never is. Host names in lower case, as QUrl gives them.
    bool blocks(const QString& host, const QString& pageHost, Type type) const;
    static Type typeOf(QWebEngineUrlRequestInfo::ResourceType type);

private:
    enum class Party : quint8 { Any, Third, First };
    struct Rule {
        quint16 types = AnyRequest;
        Party party = Party::Any;
        bool exception = false;
        bool important = false;
        int domains = -1; // the domain= option: an index into m_domains; -1: every page
        int next = -1;    // the host's next rule in m_all
    };
    struct Domains {
        QStringList include, exclude;
    };
    enum class Verdict { None, Blocked, Allowed, BlockedImportant };

    bool takeLine(QByteArrayView line);
    bool appliesTo(const Rule& rule, const QString& pageHost, bool thirdParty, Type type) const;
    // The rules of `host` and of every domain above it, in turn, until `visit` says stop.
    template <typename Visit> void forEachRuleOf(const QString& host, Visit visit) const;

    QHash<QString, int> m_byHost; // 1 + the index in m_all of the host's last rule
    std::vector<Rule> m_all;
    std::vector<Domains> m_domains;
    bool m_pageExceptions = false; // some rule lets a whole page load (`$document` exception)
    int m_rules = 0;
    int m_skipped = 0;
};

// The rules of the lists Debian ships, those that are missing named in `missing`, and of `ownLists`, the
// user's: each of those must be readable and hold a rule, or a Failure names the first that does not.
std::shared_ptr<const BlockRules> readBlockLists(const QStringList& ownLists, QStringList* missing);
// The same rules, read on a thread of their own while the engine starts, so that blocking costs the run no
// time of its own: the user's lists are checked here and now (a Failure names the first that cannot be
// used), and the missing lists of Debian's named; get() waits for the rest.
using PendingBlockRules = std::shared_future<std::shared_ptr<const BlockRules>>;
PendingBlockRules readBlockListsMeanwhile(const QStringList& ownLists, QStringList* missing);
// The line that says that the lists at `paths` are missing, and which package ships them.
QString missingBlockLists(const QStringList& paths);
