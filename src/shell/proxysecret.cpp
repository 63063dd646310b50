#include "shell/proxysecret.h"

#include "base/failure.h"
#include "platform/secretstore.h"
#include "shell/settingskeys.h"

#include <QUrl>

namespace ProxySecret {

namespace {

const QString Key = QStringLiteral("Proxy");

QString keyOf(const QString& proxy) {
    return QStringLiteral("proxy ") + withoutPassword(proxy);
}

QString passwordOf(const QString& proxy) {
    return QUrl(proxy).password();
}

} // namespace

QString withoutPassword(const QString& proxy) {
    QUrl url(proxy);
    if (proxy.isEmpty() || !url.isValid() || url.password().isEmpty())
        return proxy;
    url.setPassword(QString());
    return url.toString();
}

QString atStart(SettingsStore& settings, SecretStore& secrets, QString* note) {
    QString stored = Settings::read(settings, Key, QString());
    if (stored.isEmpty())
        return stored;
    try {
        if (!passwordOf(stored).isEmpty()) {
            keep(secrets, stored);
            Settings::write(settings, Key, withoutPassword(stored));
            return stored;
        }
        if (QUrl(stored).userName().isEmpty())
            return stored;
        const std::optional<QString> password = secrets.read(keyOf(stored));
        if (!password)
            return stored;
        QUrl url(stored);
        url.setPassword(*password);
        return url.toString();
    } catch (const Failure& failure) {
        if (note)
            *note = failure.description();
        return stored;
    }
}

void keep(SecretStore& secrets, const QString& proxy) {
    if (proxy.isEmpty())
        return;
    const QString password = passwordOf(proxy);
    if (!password.isEmpty())
        return secrets.write(keyOf(proxy), password);
    try {
        secrets.remove(keyOf(proxy));
    } catch (const Failure&) {
        // Nothing to keep; a keyring that does not answer keeps nothing either.
    }
}

} // namespace ProxySecret
