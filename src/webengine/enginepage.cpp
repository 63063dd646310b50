#include "webengine/enginepage.h"

#include "webengine/pagepolicy.h"

#include <QFileInfo>
#include <QJSValue>
#include <QLibraryInfo>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWebEngineProfile>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineScript>

namespace {

// The view of a page. Every request that would wait for a person (a dialog, a menu, a certificate to pick)
// is refused at once, and nothing of a page's own is logged.
constexpr char ViewSource[] = R"(
import QtQml
import QtWebEngine
WebEngineView {
    property QtObject page
    settings.javascriptCanOpenWindows: false
    settings.showScrollBars: false
    settings.autoLoadIconsForPage: false
    settings.errorPageEnabled: false
    settings.localContentCanAccessFileUrls: true
    function ask(script, id) { runJavaScript(script, 0, function (result) { page.answer(id, result) }) }
    onRenderProcessTerminated: function (status, exitCode) { page.terminated(status, exitCode) }
    onNavigationRequested: function (request) {
        if (!page.allowsNavigation(request.url, request.navigationType, request.isMainFrame))
            request.reject()
    }
    onJavaScriptDialogRequested: function (request) { request.accepted = true; request.dialogReject() }
    onAuthenticationDialogRequested: function (request) {
        request.accepted = true
        var login = request.type === AuthenticationDialogRequest.AuthenticationTypeProxy ? page.proxyLogin() : []
        if (login.length === 2)
            request.dialogAccept(login[0], login[1])
        else
            request.dialogReject()
    }
    onColorDialogRequested: function (request) { request.accepted = true; request.dialogReject() }
    onFileDialogRequested: function (request) { request.accepted = true; request.dialogReject() }
    onContextMenuRequested: function (request) { request.accepted = true }
    onTooltipRequested: function (request) { request.accepted = true }
    onTouchSelectionMenuRequested: function (request) { request.accepted = true }
    onSelectClientCertificate: function (selection) { selection.selectNone() }
    onFullScreenRequested: function (request) { request.reject() }
    onFeaturePermissionRequested: function (origin, feature) { grantFeaturePermission(origin, feature, false) }
    onJavaScriptConsoleMessage: function () {}
}
)";

// The profile of every page: off the record, and no download is ever made.
constexpr char ProfileSource[] = R"(
import QtQml
import QtWebEngine
WebEngineProfile {
    property QtObject host
    offTheRecord: true
    onDownloadRequested: function (download) { download.cancel(); host.downloaded(download.view, download.url) }
}
)";

// Where the views of pages not being drawn are: beside the window, so that drawing it skips them. (A view is
// never hidden: the engine does not survive the end of a hidden view's renderer.)
constexpr qreal OffWindowX = -100000;

// A display's pace: the animation frames of shown pages come this often.
constexpr int FrameIntervalMs = 16;

// The engine names its own types in what it reports; they are all QObjects, with QObject first.
QObject* asObject(void* engineObject) {
    return static_cast<QObject*>(engineObject);
}

} // namespace

EnginePage::EnginePage(QQuickItem* view, std::function<void(bool)> shownChanged, std::function<void()> heard)
    : m_view(view), m_shownChanged(std::move(shownChanged)), m_heard(std::move(heard)) {
    QQmlEngine::setObjectOwnership(this, QQmlEngine::CppOwnership);
    m_view->setProperty("page", QVariant::fromValue<QObject*>(this));
    m_view->setX(OffWindowX);
    // The view makes its page in the engine on first use; its history is the engine's from then only.
    QMetaObject::invokeMethod(m_view, "lazyInitialize");
    connect(m_view, SIGNAL(loadingChanged(QWebEngineLoadingInfo)), this,
            SIGNAL(loadingChanged(QWebEngineLoadingInfo)));
    connect(m_view, SIGNAL(renderProcessPidChanged(qlonglong)), this,
            SIGNAL(renderProcessPidChanged(qint64)));
    connect(this, &EnginePage::loadingChanged, this, [this] { m_heard(); });
    connect(this, &EnginePage::renderProcessPidChanged, this, [this] { m_heard(); });
}

