#pragma once

#include "base/requests.h"
#include "webengine/blockrules.h"

#include <QSet>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>
#include <memory>

// What a page loads, and what its requests carry: the user's own headers go only to the origin (scheme, host
// and port) of a source as the user gave it, from a page of that origin; never to a third party, nor to
// where a source redirects, refreshes or navigates to.
//
// What a page loads. Nothing that never makes text (see neededForText). From the local disk: web pages
// reach no file: address at all. A local page loads
// what a browser opened on a saved page loads, from its own folder tree only (links followed on both
// sides): its scripts and styles when their names say so, its images, fonts and media, and HTML frames and
// objects; never anything that is not a regular file, and its scripts read no file (no XMLHttpRequest,
// fetch or worker of a file: address). With block rules, no request that they block is made, but a page
// itself (a source, or where it goes) always is.
class PagePolicy : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    // Headers for the requests of a source's own origin (see sourceGiven).
    void setOwnHostHeaders(const QList<Requests::Header>& headers) { m_headers = headers; }
    // A source as the user gave it, about to be loaded: its origin gets the headers.
    void sourceGiven(const QUrl& source);
    // Whether a request to `target`, made by a page at `page`, carries the headers.
    bool carriesHeaders(const QUrl& page, const QUrl& target) const;
    // Whether the navigation to `source` carried the headers and a redirect of it to `target` would take
    // them to another origin: the engine keeps a request's headers through its redirects.
    bool headersWouldLeave(const QUrl& source, const QUrl& target) const;
    // The rules that block requests to ad and tracker hosts, once they have been read (the first request
    // that needs them waits for them); none: nothing is blocked by them.
    void setBlockRules(PendingBlockRules rules) {
        m_pendingRules = std::move(rules);
        m_blockRules.reset();
    }
    void setBlocking(bool on) { m_blocking = on; }
    // Requests the rules blocked for the page at `page` since this was last asked, and in all.
    int takeBlockedFor(const QUrl& page) { return m_blockedFor.take(page.adjusted(QUrl::RemoveFragment)); }
    qint64 blockedInAll() const { return m_blockedInAll; }
    // Whether a page at `page` needs `target`, a subresource of `type`, for its text: images, media, web
    // fonts, beacons and frames of other hosts are never loaded, so that a page is complete without them.
    static bool neededForText(const QUrl& page, const QUrl& target,
                              QWebEngineUrlRequestInfo::ResourceType type);
    // Whether a page at `page` may load `target` as a subresource of `type`.
    static bool allows(const QUrl& page, const QUrl& target, QWebEngineUrlRequestInfo::ResourceType type);

private:
    QList<Requests::Header> m_headers;
    QSet<QString> m_origins; // of the sources given
    QSet<QUrl> m_sources;
    const BlockRules* blockRules();
    PendingBlockRules m_pendingRules;
    std::shared_ptr<const BlockRules> m_blockRules;
    bool m_blocking = true;
    QHash<QUrl, int> m_blockedFor; // by the page that asked
    qint64 m_blockedInAll = 0;
};

// Why a local entry cannot be a page, in plain words: a named pipe, socket or device would hang or never end
// the engine's read of it, and a folder shows only the engine's own listing. Empty for a regular file, and
// for a path that does not exist (the engine reports that itself).
QString unreadableLocalFile(const QString& path);
