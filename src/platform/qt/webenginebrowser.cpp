#include "platform/qt/webenginebrowser.h"

#include "engine/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <unistd.h>

namespace {

// At most this many pages wait for reuse; more are only needed while runs are nested.
constexpr qsizetype IdlePages = 2;

// A page that answers no dialog, opens no window and grants no permission.
class QuietPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QString httpReason(int status)
{
    switch (status) {
    case 400: return QStringLiteral("Bad Request");
    case 401: return QStringLiteral("Unauthorized");
    case 403: return QStringLiteral("Forbidden");
    case 404: return QStringLiteral("Not Found");
    case 405: return QStringLiteral("Method Not Allowed");
    case 408: return QStringLiteral("Request Timeout");
    case 410: return QStringLiteral("Gone");
    case 429: return QStringLiteral("Too Many Requests");
    case 500: return QStringLiteral("Internal Server Error");
    case 501: return QStringLiteral("Not Implemented");
    case 502: return QStringLiteral("Bad Gateway");
    case 503: return QStringLiteral("Service Unavailable");
    case 504: return QStringLiteral("Gateway Timeout");
    default: return {};
    }
}

// The reason a load failed, in plain words: the engine's own texts may be fragments of its error page.
QString failureReason(const QWebEngineLoadingInfo& info)
{
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

QString terminationReason(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    switch (status) {
    case QWebEnginePage::CrashedTerminationStatus:
        return QStringLiteral("the page's renderer crashed (exit code %1)").arg(exitCode);
    case QWebEnginePage::KilledTerminationStatus:
        return QStringLiteral("the page's renderer was killed (signal or out of memory)");
    case QWebEnginePage::AbnormalTerminationStatus:
        return QStringLiteral("the page's renderer ended abnormally (exit code %1)").arg(exitCode);
    default:
        return QStringLiteral("the page's renderer ended");
    }
}

} // namespace

// One navigation on one page. Each load carries a number that it writes into its own document the first
// time it reads it (in a script world the page cannot see): a page's previous document carries another
// number, and a fresh page shows about:blank, so a navigation that never replaced the document is told
// apart from one that did.
class WebEngineLoad : public QObject, public PageLoad {
public:
    WebEngineLoad(WebEngineBrowser& browser, QWebEnginePage* page, quint64 number)
        : m_browser(browser), m_page(page), m_number(number)
    {
        connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                m_loading = true;
                m_started = true;
                return;
            }
            if (!m_started)
                return; // the end of a load that an earlier navigation began
            m_loading = false;
            if (m_readyState == Browser::ReadyStateComplete)
                return; // the page navigates on its own after this navigation ended: not reusable, see below
            m_readyState = Browser::ReadyStateComplete;
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                fail(failureReason(info));
            else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
                fail(QStringLiteral("loading stopped before a page was shown (not a page, or a download)"));
        });
        connect(page, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                    m_readyState = Browser::ReadyStateComplete;
                    m_unusable = true;
                    if (m_loadError.isEmpty())
                        m_loadError = terminationReason(status, exitCode);
                });
        connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
                [this](QWebEngineDownloadRequest* download) {
                    if (download->page() != m_page)
                        return; // another page's, or a late one of a page now gone
                    // More telling than the stopped load that may have come first.
                    m_readyState = Browser::ReadyStateComplete;
                    m_loadError = QStringLiteral("the address is a file to download, not a page");
                });
    }

    ~WebEngineLoad() override
    {
        disconnect(); // nothing of this page may reach a load that is gone
        m_browser.givePageBack(m_page, m_read && !m_loading && !m_unusable && m_loadError.isEmpty() &&
                                           m_readyState == Browser::ReadyStateComplete);
    }

    void start(const QUrl& url) { m_page->load(url); }

    int readyState() override { return m_readyState; }
    QString loadError() override { return m_loadError; }

    bool committed() override
    {
        const QVariant own = evaluate(QStringLiteral("location.href !== 'about:blank' && "
                                                     "(window.__quarnelLoad === undefined || window.__quarnelLoad === %1)")
                                          .arg(m_number),
                                      WebEngineBrowser::ProbeTimeLimitMs);
        return own.toBool();
    }

    QString outerHtml() override
    {
        const QVariant html = read(QStringLiteral("document.documentElement ? document.documentElement.outerHTML : null"));
        if (html.isNull())
            throw Failure(QStringLiteral("The document has no root element"));
        return withCrLf(html.toString());
    }

    QString bodyInnerText() override
    {
        const QVariant text = read(QStringLiteral("document.body ? document.body.innerText : null"));
        if (text.isNull())
            throw Failure(QStringLiteral("Object required: the document has no body"));
        return withCrLf(text.toString());
    }

