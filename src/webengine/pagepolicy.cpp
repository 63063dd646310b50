#include "webengine/pagepolicy.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
// A web address's origin: scheme, host and port, the port a scheme's default unless given.
QString originOf(const QUrl& url) {
    const QString scheme = url.scheme();
    const int port = url.port(scheme == "https"_L1 ? 443 : scheme == "http"_L1 ? 80 : -1);
    return scheme + "://"_L1 + url.host().toLower() + u':' + QString::number(port);
}

// Whether a file's name ends in one of `endings`, letter case aside. (Plain string tests: the interceptor
// sees every request of every page, on the UI thread, so it must cost next to nothing.)
bool nameSays(const QString& path, std::initializer_list<QLatin1StringView> endings) {
    for (const QLatin1StringView ending : endings)
        if (path.endsWith(ending, Qt::CaseInsensitive))
            return true;
    return false;
}

// The folder of a local page and the target, links resolved: the target must lie below the folder.
bool insideFolderOf(const QUrl& page, const QUrl& target) {
    const QString folder = QFileInfo(page.toLocalFile()).canonicalPath();
    const QFileInfo file(target.toLocalFile());
    return !folder.isEmpty() && file.isFile() &&
           file.canonicalFilePath().startsWith(folder == QStringLiteral("/") ? folder
                                                                             : folder + QLatin1Char('/'));
}
} // namespace

bool PagePolicy::allows(const QUrl& page, const QUrl& target, QWebEngineUrlRequestInfo::ResourceType type) {
    if (!target.isLocalFile())
        return true;
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return true; // what the user asked for: checked before it is loaded
    if (!page.isLocalFile() || !insideFolderOf(page, target))
        return false;
    const QString path = target.path();
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
        // Saved pages name some of their scripts and styles NAME.js.download.
        return nameSays(path, {".js"_L1, ".mjs"_L1, ".js.download"_L1, ".mjs.download"_L1});
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
        return nameSays(path, {".css"_L1, ".css.download"_L1});
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        return true;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
        return nameSays(path, {".html"_L1, ".htm"_L1, ".xhtml"_L1, ".xht"_L1, ".shtml"_L1});
    default:
        return false; // XMLHttpRequest, fetch, workers, prefetches, pings…
    }
}

bool PagePolicy::neededForText(const QUrl& page, const QUrl& target,
                               QWebEngineUrlRequestInfo::ResourceType type) {
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
    case QWebEngineUrlRequestInfo::ResourceTypePing:
    case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
    case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
        return false; // pictures, sound, letter shapes and beacons: never a word of text
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
        // A frame's text is not the page's; one from another host (an advertisement, a widget) would only
        // hold the page's completion back. The page's own frames load, for its scripts.
        return target.isLocalFile() || target.host().compare(page.host(), Qt::CaseInsensitive) == 0;
    default:
        return true; // the document, its scripts and styles, and what its scripts fetch make the text
    }
}

void PagePolicy::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!neededForText(info.firstPartyUrl(), info.requestUrl(), info.resourceType()) ||
        !allows(info.firstPartyUrl(), info.requestUrl(), info.resourceType())) {
        info.block(true);
        return;
    }
    if (const BlockRules* rules = m_blocking && !info.requestUrl().isLocalFile() ? blockRules() : nullptr;
        rules && rules->blocks(info.requestUrl().host(), info.firstPartyUrl().host(),
                               BlockRules::typeOf(info.resourceType()))) {
        info.block(true);
        ++m_blockedFor[info.firstPartyUrl().adjusted(QUrl::RemoveFragment)];
        ++m_blockedInAll;
        return;
    }
    if (m_headers.isEmpty() || info.requestUrl().isLocalFile())
        return;
    const bool document = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
    // A document carries them only when it is a source itself, as the user gave it, not the target of a
    // redirect, a refresh or a script; what a page asks for, when it goes to the page's own origin. (A
    // redirect of a source that carried them is never followed to another origin: see headersWouldLeave.)
    if (document ? !m_sources.contains(info.requestUrl().adjusted(QUrl::RemoveFragment))
                 : !carriesHeaders(info.firstPartyUrl(), info.requestUrl()))
        return;
    for (const Requests::Header& header : std::as_const(m_headers))
        info.setHttpHeader(header.name, header.value);
}

const BlockRules* PagePolicy::blockRules() {
    if (!m_blockRules && m_pendingRules.valid())
        m_blockRules = m_pendingRules.get();
    return m_blockRules.get();
}

void PagePolicy::sourceGiven(const QUrl& source) {
    if (source.isLocalFile())
        return;
    m_origins.insert(originOf(source));
    m_sources.insert(source.adjusted(QUrl::RemoveFragment));
}

bool PagePolicy::headersWouldLeave(const QUrl& source, const QUrl& target) const {
    return !m_headers.isEmpty() && !source.isLocalFile() &&
           m_sources.contains(source.adjusted(QUrl::RemoveFragment)) && originOf(target) != originOf(source);
}

bool PagePolicy::carriesHeaders(const QUrl& page, const QUrl& target) const {
    const QString origin = originOf(target);
    return origin == originOf(page) && m_origins.contains(origin);
}

QString unreadableLocalFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists() || file.isFile())
        return {};
    if (file.isDir())
        return QStringLiteral("a folder, not a page (its HTML files can be added as a folder)");
    return QStringLiteral("not a regular file (a named pipe, socket or device)");
}