EnginePage::~EnginePage() {
    setShown(false);
    delete m_view;
}

void EnginePage::load(const QUrl& url) {
    m_proxyLogins = 0;
    m_view->setProperty("url", url);
}

QUrl EnginePage::url() const {
    return m_view->property("url").toUrl();
}

void EnginePage::stop() {
    QMetaObject::invokeMethod(m_view, "stop");
}

void EnginePage::setShown(bool shown) {
    if (shown == m_shown)
        return;
    m_shown = shown;
    m_view->setX(shown ? 0 : OffWindowX);
    m_shownChanged(shown);
}

qint64 EnginePage::renderProcessPid() const {
    return m_view->property("renderProcessPid").toLongLong();
}

QWebEngineHistory* EnginePage::history() const {
    return m_view->property("history").value<QWebEngineHistory*>();
}

const QObject* EnginePage::view() const {
    return m_view;
}

void EnginePage::runJavaScript(const QString& script, std::function<void(const QVariant&)> done) {
    const int id = ++m_nextAnswer;
    m_answers.emplace(id, std::move(done));
    QMetaObject::invokeMethod(m_view, "ask", Q_ARG(QVariant, script), Q_ARG(QVariant, id));
}

void EnginePage::answer(int id, const QVariant& value) {
    const std::function<void(const QVariant&)> done = m_answers.take(id);
    if (!done)
        return;
    m_heard();
    // An object or array comes as a script value: as plain maps and lists, like everything else.
    done(value.metaType() == QMetaType::fromType<QJSValue>() ? value.value<QJSValue>().toVariant() : value);
}

namespace {
QStringList g_proxyLogin; // user and password, for the engine's whole life
} // namespace

void PageHost::setProxyLogin(const QString& user, const QString& password) {
    g_proxyLogin = user.isEmpty() ? QStringList() : QStringList{user, password};
}

QStringList EnginePage::proxyLogin() {
    // A proxy that refuses the login asks again: it is given once a load, then refused.
    return m_proxyLogins++ == 0 ? g_proxyLogin : QStringList();
}

bool EnginePage::allowsNavigation(const QUrl& target, int type, bool isMainFrame) const {
    if (isMainFrame && type == QWebEngineNavigationRequest::RedirectNavigation && m_redirectGate &&
        !m_redirectGate(target))
        return false;
    // What the program loads is typed; anything else is the page's own doing. A local page may take itself
    // only to another HTML file of its own folder tree.
    if (!isMainFrame || type == QWebEngineNavigationRequest::TypedNavigation ||
        type == QWebEngineNavigationRequest::ReloadNavigation || !target.isLocalFile())
        return true;
    return PagePolicy::allows(url(), target, QWebEngineUrlRequestInfo::ResourceTypeSubFrame);
}

QString PageHost::missingParts() {
    // The engine's helper program and its resources: without them every page would fail, one by one.
    const QString helper = qEnvironmentVariableIsSet("QTWEBENGINEPROCESS_PATH")
                               ? qEnvironmentVariable("QTWEBENGINEPROCESS_PATH")
                               : QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) +
                                     QStringLiteral("/QtWebEngineProcess");
    if (!QFileInfo(helper).isExecutable())
        return QStringLiteral(
                   "the engine's helper program %1 is missing (Debian package libqt6webenginecore6-bin)")
            .arg(helper);
    const QString resources =
        (qEnvironmentVariableIsSet("QTWEBENGINE_RESOURCES_PATH")
             ? qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH")
             : QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources")) +
        QStringLiteral("/qtwebengine_resources.pak");
    if (!QFileInfo(resources).isReadable())
        return QStringLiteral("the engine's resources %1 are missing (Debian package libqt6webengine6-data)")
            .arg(resources);
    // Without its watcher a page would be read the moment its document is complete, late content or not.
    for (const char* script : {":/quarnel/js/settle-watcher.js", ":/quarnel/js/page-reads.js"})
        if (!QFileInfo::exists(QLatin1String(script)))
            return QStringLiteral("the page script %1 is not in this build").arg(QLatin1String(script));
    // Each QML module a page needs comes in a package of its own, named after the module.
    QQmlEngine engine;
    for (const char* source : {ProfileSource, ViewSource}) {
        QQmlComponent component(&engine);
        component.setData(source, QUrl(QStringLiteral("qrc:/quarnel/Check.qml")));
        if (!component.isError())
            continue;
        static const QRegularExpression notInstalled(QStringLiteral("module \"([\\w.]+)\" is not installed"));
        const QRegularExpressionMatch missing = notInstalled.match(component.errorString());
        if (missing.hasMatch())
            return QStringLiteral("the QML module %1 is not installed (Debian package qml6-module-%2)")
                .arg(missing.captured(1),
                     missing.captured(1).toLower().replace(QLatin1Char('.'), QLatin1Char('-')));
        return QStringLiteral("the page view cannot be made: ") + component.errorString().simplified();
    }
    return {};
}

