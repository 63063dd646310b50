#pragma once

#include "platform/browser.h"
#include "platform/qt/enginepage.h"
#include "platform/qt/pagepool.h"
#include "platform/qt/renderermemory.h"

#include <QObject>
#include <QSet>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class EventPump;
class WebEngineLoad;

// Chromium through Qt WebEngine: pages of a desktop's size that are never on screen, on one off-the-record
// profile, owned by a pool. Every navigation gets a page of its own for as long as its retrieval holds it;
// the page is retired at the next navigation, load ahead or run's end. Pages may run their JavaScript; their
// dialogs, pop-ups, downloads and permission requests are refused silently.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
public:
    static constexpr qint64 ProbeTimeLimitMs = 2'000; // the least time a script in a page is given to answer
    static constexpr qint64 RendererMemoryLimitMb = RendererMemoryGuard::LimitMb;
    static constexpr qint64 ReusableRendererMb = 300; // a page whose renderer is larger is not kept

    WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) override;
    void loadAhead(const QStringList& entries, qint64 timeLimitMs) override;
    void setSettleLimit(qint64 ms) override { m_settleMs = ms; }
    // Cookies are loaded into the engine's store, for their own domains; the store is never written back.
    void setIdentity(const Requests::Identity& identity) override;
    // The size every page is laid out at (1280 by 720 unless set).
    void setViewSize(QSize size) { m_host.setViewSize(size); }
    qsizetype loadsAhead() const { return qsizetype(m_ahead.size()); }
    // Pages alive (loading, idle or retired and not yet deleted), and their distinct renderer processes.
    int livePages() const;
    int rendererProcesses() const;
    static constexpr int IdlePagesKept = PagePool::IdleLimit;

    // The address the engine loads for an entry: an absolute path or a file: URL is a local file, anything
    // else a web address (http:// added when there is no scheme), never resolved against a folder. Throws
    // Failure for what is not an address, for schemes other than http, https and file, and for a local path
    // that names something other than a file.
    static QUrl addressOf(const QString& entry);

Q_SIGNALS:
    // The engine turned a navigation of `view` to `url` into a download, which it cancelled.
    void downloadRequested(const QObject* view, const QUrl& url);

private:
    friend class WebEngineLoad;
    void watchMemory();

    EventPump& m_pump;
    Clock& m_clock;
    PageHost m_host;
    std::unique_ptr<PagePool> m_pool;
    RendererMemoryGuard m_memory;
    std::vector<std::pair<QString, std::unique_ptr<PageLoad>>> m_ahead;
    std::vector<WebEngineLoad*> m_live; // every load not yet dropped, ahead or being read
    QSet<qint64> m_stoppedForMemory;    // renderers this browser stopped
    quint64 m_loads = 0;
    qint64 m_settleMs = 0;
    QString m_lastRead; // what the last read asked for: pages loaded ahead are read so when they have loaded
    class PagePolicy* m_policy = nullptr;
    Requests::Identity m_identity;
    QString m_engineUserAgent, m_engineLanguage; // the engine's own, for options that name none
};

// Chromium refuses to run as root without its sandbox switched off: do that then, and only then. With
// `networkLog`, the engine's network log comes to the program (see NetworkLog: the programs read servers'
// Retry-After there; the bare engine's tests need none), and every page is loaded through `proxy` when one
// is given: the route is fixed for the engine's life. Call before the QApplication is created.
void prepareWebEngineEnvironment(const std::optional<Requests::Proxy>& proxy = std::nullopt,
                                 bool networkLog = false);
