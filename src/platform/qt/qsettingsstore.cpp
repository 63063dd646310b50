#include "platform/qt/qsettingsstore.h"

#include <QSettings>
#include <QStandardPaths>

QSettingsStore::QSettingsStore(QString configFolder) : m_folder(std::move(configFolder))
{
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QSettingsStore::filePath(const QString& application) const
{
    return m_folder + QLatin1Char('/') + application + QLatin1Char('/') + application + QStringLiteral(".ini");
}

QString QSettingsStore::read(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue)
{
    // A file that cannot be read or parsed reads as empty: every key then has its default.
    QSettings settings(filePath(application), QSettings::IniFormat);
    settings.beginGroup(section);
    return settings.value(key, defaultValue).toString();
}

void QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                           const QString& value)
{
    QSettings settings(filePath(application), QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
}
