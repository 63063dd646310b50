#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class EnginePage;
class PageHost;

// Owns every page of the browser: the pages loads hold, the few kept idle for reuse, and the pages retired
// and not yet deleted. A retired page is stopped and cut off from every receiver at once, and deleted at the
// pool's next safe point (collect()), so that no deferred deletion is needed: a run's event pumping never
// serves those. The browser collects at every navigation and every advance.
class PagePool : public QObject {
public:
    explicit PagePool(PageHost& host, QObject* parent = nullptr);
    ~PagePool() override;

    // A page for a load of `url`: an idle one when one fits (`reused` then true), else a new one.
    EnginePage* take(const QUrl& url, bool& reused);
    EnginePage* fresh();
    // A page back from its load: kept for reuse when `reusable` and there is room, else retired.
    void giveBack(EnginePage* page, bool reusable);
    void retire(EnginePage* page);
    // Deletes the retired pages, and with them the renderers no other page uses.
    void collect();

    // Pages alive: in use, idle and retired but not yet collected.
    int livePages() const { return int(m_busy.size() + m_idle.size() + m_retired.size()); }
    int idlePages() const { return int(m_idle.size()); }
    // Distinct renderer processes of the live pages.
    int rendererProcesses() const;

    // At most this many pages wait for reuse: a run takes the page a read load gives back for the next load
    // at once, so a few cover every pace; each one kept holds a renderer.
    static constexpr int IdleLimit = 2;

private:
    PageHost& m_host;
    QList<EnginePage*> m_busy, m_idle, m_retired;
};
