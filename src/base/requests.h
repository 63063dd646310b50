#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// How pages are asked for: who asks (user agent, headers, cookies), by which route (a proxy), and how a
// run deals with servers that say "not now" (retries, a limit per host). The texts are the user's own, as
// typed in the window's Network dialog or given to quarnel-cli; they are checked by the parsers below.
struct NetworkOptions {
    static constexpr int DefaultRetries = 2;
    static constexpr int MaxRetries = 10;
    static constexpr int MaxPerHost = 16;

    int retries = DefaultRetries; // further tries of a load that failed for a reason that may pass
    int perHost = 0;              // pages of one host loading at once; 0: no limit besides the pages at once
    QString userAgent;            // empty: the engine's own
    QStringList headers;          // "Name: value" lines, sent to each source's own origin only
    QString cookiesFile;          // a Netscape cookies.txt; empty: none
    QString proxy;        // http://, https:// or socks5:// with user:password@ where needed; empty: none
    bool blockAds = true; // no request to the hosts of ad and tracker block lists
    bool operator==(const NetworkOptions&) const = default;
};

namespace Requests {

// One "Name: value" header line. Throws Failure, with a sentence that quotes the line, when it has no colon,
// an empty or invalid name, or a line break.
struct Header {
    QByteArray name, value;
    bool operator==(const Header&) const = default;
};
Header parseHeader(const QString& line);

// One cookie of a Netscape cookies.txt: domain, subdomains flag, path, secure flag, expiry (seconds since
// 1970; 0 for a cookie of the session), name, value; "#HttpOnly_" before the domain marks an HTTP-only one.
struct Cookie {
    QString domain; // without the leading dot
    bool includeSubdomains = false;
    QString path;
    bool secure = false;
    qint64 expires = 0;
    QByteArray name, value;
    bool httpOnly = false;
    bool operator==(const Cookie&) const = default;
};
// Every valid line of a cookies file; comments, blank lines and malformed lines are skipped. Throws Failure
// when no line is valid.
QList<Cookie> parseCookies(const QByteArray& content);
// Reads and parses a cookies file; throws Failure naming the file when it cannot be read or has no cookie.
QList<Cookie> readCookiesFile(const QString& path);

// A proxy address. Throws Failure when it is not an http://, https:// or socks5:// address with a host and
// a port (or a scheme's default port); the sentence never repeats the address, which may hold a password.
struct Proxy {
    QString scheme, host;
    int port = 0;
    QString user, password;
    // The address without its credentials, as the engine takes it ("socks5://proxy.example:1080").
    QString server() const;
    bool operator==(const Proxy&) const = default;
};
Proxy parseProxy(const QString& url);

// Who asks for pages: what the engine is told before the first page of a run.
struct Identity {
    QString userAgent;
    QString acceptLanguage; // an "Accept-Language" header goes through the engine's own setting
    QList<Header> headers;  // the rest, for the source's own origin only
    QList<Cookie> cookies;
    bool operator==(const Identity&) const = default;
};
// The identity the options describe; throws Failure as the parsers do. With `cookiesError`, a cookies file
// that cannot be read is said there instead, and the identity has no cookies.
Identity identityOf(const NetworkOptions& options, QString* cookiesError = nullptr);
// Throws Failure, as the parsers do, when the options cannot be used: retries or a limit per host out of
// range, a header that does not parse, a cookies file that cannot be read, a proxy that is not one. The
// command line and the Network dialog check what the user gave with it.
void checkNetworkOptions(const NetworkOptions& options);

// The wait a Retry-After value asks for, in milliseconds: a number of seconds, or an HTTP date (then from
// `now`); -1 when the value is neither. A date in the past asks for no wait.
qint64 retryAfterMs(const QString& value, const QDateTime& now);
// The longest a run waits for a retry, whatever the server asked for.
constexpr qint64 MaxRetryWaitMs = 60'000;
// The wait before retry `n` (1 for the first) when the server did not say: 1 s, 2 s, 4 s... and up to a
// tenth more by `jitter` (0 to 1), so that pages failed together are not tried again together.
qint64 backoffMs(int n, double jitter);

// The host an entry's page is asked from, lower case; empty for a local file.
QString hostOf(const QString& entry);

} // namespace Requests
