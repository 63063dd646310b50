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
    if (text.isEmpty())
        return QStringLiteral("error %1").arg(info.errorCode());
    return text;
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
