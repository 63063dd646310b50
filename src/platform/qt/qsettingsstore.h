#pragma once

#include "platform/settingsstore.h"

// An INI file per user: <configuration folder>/<application>/<application>.ini, one group per section.
// Every write reaches the disk at once, through a temporary file renamed over the old one.
class QSettingsStore : public SettingsStore {
public:
    // `configFolder` empty: the user's configuration folder.
    explicit QSettingsStore(QString configFolder = {});
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    QString filePath(const QString& application) const;

private:
    QString m_folder;
};
