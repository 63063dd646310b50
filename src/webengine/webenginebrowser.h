#pragma once

#include "platform/browser.h"
#include "webengine/blockrules.h"
#include "webengine/enginepage.h"
#include "webengine/pagepool.h"
#include "webengine/renderermemory.h"
#include "webengine/webengineload.h"

#include <QObject>
#include <QSet>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class EventPump;
class NetworkLog;
class PagePolicy;

// Chromium through Qt WebEngine: pages of a desktop's size that are never on screen, on one off-the-record
// profile, owned by a pool. Every navigation gets a page of its own for as long as its retrieval holds it;
// the page is retired when its load is dropped, and deleted at the next navigation or advance. Pages may run
// their JavaScript; their dialogs, pop-ups, downloads and permission requests are refused silently. It looks
// nowhere ahead: the request scheduler over it names the loads to start.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
public:
    static constexpr qint64 ProbeTimeLimitMs = 2'000; // the least time a script in a page is given to answer
    static constexpr qint64 RendererMemoryLimitMb = RendererMemoryGuard::LimitMb;
    static constexpr qint64 ReusableRendererMb = 300; // a page whose renderer is larger is not kept

    WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) override;
    // Watches the renderers' memory (every 100 ms) and advances every load.
    void advance(qint64 nowMs) override;
    void setSettleLimit(qint64 ms) override { m_settleMs = ms; }
    void setScrollLimit(int views) override { m_scrollViews = views; }
    // Cookies are loaded into the engine's store, for their own domains; the store is never written back.
    void setIdentity(const Requests::Identity& identity) override;
    void setBlocking(bool on) override;
    // The rules that blocking follows, as they are read; none: nothing is blocked by rules.
    void setBlockRules(PendingBlockRules rules);
    // Requests blocked since the browser started.
    qint64 blockedRequests() const;
    // The size every page is laid out at (1280 by 720 unless set).
    void setViewSize(QSize size) { m_host.setViewSize(size); }
    // The engine's network log, where the program reads one (see NetworkLog); it outlives the browser.
    void setNetworkLog(const NetworkLog* log) { m_context.log = log; }
    // Loads not yet dropped.
    int liveLoads() const { return int(m_context.live.size()); }
    // Pages alive (loading, idle or retired and not yet deleted), and their distinct renderer processes.
    int livePages() const;
    int rendererProcesses() const;
    static constexpr int IdlePagesKept = PagePool::IdleLimit;

    // The address the engine loads for an entry: an absolute path or a file: URL is a local file, anything
    // else a web address (http:// added when there is no scheme), never resolved against a folder. Throws
    // Failure for what is not an address, for schemes other than http, https and file, and for a local path
    // that names something other than a file.
    static QUrl addressOf(const QString& entry);

private:
    void watchMemory(qint64 nowMs);

    Clock& m_clock;
    PageHost m_host;
    std::unique_ptr<PagePool> m_pool;
    PagePolicy* m_policy; // the profile's
    LoadContext m_context;
    RendererMemoryGuard m_memory;
    quint64 m_loads = 0;
    qint64 m_settleMs = 0;
    int m_scrollViews = 0;
    bool m_advancing = false;
    Requests::Identity m_identity;
    QString m_engineUserAgent, m_engineLanguage; // the engine's own, for options that name none
};

// Chromium refuses to run as root without its sandbox switched off: do that then, and only then. With
// `networkLog`, the engine's network log goes to it (the programs read servers' Retry-After there; the bare
// engine's tests need none), unless the user sends the log elsewhere: the result says whether it does. Every
// page is loaded through `proxy` when one is given: the route is fixed for the engine's life. Call before
// the QApplication is created.
bool prepareWebEngineEnvironment(const std::optional<Requests::Proxy>& proxy = std::nullopt,
                                 const NetworkLog* networkLog = nullptr);