PageHost::PageHost(QObject* parent)
    : QObject(parent), m_engine(std::make_unique<QQmlEngine>()), m_window(std::make_unique<QQuickWindow>()) {
    QQmlComponent profile(m_engine.get());
    profile.setData(ProfileSource, QUrl(QStringLiteral("qrc:/quarnel/PageProfile.qml")));
    if (profile.isError())
        qFatal("The page profile cannot be made: %s", qPrintable(profile.errorString()));
    m_profile = qobject_cast<QQuickWebEngineProfile*>(
        profile.createWithInitialProperties({{QStringLiteral("host"), QVariant::fromValue<QObject*>(this)}}));
    if (!m_profile)
        qFatal("The page profile cannot be made: %s", qPrintable(profile.errorString()));
    QQmlEngine::setObjectOwnership(m_profile, QQmlEngine::CppOwnership);
    QQmlEngine::setObjectOwnership(this, QQmlEngine::CppOwnership);
    m_profile->setParent(this);
    m_component = new QQmlComponent(m_engine.get(), m_engine.get());
    m_component->setData(ViewSource, QUrl(QStringLiteral("qrc:/quarnel/PageView.qml")));
    if (m_component->isError())
        qFatal("The page view cannot be made: %s", qPrintable(m_component->errorString()));
    m_window->resize(DefaultViewSize);
    m_frames.setInterval(FrameIntervalMs);
    connect(&m_frames, &QTimer::timeout, this, [this] { (void)m_window->grabWindow(); });
}

PageHost::~PageHost() {
    m_frames.stop();
    m_window.reset();
    delete m_profile;
    delete m_component;
    m_engine.reset();
}

EnginePage* PageHost::createPage() {
    QObject* view = m_component->createWithInitialProperties(
        {{QStringLiteral("profile"), QVariant::fromValue(m_profile)}}, m_engine->rootContext());
    auto* item = qobject_cast<QQuickItem*>(view);
    if (!item)
        qFatal("The page view cannot be made: %s", qPrintable(m_component->errorString()));
    QQmlEngine::setObjectOwnership(item, QQmlEngine::CppOwnership);
    item->setSize(m_viewSize);
    item->setParentItem(m_window->contentItem());
    return new EnginePage(
        item, [this](bool shown) { shownChanged(shown); }, [this] { heard(); });
}

void PageHost::addScript(const QWebEngineScript& script) {
    QMetaObject::invokeMethod(asObject(m_profile->userScripts()), "insert", Q_ARG(QWebEngineScript, script));
}

void PageHost::setViewSize(QSize size) {
    m_viewSize = size;
    // Pages are drawn only as far as the window reaches: a larger view costs no more to draw.
    m_window->resize(size.boundedTo(MaxDrawnSize));
    for (QQuickItem* view : m_window->contentItem()->childItems())
        view->setSize(size);
}

void PageHost::shownChanged(bool shown) {
    m_shown += shown ? 1 : -1;
    if (m_shown > 0 && !m_frames.isActive())
        m_frames.start();
    else if (m_shown == 0)
        m_frames.stop();
}
