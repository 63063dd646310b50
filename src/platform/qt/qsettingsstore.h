#pragma once

#include "platform/settingsstore.h"

#include <QHash>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

// An INI file per user: <configuration folder>/<application>/<application>.ini, one group per section.
// A write reaches the disk at once, through a temporary file renamed over the old one, and throws Failure
// when it could not. A write made soon goes to a writer thread that gathers what changes within a moment
// into one rewrite of the file, so that typing never waits for a large file; what it holds is written at
// the latest when the store is destroyed.
class QSettingsStore : public SettingsStore {
public:
    // `configFolder` empty: the user's configuration folder.
    explicit QSettingsStore(QString configFolder = {});
    ~QSettingsStore() override;
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    void writeSoon(const QString& application, const QString& section, const QString& key,
                   const QString& value) override;
    QString filePath(const QString& application) const;

    // Waits until every write made soon has reached the file, or the file has refused it (the values are
    // kept and tried again a while later).
    void flush();

private:
    struct Pending {
        QString application, section, key, value;
    };
    void writerLoop();
    static QString pendingKey(const QString& application, const QString& section, const QString& key);

    QString m_folder;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    QHash<QString, Pending> m_pending;
    bool m_writing = false;
    bool m_failing = false; // the last attempt could not write the file
    qint64 m_retryMs = 0;   // the wait before the next attempt after a failure
    bool m_stop = false;
    std::thread m_writer;
};
