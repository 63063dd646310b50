#pragma once

#include "base/failure.h"
#include "platform/clipboard.h"
#include "platform/processrunner.h"
#include "platform/settingsstore.h"

#include <QHash>
#include <QVector>

// An in-memory store keyed "application/section/key"; counts writes.
class FakeSettings : public SettingsStore {
public:
    QHash<QString, QString> values;
    int writes = 0;

    static QString keyOf(const QString& key) { return QStringLiteral("Marrowick/Quarnel/") + key; }
    QString value(const QString& key) const { return values.value(keyOf(key)); }
    void set(const QString& key, const QString& value) { values[keyOf(key)] = value; }

    QString read(const QString& a, const QString& s, const QString& k, const QString& def) override {
        return values.value(a + QLatin1Char('/') + s + QLatin1Char('/') + k, def);
    }
    void write(const QString& a, const QString& s, const QString& k, const QString& v) override {
        ++writes;
        values[a + QLatin1Char('/') + s + QLatin1Char('/') + k] = v;
    }
};

// Answers with scripted chunks and records the command lines it was given.
class FakeProcessRunner : public ProcessRunner {
public:
    Outcome outcome = Outcome::Finished;
    QVector<QByteArray> chunks{QByteArray("64 bytes from 192.0.2.1: icmp_seq=1 ttl=57 time=1.0 ms\n")};
    QVector<QStringList> runs;
    int betweenReads = 0;

    Outcome run(const QStringList& arguments, bool, bool, const std::function<void()>& between,
                const std::function<void(const QByteArray&)>& onChunk) override {
        runs << arguments;
        if (outcome != Outcome::Finished)
            return outcome;
        for (const QByteArray& chunk : chunks) {
            between();
            ++betweenReads;
            onChunk(chunk);
        }
        between();
        return outcome;
    }
};

// A clipboard that can refuse a number of attempts first.
class FakeClipboard : public Clipboard {
public:
    QString text = QStringLiteral("held before");
    int refusals = 0;
    int attempts = 0;
    bool tryClear() override {
        ++attempts;
        if (refusals > 0 && refusals--)
            return false;
        text.clear();
        return true;
    }
    bool trySetText(const QString& t) override {
        ++attempts;
        if (refusals > 0 && refusals--)
            return false;
        text = t;
        return true;
    }
};
