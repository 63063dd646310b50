#pragma once

#include <QString>

class SecretStore;
class SettingsStore;

// A proxy's password lives in the keyring, never in the settings file, which keeps the proxy's address (with
// its user) without it. The keyring keeps it under that address.
namespace ProxySecret {

// `proxy` without its password.
QString withoutPassword(const QString& proxy);

// The proxy to start with: the settings file's, with its password from the keyring. A password still in the
// file (as earlier versions kept it) is moved to the keyring and out of the file. Where no keyring answers,
// `note` says so and the file is left as it is.
QString atStart(SettingsStore& settings, SecretStore& secrets, QString* note);

// Keeps the password of `proxy` in the keyring, or forgets the one kept for its address when it has none.
// Throws Failure when no keyring answers: the password is then this run's only.
void keep(SecretStore& secrets, const QString& proxy);

} // namespace ProxySecret
