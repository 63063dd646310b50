#include "webengine/loadfailures.h"

#include "webengine/enginepage.h"

#include <QRegularExpression>
#include <QWebEngineLoadingInfo>
#include <csignal>

namespace {

QString httpReason(int status) {
    switch (status) {
    case 400:
        return QStringLiteral("Bad Request");
    case 401:
        return QStringLiteral("Unauthorized");
    case 403:
        return QStringLiteral("Forbidden");
    case 404:
        return QStringLiteral("Not Found");
    case 405:
        return QStringLiteral("Method Not Allowed");
    case 407:
        return QStringLiteral("Proxy Authentication Required");
    case 408:
        return QStringLiteral("Request Timeout");
    case 410:
        return QStringLiteral("Gone");
    case 429:
        return QStringLiteral("Too Many Requests");
    case 500:
        return QStringLiteral("Internal Server Error");
    case 501:
        return QStringLiteral("Not Implemented");
    case 502:
        return QStringLiteral("Bad Gateway");
    case 503:
        return QStringLiteral("Service Unavailable");
    case 504:
        return QStringLiteral("Gateway Timeout");
    default:
        return {};
    }
}

// What the engine's network errors that a user meets mean, in plain words.
QString networkReason(int code) {
    switch (code) { // the engine's network error numbers
    case -3:
        return QStringLiteral("the load was stopped");
    case -6:
        return QStringLiteral("the file does not exist");
    case -7:
        return QStringLiteral("the server took too long to answer");
    case -10:
        return QStringLiteral("the file may not be read");
    case -20:
    case -27:
        return QStringLiteral("the request was blocked");
    case -21:
        return QStringLiteral("the network changed during the load");
    case -100:
        return QStringLiteral("the server closed the connection");
    case -101:
        return QStringLiteral("the connection was reset");
    case -102:
        return QStringLiteral("the connection was refused");
    case -103:
        return QStringLiteral("the connection was aborted");
    case -104:
        return QStringLiteral("the connection failed");
    case -105:
    case -137:
        return QStringLiteral("the host name was not found");
    case -106:
        return QStringLiteral("this machine is not connected to a network");
    case -109:
        return QStringLiteral("the address cannot be reached");
    case -111:
        return QStringLiteral("the proxy could not connect to the site");
    case -118:
        return QStringLiteral("the connection timed out");
    case -130:
        return QStringLiteral("the proxy could not be reached");
    case -200:
        return QStringLiteral("the site's certificate is for another name");
    case -201:
        return QStringLiteral("the site's certificate has expired or is not valid yet");
    case -202:
        return QStringLiteral("the site's certificate is not from a trusted authority");
    case -310:
        return QStringLiteral("too many redirects");
    case -311:
        return QStringLiteral("the page redirects to an address the browser does not follow");
    case -324:
        return QStringLiteral("the server answered nothing");
    case -354:
    case -355:
        return QStringLiteral("the connection ended before the answer did");
    case -8:
        return QStringLiteral("the file is too large");
    default:
        return {};
    }
}

} // namespace

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info) {
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        const QString reason = httpReason(info.errorCode());
        return QStringLiteral("the server answered HTTP %1").arg(info.errorCode()) +
               (reason.isEmpty() ? QString() : QStringLiteral(" ") + reason);
    }
    static const QRegularExpression markup(QStringLiteral("<[^>]*>"));
    QString text = info.errorString();
    text.remove(markup);
    text = text.simplified();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    const int unsafePort = -312;
    const QString plain =
        info.errorCode() == unsafePort
            ? QStringLiteral("the browser does not load pages on port %1").arg(info.url().port())
            : networkReason(info.errorCode());
    if (text.isEmpty())
        return plain.isEmpty() ? QStringLiteral("error %1").arg(info.errorCode()) : plain;
    // The engine's own name for the error goes after the words, for those who look it up.
    return plain.isEmpty() ? text : plain + QStringLiteral(" (") + text + QLatin1Char(')');
}

bool failureMayPass(const QWebEngineLoadingInfo& info) {
    const int code = info.errorCode();
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return code == 408 || code == 425 || code == 429 || code == 500 || code == 502 || code == 503 ||
               code == 504;
    switch (code) { // the engine's network error numbers
    case -7:        // TIMED_OUT
    case -100:      // CONNECTION_CLOSED
    case -101:      // CONNECTION_RESET
    case -103:      // CONNECTION_ABORTED
    case -118:      // CONNECTION_TIMED_OUT
    case -324:      // EMPTY_RESPONSE
    case -354:      // CONTENT_LENGTH_MISMATCH: the connection ended before the answer did
    case -355:      // INCOMPLETE_CHUNKED_ENCODING
        return true;
    default:
        return false;
    }
}

QString terminationReason(int status, int exitCode) {
    switch (status) {
    case EnginePage::CrashedTermination:
        // The engine's views call a renderer ended by SIGKILL (the kernel's out-of-memory killer's signal) a
        // crash with the signal's number for exit code.
        if (exitCode == SIGKILL)
            return QStringLiteral("the page's renderer was killed (signal or out of memory)");
        return QStringLiteral("the page's renderer crashed (exit code %1)").arg(exitCode);
    case EnginePage::KilledTermination:
        return QStringLiteral("the page's renderer was killed (signal or out of memory)");
    case EnginePage::AbnormalTermination:
        return QStringLiteral("the page's renderer ended abnormally (exit code %1)").arg(exitCode);
    default:
        return QStringLiteral("the page's renderer ended");
    }
}
