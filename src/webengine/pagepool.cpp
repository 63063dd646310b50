#include "webengine/pagepool.h"

#include "webengine/enginepage.h"

#include <QSet>

PagePool::PagePool(PageHost& host, QObject* parent) : QObject(parent), m_host(host) {}

PagePool::~PagePool() {
    for (const QList<EnginePage*>* pages : {&m_busy, &m_idle, &m_retired})
        qDeleteAll(*pages);
}

EnginePage* PagePool::take(const QUrl& url, bool& reused) {
    // A page that shows the same document but for its fragment would only scroll, not load: use another.
    const QUrl document = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < m_idle.size(); ++i) {
        if (m_idle[i]->url().adjusted(QUrl::RemoveFragment) != document) {
            reused = true;
            m_busy.append(m_idle.takeAt(i));
            return m_busy.last();
        }
    }
    reused = false;
    return fresh();
}

EnginePage* PagePool::fresh() {
    m_busy.append(m_host.createPage());
    return m_busy.last();
}

void PagePool::giveBack(EnginePage* page, bool reusable) {
    if (reusable && m_idle.size() < IdleLimit && m_busy.removeOne(page)) {
        m_idle.append(page);
        return;
    }
    retire(page);
}

void PagePool::retire(EnginePage* page) {
    if (!m_busy.removeOne(page) && !m_idle.removeOne(page))
        return;
    // Nothing the page does from now on reaches anyone; what it loads ends here.
    page->disconnect();
    page->setShown(false);
    page->stop();
    m_retired.append(page);
}

void PagePool::collect() {
    qDeleteAll(std::exchange(m_retired, {}));
}

int PagePool::rendererProcesses() const {
    QSet<qint64> pids;
    for (const QList<EnginePage*>* pages : {&m_busy, &m_idle, &m_retired})
        for (EnginePage* page : *pages)
            if (page->renderProcessPid() > 0)
                pids.insert(page->renderProcessPid());
    return int(pids.size());
}
