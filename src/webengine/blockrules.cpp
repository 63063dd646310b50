#include "webengine/blockrules.h"

#include "base/failure.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

constexpr quint16 AllTypes = BlockRules::AnyRequest | BlockRules::Document | BlockRules::Popup;

// The type options, by their names in the lists.
quint16 typeNamed(QByteArrayView name) {
    static const QHash<QByteArray, quint16> types = {
        {"script", BlockRules::Script},
        {"image", BlockRules::Image},
        {"stylesheet", BlockRules::Stylesheet},
        {"css", BlockRules::Stylesheet},
        {"object", BlockRules::Object},
        {"object-subrequest", BlockRules::Object},
        {"xmlhttprequest", BlockRules::Xhr},
        {"xhr", BlockRules::Xhr},
        {"subdocument", BlockRules::Subdocument},
        {"frame", BlockRules::Subdocument},
        {"ping", BlockRules::Ping},
        {"beacon", BlockRules::Ping},
        {"media", BlockRules::Media},
        {"font", BlockRules::Font},
        {"websocket", BlockRules::WebSocket},
        {"other", BlockRules::Other},
        {"document", BlockRules::Document},
        {"doc", BlockRules::Document},
        {"popup", BlockRules::Popup},
        {"all", AllTypes},
    };
    return types.value(name.toByteArray(), 0);
}

// Options that say nothing about which requests a rule takes, or only about what is shown: passed over.
bool neutralOption(QByteArrayView name) {
    return name == "match-case" || name == "_" || name == "generichide" || name == "ghide" ||
           name == "elemhide" || name == "ehide" || name == "specifichide" || name == "shide";
}

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// The domain a host belongs to, as far as a list tells a site's own requests from a third party's: its last
// two labels, or three under a country's second-level domains (example.co.uk). An address is itself.
QStringView siteOf(QStringView host) {
    if (host.isEmpty() || host.back().isDigit() || host.contains(u':'))
        return host;
    const qsizetype last = host.lastIndexOf(u'.');
    if (last <= 0)
        return host;
    qsizetype second = host.lastIndexOf(u'.', last - 1);
    if (second < 0)
        return host;
    const QStringView label = host.mid(second + 1, last - second - 1);
    const bool countryTld = host.size() - last - 1 == 2;
    if (countryTld && (label.size() <= 2 || label == u"com" || label == u"net" || label == u"org" ||
                       label == u"gov" || label == u"edu")) {
        const qsizetype third = host.lastIndexOf(u'.', second - 1);
        return third < 0 ? host : host.mid(third + 1);
    }
    return host.mid(second + 1);
}

// Whether `host` is `domain` or below it.
bool within(const QString& host, const QString& domain) {
    return host.endsWith(domain) &&
           (host.size() == domain.size() || host.at(host.size() - domain.size() - 1) == u'.');
}

} // namespace

QStringList BlockRules::defaultLists() {
    const QString folder =
        QStringLiteral("/usr/share/chromium/extensions/ublock-origin/assets/thirdparties/easylist/");
    return {folder + QStringLiteral("easylist.txt"), folder + QStringLiteral("easyprivacy.txt")};
}

BlockRules::Type BlockRules::typeOf(QWebEngineUrlRequestInfo::ResourceType type) {
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadMainFrame:
        return Document;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadSubFrame:
        return Subdocument;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        return Stylesheet;
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
    case QWebEngineUrlRequestInfo::ResourceTypeWorker:
    case QWebEngineUrlRequestInfo::ResourceTypeSharedWorker:
    case QWebEngineUrlRequestInfo::ResourceTypeServiceWorker:
        return Script;
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        return Image;
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        return Font;
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
        return Object;
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        return Media;
    case QWebEngineUrlRequestInfo::ResourceTypeXhr:
        return Xhr;
    case QWebEngineUrlRequestInfo::ResourceTypePing:
    case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
        return Ping;
    case QWebEngineUrlRequestInfo::ResourceTypeWebSocket:
        return WebSocket;
    default:
        return Other;
    }
}

