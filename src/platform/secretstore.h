#pragma once

#include <QString>
#include <optional>

// The desktop's keyring: secrets kept out of the settings file. Every call throws Failure when no keyring
// answers, with the reason in plain words.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // The secret kept under `key`; none when nothing is kept there.
    virtual std::optional<QString> read(const QString& key) = 0;
    virtual void write(const QString& key, const QString& secret) = 0;
    // Forgets what is kept under `key`, if anything.
    virtual void remove(const QString& key) = 0;
};
