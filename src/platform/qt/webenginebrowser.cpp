#include "platform/qt/webenginebrowser.h"

#include "engine/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <memory>
#include <unistd.h>

namespace {

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

} // namespace

WebEngineBrowser::WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent)
    : QObject(parent), m_pump(pump), m_clock(clock), m_profile(new QWebEngineProfile(this)),
      m_page(new QuietPage(m_profile, this))
{
    m_page->setObjectName(QStringLiteral("WebBrowser1"));
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // Local files may load what they refer to, as they would in a browser opened on them.
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);

    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                download->cancel();
                m_loadError = QStringLiteral("the address is a file to download, not a page");
            });
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                m_page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_started = true;
            return;
        }
        if (!m_started)
            return; // the end of a load that an earlier navigation began
        m_readyState = Browser::ReadyStateComplete;
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            m_loadError = info.errorString().isEmpty() ? QStringLiteral("error %1").arg(info.errorCode())
                                                       : info.errorString();
        } else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus && m_loadError.isEmpty()) {
            // Chromium stops a navigation that turns out to be a download.
            m_loadError = QStringLiteral("loading stopped before a page was shown (not a page, or a download)");
        }
    });
}

WebEngineBrowser::~WebEngineBrowser()
{
    delete m_page; // the page must go before its profile
    m_page = nullptr;
}

void WebEngineBrowser::navigate(const QString& entry)
{
    // Bare hosts become http addresses and local paths (also relative ones that exist) file addresses; the
    // entry itself stays as it is.
    const QUrl url = QUrl::fromUserInput(entry, QDir::currentPath());
    if (!url.isValid() || url.isEmpty())
        throw Failure(QStringLiteral("Invalid address: ") + entry);
    m_loadError.clear();
    m_started = false;
    m_readyState = 1;
    m_page->load(url);
}

QVariant WebEngineBrowser::evaluate(const QString& script)
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
    const qint64 started = m_clock.elapsedMs();
    while (!answer->done) {
        if (m_clock.elapsedMs() - started > ScriptTimeLimitMs)
            throw Failure(QStringLiteral("The page did not answer"));
        m_pump.waitForEvents(1);
    }
    return answer->value;
}

QString WebEngineBrowser::outerHtml()
{
    const QVariant html =
        evaluate(QStringLiteral("document.documentElement ? document.documentElement.outerHTML : null"));
    if (html.isNull())
        throw Failure(QStringLiteral("The document has no root element"));
    return withCrLf(html.toString());
}

QString WebEngineBrowser::bodyInnerText()
{
    const QVariant text = evaluate(QStringLiteral("document.body ? document.body.innerText : null"));
    if (text.isNull())
        throw Failure(QStringLiteral("Object required: the document has no body"));
    return withCrLf(text.toString());
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
