#include "webengine/pagepolicy.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
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
    if (m_headers.isEmpty() || info.requestUrl().isLocalFile())
        return;
    // A main document is its own first party.
    const QUrl page = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame
                          ? info.requestUrl()
                          : info.firstPartyUrl();
    if (info.requestUrl().host().compare(page.host(), Qt::CaseInsensitive) != 0)
        return;
    for (const Requests::Header& header : std::as_const(m_headers))
        info.setHttpHeader(header.name, header.value);
}

QString unreadableLocalFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists() || file.isFile())
        return {};
    if (file.isDir())
        return QStringLiteral("a folder, not a page (its HTML files can be added as a folder)");
    return QStringLiteral("not a regular file (a named pipe, socket or device)");
}
