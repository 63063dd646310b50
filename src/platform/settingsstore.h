#pragma once

#include <QString>

// Per-user text values addressed by application, section and key. A missing key reads as the default.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
    // Throws Failure when the value could not be stored.
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
    // The same for a value that changes often (a search text as it is typed): it may reach the disk a
    // moment later, together with other changes, and never fails here.
    virtual void writeSoon(const QString& application, const QString& section, const QString& key,
                           const QString& value) {
        try {
            write(application, section, key, value);
        } catch (...) {
        }
    }
};
