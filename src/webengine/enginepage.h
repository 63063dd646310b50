#pragma once

#include <QHash>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

class QQmlComponent;
class QQmlEngine;
class QQuickItem;
class QQuickWebEngineProfile;
class QQuickWindow;
class QWebEngineHistory;
class QWebEngineLoadingInfo;
class QWebEngineScript;

// One page of the browser: a web view of a desktop's size (the host's view size) in a window that is never
// shown. To its scripts the page is visible; it is drawn, off screen, only while it is shown (setShown), so
// that its animation frames run then. It answers no dialog, opens no window, grants no permission and logs
// nothing of its console. Whatever it tells (its signals, a script's answer) it also tells `heard` first, so
// that the program's wait for it ends at once.
class EnginePage : public QObject {
    Q_OBJECT
public:
    // The page of `view`, which is put off screen; `shownChanged` hears when it is shown or no longer is.
    EnginePage(QQuickItem* view, std::function<void(bool shown)> shownChanged, std::function<void()> heard);
    ~EnginePage() override;

    void load(const QUrl& url);
    QUrl url() const;
    void stop();
    void setShown(bool shown);
    qint64 renderProcessPid() const;
    QWebEngineHistory* history() const;
    // Runs `script` in the page's own script world; `done` gets its value, unless the page goes first.
    void runJavaScript(const QString& script, std::function<void(const QVariant&)> done);
    // The view, as the engine names it in what it reports (downloads).
    const QObject* view() const;
    // A redirect of the page's own navigation to `target` is followed only when `gate` lets it (none: every
    // one is). The engine asks before it follows a redirect and waits for the answer, which the request
    // interceptor cannot make it do.
    void setRedirectGate(std::function<bool(const QUrl& target)> gate) { m_redirectGate = std::move(gate); }

    // How a renderer ended, as the engine reports it.
    enum TerminationStatus { NormalTermination, AbnormalTermination, CrashedTermination, KilledTermination };

Q_SIGNALS:
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void renderProcessPidChanged(qint64 pid);
    void renderProcessTerminated(int status, int exitCode);

public Q_SLOTS:
    // Called from the view.
    bool allowsNavigation(const QUrl& target, int type, bool isMainFrame) const;
    void answer(int id, const QVariant& value);
    // The proxy's user and password, when the proxy asks for them; empty when there are none.
    QStringList proxyLogin();
    void terminated(int status, int exitCode) {
        m_heard();
        Q_EMIT renderProcessTerminated(status, exitCode);
    }

private:
    QQuickItem* m_view;
    const std::function<void(bool)> m_shownChanged;
    const std::function<void()> m_heard;
    bool m_shown = false;
    int m_nextAnswer = 0;
    int m_proxyLogins = 0; // times the proxy asked during this load
    std::function<bool(const QUrl&)> m_redirectGate;
    QHash<int, std::function<void(const QVariant&)>> m_answers;
};

// Where the pages live: one engine profile, off the record, and one window that is never shown, holding
// every page's view. While any page is shown, the window is drawn off screen at a display's pace, in
// software; nothing is drawn otherwise.
class PageHost : public QObject {
    Q_OBJECT
public:
    explicit PageHost(QObject* parent = nullptr);
    // What of the engine is not installed, as one sentence that names the package to install; empty when
    // pages can be made. Needs the application object.
    static QString missingParts();
    ~PageHost() override;

    EnginePage* createPage();
    QQuickWebEngineProfile* profile() const { return m_profile; }
    void addScript(const QWebEngineScript& script);
    // The size of every page's view, from now on: a desktop's unless set, so that pages lay out as on one.
    void setViewSize(QSize size);
    QSize viewSize() const { return m_viewSize; }
    static constexpr QSize DefaultViewSize{1280, 720};
    static constexpr QSize MaxDrawnSize{1920, 1080};
    // The login every page gives the proxy that asks for one.
    static void setProxyLogin(const QString& user, const QString& password);
    // Called whenever a page, or the profile, tells something (see EnginePage).
    void setHeard(std::function<void()> heard) { m_heard = std::move(heard); }

Q_SIGNALS:
    // A navigation of `view` to `url` turned out to be a download; it is cancelled.
    void downloadRequested(const QObject* view, const QUrl& url);

public Q_SLOTS:
    // Called from the profile.
    void downloaded(QObject* view, const QUrl& url) {
        heard();
        Q_EMIT downloadRequested(view, url);
    }

private:
    void shownChanged(bool shown);
    void heard() const {
        if (m_heard)
            m_heard();
    }

    std::unique_ptr<QQmlEngine> m_engine;
    QQmlComponent* m_component = nullptr;
    std::unique_ptr<QQuickWindow> m_window;
    QQuickWebEngineProfile* m_profile = nullptr;
    QTimer m_frames;
    int m_shown = 0;
    QSize m_viewSize = DefaultViewSize;
    std::function<void()> m_heard;
};
