#include "base/requests.h"

#include "base/failure.h"

#include <QFile>
#include <QUrl>
#include <cmath>

namespace Requests {

namespace {
// The characters of a header name (an HTTP token).
bool isTokenChar(QChar c) {
    return c.unicode() < 128 && (c.isLetterOrNumber() || QStringLiteral("!#$%&'*+-.^_`|~").contains(c));
}

bool isTrue(const QByteArray& field) {
    return field.compare("TRUE", Qt::CaseInsensitive) == 0;
}
} // namespace

Header parseHeader(const QString& line) {
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    const QString name = line.left(colon).trimmed();
    const auto bad = [&](const char* why) {
        return Failure(QStringLiteral("the header '") + line + QStringLiteral("' ") + QLatin1String(why) +
                       QStringLiteral(" (give it as 'Name: value')"));
    };
    if (colon < 0)
        throw bad("has no colon");
    if (name.isEmpty() || !std::all_of(name.cbegin(), name.cend(), isTokenChar))
        throw bad("has no valid name");
    if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
        throw bad("holds a line break");
    return {name.toLatin1(), line.mid(colon + 1).trimmed().toUtf8()};
}

QList<Cookie> parseCookies(const QByteArray& content) {
    QList<Cookie> cookies;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        Cookie cookie;
        static const QByteArray httpOnly = "#HttpOnly_";
        if (line.startsWith(httpOnly)) {
            cookie.httpOnly = true;
            line = line.mid(httpOnly.size());
        } else if (line.startsWith('#') || line.trimmed().isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 7)
            continue;
        bool expiresOk = false;
        cookie.expires = fields[4].trimmed().toLongLong(&expiresOk);
        cookie.domain = QString::fromUtf8(fields[0].trimmed());
        if (cookie.domain.startsWith(QLatin1Char('.')))
            cookie.domain.remove(0, 1);
        cookie.includeSubdomains = isTrue(fields[1]);
        cookie.path = QString::fromUtf8(fields[2]);
        cookie.secure = isTrue(fields[3]);
        cookie.name = fields[5];
        cookie.value = fields[6];
        if (!expiresOk || cookie.domain.isEmpty() || cookie.name.isEmpty() ||
            !cookie.path.startsWith(QLatin1Char('/')))
            continue;
        cookies << cookie;
    }
    if (cookies.isEmpty())
        throw Failure(QStringLiteral("has no valid cookie line (a Netscape cookies.txt has seven fields "
                                     "separated by tabs)"));
    return cookies;
}

QList<Cookie> readCookiesFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("the cookies file ") + path + QStringLiteral(" cannot be read: ") +
                      file.errorString());
    try {
        return parseCookies(file.readAll());
    } catch (const Failure& failure) {
        throw Failure(QStringLiteral("the cookies file ") + path + QLatin1Char(' ') + failure.description());
    }
}

QString Proxy::server() const {
    const bool v6 = host.contains(QLatin1Char(':'));
    return scheme + QStringLiteral("://") + (v6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
           QLatin1Char(':') + QString::number(port);
}

Proxy parseProxy(const QString& url) {
    const Failure bad(QStringLiteral("the proxy must be an address such as http://proxy.example:3128, "
                                     "https://... or socks5://..., with user:password@ where needed"));
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https") &&
         scheme != QStringLiteral("socks5")) ||
        (!parsed.path().isEmpty() && parsed.path() != QStringLiteral("/")) || parsed.hasQuery())
        throw bad;
    const int defaultPort = scheme == QStringLiteral("http")    ? 80
                            : scheme == QStringLiteral("https") ? 443
                                                                : 1080;
    return {scheme, parsed.host(), parsed.port(defaultPort), parsed.userName(), parsed.password()};
}

Identity identityOf(const NetworkOptions& options, QString* cookiesError) {
    Identity identity;
    identity.userAgent = options.userAgent;
    for (const QString& line : options.headers) {
        Header header = parseHeader(line);
        if (header.name.compare("Accept-Language", Qt::CaseInsensitive) == 0)
            identity.acceptLanguage = QString::fromUtf8(header.value);
        else
            identity.headers << header;
    }
    if (options.cookiesFile.isEmpty())
        return identity;
    try {
        identity.cookies = readCookiesFile(options.cookiesFile);
    } catch (const Failure& failure) {
        if (!cookiesError)
            throw;
        *cookiesError = failure.description();
    }
    return identity;
}

void checkNetworkOptions(const NetworkOptions& options) {
    if (options.retries < 0 || options.retries > NetworkOptions::MaxRetries)
        throw Failure(QStringLiteral("retries go from 0 to %1").arg(NetworkOptions::MaxRetries));
    if (options.perHost < 0 || options.perHost > NetworkOptions::MaxPerHost)
        throw Failure(QStringLiteral("the pages of one host at once go from 1 to %1 (0: no limit)")
                          .arg(NetworkOptions::MaxPerHost));
    identityOf(options);
    if (!options.proxy.isEmpty())
        parseProxy(options.proxy);
}

qint64 retryAfterMs(const QString& value, const QDateTime& now) {
    const QString text = value.trimmed();
    bool isNumber = false;
    const qint64 seconds = text.toLongLong(&isNumber);
    if (isNumber)
        return seconds < 0 ? -1 : std::min(seconds, qint64(86'400)) * 1000;
    // An HTTP date always names its zone GMT, which Qt's RFC 2822 parser does not take: it is +0000.
    QString dated = text;
    if (dated.endsWith(QLatin1String(" GMT"), Qt::CaseInsensitive))
        dated = dated.chopped(3) + QLatin1String("+0000");
    const QDateTime date = QDateTime::fromString(dated, Qt::RFC2822Date);
    if (!date.isValid())
        return -1;
    return std::max<qint64>(0, now.msecsTo(date));
}

qint64 backoffMs(int n, double jitter) {
    const double base = 1000.0 * std::pow(2.0, std::clamp(n, 1, 16) - 1);
    return std::min(MaxRetryWaitMs, qint64(base * (1.0 + 0.1 * std::clamp(jitter, 0.0, 1.0))));
}

QString hostOf(const QString& entry) {
    if (entry.startsWith(QLatin1Char('/')))
        return {};
    const QUrl url = QUrl::fromUserInput(entry);
    return url.isLocalFile() ? QString() : url.host().toLower();
}

} // namespace Requests