private:
    void fail(const QString& reason)
    {
        if (m_loadError.isEmpty())
            m_loadError = reason;
    }

    // Evaluates `expression` in this load's own document, and marks the document as this load's.
    QVariant read(const QString& expression)
    {
        const QVariant answer = evaluate(QStringLiteral("(function () {"
                                                        " if (location.href === 'about:blank' || (window.__quarnelLoad !== undefined"
                                                        " && window.__quarnelLoad !== %1)) return {stale: true};"
                                                        " window.__quarnelLoad = %1;"
                                                        " return {value: %2}; })()")
                                             .arg(m_number)
                                             .arg(expression),
                                         WebEngineBrowser::ScriptTimeLimitMs);
        const QVariantMap result = answer.toMap();
        if (result.isEmpty() || result.value(QStringLiteral("stale")).toBool())
            throw Failure(QStringLiteral("The page shows no document of its own"));
        m_read = true;
        return result.value(QStringLiteral("value"));
    }

    QVariant evaluate(const QString& script, qint64 limitMs)
    {
        struct Answer {
            bool done = false;
            QVariant value;
        };
        auto answer = std::make_shared<Answer>();
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [answer](const QVariant& value) {
            answer->done = true;
            answer->value = value;
        });
        const qint64 started = m_browser.m_clock.elapsedMs();
        while (!answer->done) {
            if (m_unusable || m_browser.m_clock.elapsedMs() - started > limitMs) {
                m_unusable = true; // a page that does not answer is never used again
                throw Failure(QStringLiteral("The page did not answer"));
            }
            m_browser.m_pump.waitForEvents(1);
        }
        return answer->value;
    }

    WebEngineBrowser& m_browser;
    QWebEnginePage* m_page;
    const quint64 m_number;
    int m_readyState = 1;
    bool m_started = false;
    bool m_loading = false;
    bool m_read = false;
    bool m_unusable = false;
    QString m_loadError;
};

WebEngineBrowser::WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent)
    : QObject(parent), m_pump(pump), m_clock(clock), m_profile(new QWebEngineProfile(this))
{
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
}

WebEngineBrowser::~WebEngineBrowser()
{
    // Every page must go before its profile.
    qDeleteAll(findChildren<QWebEnginePage*>(Qt::FindDirectChildrenOnly));
}

QUrl WebEngineBrowser::addressOf(const QString& entry)
{
    const QUrl url = entry.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(entry) : QUrl::fromUserInput(entry);
    if (entry.trimmed().isEmpty() || !url.isValid() || url.isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https") && scheme != QStringLiteral("file"))
        throw Failure(QStringLiteral("Not a web page address: ") + entry);
    if (scheme != QStringLiteral("file") && url.host().isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    return url;
}

std::unique_ptr<PageLoad> WebEngineBrowser::navigate(const QString& entry)
{
    const QUrl url = addressOf(entry);
    auto load = std::make_unique<WebEngineLoad>(*this, takePage(url), ++m_loads);
    load->start(url);
    return load;
}

QWebEnginePage* WebEngineBrowser::takePage(const QUrl& url)
{
    // A page that shows the same document but for its fragment would only scroll, not load: use another.
    const QUrl document = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < m_idle.size(); ++i) {
        if (m_idle[i]->url().adjusted(QUrl::RemoveFragment) != document)
            return m_idle.takeAt(i);
    }
    auto* page = new QuietPage(m_profile, this);
    page->setObjectName(QStringLiteral("WebBrowser1"));
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    // Local files may load what they refer to, as they would in a browser opened on them.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    connect(page, &QWebEnginePage::featurePermissionRequested, page,
            [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    return page;
}

void WebEngineBrowser::givePageBack(QWebEnginePage* page, bool reusable)
{
    if (reusable && m_idle.size() < IdlePages) {
        m_idle.append(page);
        return;
    }
    // A page whose load did not end cleanly may still hear from it, or hang in a script: it goes, and with
    // it its renderer when no other page uses that.
    page->triggerAction(QWebEnginePage::Stop);
    page->deleteLater();
}

void prepareWebEngineEnvironment()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // Nothing here may reach out on its own: only the pages the user asked for are loaded.
    flags += " --disable-background-networking --disable-component-update --disable-sync --no-first-run";
    if (geteuid() == 0)
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QByteArray rules = qgetenv("QT_LOGGING_RULES");
    rules += QByteArray(rules.isEmpty() ? "" : ";") + "qt.webenginecontext.*=false";
    qputenv("QT_LOGGING_RULES", rules);
}
