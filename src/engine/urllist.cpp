#include "engine/urllist.h"

#include <algorithm>

void UrlList::append(const QString& entry) {
    Q_EMIT aboutToAppend(m_entries.size());
    m_entries.append(entry);
    m_serials.append(m_nextSerial++);
    Q_EMIT appended();
}

void UrlList::removeAt(qsizetype position) {
    Q_EMIT aboutToRemove(position - 1);
    m_entries.removeAt(position - 1);
    m_serials.removeAt(position - 1);
    Q_EMIT removed();
}

void UrlList::removeIf(const std::function<bool(const QString&)>& remove) {
    Q_EMIT aboutToReset();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (remove(m_entries.at(i)))
            continue;
        if (kept != i) {
            m_entries[kept] = std::move(m_entries[i]);
            m_serials[kept] = m_serials[i];
        }
        ++kept;
    }
    m_entries.resize(kept);
    m_serials.resize(kept);
    Q_EMIT reset();
}

void UrlList::clear() {
    Q_EMIT aboutToClear();
    m_entries.clear();
    m_serials.clear();
    Q_EMIT cleared();
}

qsizetype UrlList::firstPositionAfter(quint64 after, quint64 upTo) const {
    // Serials grow along the list: appends go to the end and nothing is ever inserted or moved.
    const auto it = std::upper_bound(m_serials.cbegin(), m_serials.cend(), after);
    if (it == m_serials.cend() || *it > upTo)
        return 0;
    return (it - m_serials.cbegin()) + 1;
}