BlockRules::Read BlockRules::add(const QByteArray& list) {
    const Read before{m_rules, m_skipped};
    m_byHost.reserve(m_byHost.size() + list.count("\n||"));
    qsizetype from = 0;
    while (from < list.size()) {
        qsizetype end = list.indexOf('\n', from);
        if (end < 0)
            end = list.size();
        QByteArrayView line(list.constData() + from, end - from);
        from = end + 1;
        while (!line.isEmpty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.chop(1);
        if (line.isEmpty() || line.front() == '!' || line.front() == '[')
            continue; // a comment or the list's header
        if (line.contains('#') &&
            (line.contains("##") || line.contains("#@#") || line.contains("#?#") || line.contains("#$#") ||
             line.contains("#@?#") || line.contains("#@$#") || line.contains("#%#")))
            continue; // element hiding and page scripts: not what a request is
        if (takeLine(line))
            ++m_rules;
        else
            ++m_skipped;
    }
    return {m_rules - before.rules, m_skipped - before.skipped};
}

bool BlockRules::takeLine(QByteArrayView line) {
    Rule rule;
    if (line.startsWith("@@")) {
        rule.exception = true;
        line = line.sliced(2);
    }
    const qsizetype dollar = line.lastIndexOf('$');
    const QByteArrayView pattern = dollar < 0 ? line : line.first(dollar);
    // ||host^ or ||host^| and nothing else: a host and every host below it, whatever the path.
    if (!pattern.startsWith("||"))
        return false;
    QByteArrayView host = pattern.sliced(2);
    if (host.endsWith('|'))
        host.chop(1);
    if (!host.endsWith('^'))
        return false;
    host.chop(1);
    if (host.isEmpty() || host.front() == '.' || host.back() == '.')
        return false;
    for (const char c : host)
        if (!isHostChar(c))
            return false;

    quint16 types = 0, notTypes = 0;
    Domains domains;
    if (dollar >= 0) {
        for (const QByteArray& option : line.sliced(dollar + 1).toByteArray().split(',')) {
            const bool negated = option.startsWith('~');
            const QByteArrayView name = negated ? QByteArrayView(option).sliced(1) : QByteArrayView(option);
            if (name == "third-party" || name == "3p") {
                rule.party = negated ? Party::First : Party::Third;
            } else if (name == "first-party" || name == "1p") {
                rule.party = negated ? Party::Third : Party::First;
            } else if (name == "important" && !negated) {
                rule.important = true;
            } else if (neutralOption(name)) {
                continue;
            } else if (const quint16 type = typeNamed(name)) {
                (negated ? notTypes : types) |= type;
            } else if (!negated && (name.startsWith("domain=") || name.startsWith("from="))) {
                for (const QByteArray& entry : name.sliced(name.indexOf('=') + 1).toByteArray().split('|')) {
                    const bool not_ = entry.startsWith('~');
                    const QString domain = QString::fromLatin1(not_ ? entry.mid(1) : entry).toLower();
                    if (domain.isEmpty() || domain.contains(u'*') || domain.contains(u'/'))
                        return false; // entity (example.*) and pattern domains: not decided here
                    (not_ ? domains.exclude : domains.include) << domain;
                }
            } else {
                return false; // redirect=, csp=, removeparam=, badfilter, denyallow=…: not decided here
            }
        }
    }
    rule.types = quint16((types ? types : AnyRequest) & ~notTypes);
    if (rule.types == 0)
        return true; // a rule for no request: decided, and never met
    if (!domains.include.isEmpty() || !domains.exclude.isEmpty()) {
        rule.domains = int(m_domains.size());
        m_domains.push_back(std::move(domains));
    }
    if (rule.exception && (rule.types & Document))
        m_pageExceptions = true;
    int& last = m_byHost[QString::fromLatin1(host)];
    rule.next = last - 1;
    m_all.push_back(rule);
    last = int(m_all.size());
    return true;
}

template <typename Visit> void BlockRules::forEachRuleOf(const QString& host, Visit visit) const {
    // host, then the domain above it, and so on: "a.b.example.com", "b.example.com", "example.com", "com".
    for (qsizetype at = 0; at >= 0 && at < host.size();) {
        const QString suffix = QString::fromRawData(host.constData() + at, host.size() - at);
        if (const auto found = m_byHost.constFind(suffix); found != m_byHost.cend())
            for (int i = *found - 1; i >= 0; i = m_all[std::size_t(i)].next)
                if (!visit(m_all[std::size_t(i)]))
                    return;
        at = host.indexOf(u'.', at);
        if (at >= 0)
            ++at;
    }
}

bool BlockRules::appliesTo(const Rule& rule, const QString& pageHost, bool thirdParty, Type type) const {
    if (!(rule.types & type))
        return false;
    if ((rule.party == Party::Third && !thirdParty) || (rule.party == Party::First && thirdParty))
        return false;
    if (rule.domains < 0)
        return true;
    const Domains& domains = m_domains[std::size_t(rule.domains)];
    for (const QString& domain : domains.exclude)
        if (within(pageHost, domain))
            return false;
    if (domains.include.isEmpty())
        return true;
    for (const QString& domain : domains.include)
        if (within(pageHost, domain))
            return true;
    return false;
}

bool BlockRules::blocks(const QString& host, const QString& pageHost, Type type) const {
    if (type == Document || host.isEmpty() || m_byHost.isEmpty())
        return false;
    // Most requests meet no rule (a page's own host, a library's): which party asks is worked out only for
    // those that do.
    std::optional<bool> thirdParty;
    bool blocked = false, important = false, excepted = false, importantException = false;
    forEachRuleOf(host, [&](const Rule& rule) {
        if (!thirdParty)
            thirdParty = pageHost.isEmpty() || siteOf(host) != siteOf(pageHost);
        if (!appliesTo(rule, pageHost, *thirdParty, type))
            return true;
        if (rule.exception) {
            excepted = true;
            importantException = importantException || rule.important;
        } else {
            blocked = true;
            important = important || rule.important;
        }
        return true;
    });
    if (!blocked)
        return false;
    if (important)
        return !importantException;
    if (excepted)
        return false;
    // A page that a rule lets load whole: `@@||host^$document` over the page's own host.
    if (m_pageExceptions && !pageHost.isEmpty()) {
        bool pageAllowed = false;
        forEachRuleOf(pageHost, [&](const Rule& rule) {
            pageAllowed =
                rule.exception && (rule.types & Document) && appliesTo(rule, pageHost, false, Document);
            return !pageAllowed;
        });
        return !pageAllowed;
    }
    return true;
}

namespace {

// The texts of the user's lists, each of which must be readable and hold a rule.
QList<QByteArray> ownListTexts(const QStringList& ownLists) {
    QList<QByteArray> texts;
    for (const QString& path : ownLists) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("cannot read the block list %1: %2").arg(path, file.errorString()));
        texts << file.readAll();
        if (BlockRules().add(texts.last()).rules == 0)
            throw Failure(QStringLiteral("the block list %1 holds no rule of the kinds this program uses "
                                         "(||host^ with its options)")
                              .arg(path));
    }
    return texts;
}

