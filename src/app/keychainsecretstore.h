#pragma once

#include "platform/secretstore.h"

// The desktop's keyring through QtKeychain (the Secret Service on a Linux desktop), under the service
// "Quarnel". Each call waits for the keyring's answer, handling events meanwhile.
class KeychainSecretStore : public SecretStore {
public:
    std::optional<QString> read(const QString& key) override;
    void write(const QString& key, const QString& secret) override;
    void remove(const QString& key) override;
};
