#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// The sources to extract from, in order of addition. Positions are 1-based.
// Every entry also gets a serial number that only grows, so a run can find its place again after entries
// before it were removed.
class UrlList : public QObject {
    Q_OBJECT
public:
    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const QString& at(qsizetype position) const { return m_entries.at(position - 1); }
    const QStringList& entries() const { return m_entries; }

    void append(const QString& entry);
    void removeAt(qsizetype position);
    // Removes every entry `remove` picks, in one pass; the others keep their order and serials.
    void removeIf(const std::function<bool(const QString&)>& remove);
    void clear();

    quint64 serialAt(qsizetype position) const { return m_serials.at(position - 1); }
    quint64 lastSerial() const { return m_nextSerial - 1; }
    // Position of the first entry whose serial lies in (after, upTo], or 0 when there is none.
    qsizetype firstPositionAfter(quint64 after, quint64 upTo) const;

Q_SIGNALS:
    void aboutToAppend(qsizetype row);
    void appended();
    void aboutToRemove(qsizetype row);
    void removed();
    void aboutToClear();
    void cleared();
    void aboutToReset(); // many entries change at once
    void reset();

private:
    QStringList m_entries;
    QVector<quint64> m_serials;
    quint64 m_nextSerial = 1;
};