std::shared_ptr<const BlockRules> rulesOf(const QList<QByteArray>& ownTexts, QStringList* missing) {
    auto rules = std::make_shared<BlockRules>();
    for (const QString& path : BlockRules::defaultLists()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            rules->add(file.readAll());
        else if (missing)
            *missing << path;
    }
    for (const QByteArray& text : ownTexts)
        rules->add(text);
    return rules;
}

} // namespace

std::shared_ptr<const BlockRules> readBlockLists(const QStringList& ownLists, QStringList* missing) {
    return rulesOf(ownListTexts(ownLists), missing);
}

PendingBlockRules readBlockListsMeanwhile(const QStringList& ownLists, QStringList* missing) {
    QList<QByteArray> ownTexts = ownListTexts(ownLists);
    if (missing)
        for (const QString& path : BlockRules::defaultLists())
            if (!QFileInfo(path).isReadable())
                *missing << path;
    return std::async(std::launch::async,
                      [ownTexts = std::move(ownTexts)] { return rulesOf(ownTexts, nullptr); })
        .share();
}

QString missingBlockLists(const QStringList& paths) {
    // With one of the two lists there, pages still skip what that one names.
    const QString what =
        paths.size() == 1 ? QStringLiteral("the ad and tracker block list %1 is not installed, so pages load "
                                           "what it would block")
                          : QStringLiteral("the ad and tracker block lists %1 are not installed, so pages "
                                           "load everything they ask for");
    return what.arg(paths.join(QStringLiteral(", "))) + QStringLiteral(": install the package ") +
           QLatin1String(BlockRules::ListsPackage);
}
