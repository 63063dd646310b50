#pragma once

#include "base/requests.h"

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

// What a page loads, and what its requests carry: the user's own headers go to the page's own host only,
// never to a third party's.
//
// What a page loads. Nothing that never makes text (see neededForText). From the local disk: web pages
// reach no file: address at all. A local page loads
// what a browser opened on a saved page loads, from its own folder tree only (links followed on both
// sides): its scripts and styles when their names say so, its images, fonts and media, and HTML frames and
// objects; never anything that is not a regular file, and its scripts read no file (no XMLHttpRequest,
// fetch or worker of a file: address).
class PagePolicy : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    // Headers for every request to the host of the page that makes it (the source's own host).
    void setOwnHostHeaders(const QList<Requests::Header>& headers) { m_headers = headers; }
    // Whether a page at `page` needs `target`, a subresource of `type`, for its text: images, media, web
    // fonts, beacons and frames of other hosts are never loaded, so that a page is complete without them.
    static bool neededForText(const QUrl& page, const QUrl& target,
                              QWebEngineUrlRequestInfo::ResourceType type);
    // Whether a page at `page` may load `target` as a subresource of `type`.
    static bool allows(const QUrl& page, const QUrl& target, QWebEngineUrlRequestInfo::ResourceType type);

private:
    QList<Requests::Header> m_headers;
};

// Why a local entry cannot be a page, in plain words: a named pipe, socket or device would hang or never end
// the engine's read of it, and a folder shows only the engine's own listing. Empty for a regular file, and
// for a path that does not exist (the engine reports that itself).
QString unreadableLocalFile(const QString& path);
