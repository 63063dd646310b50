#include "platform/qt/qsettingsstore.h"

#include "base/failure.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <chrono>

namespace {

// Changes that come within this time of each other reach the file together.
constexpr std::chrono::milliseconds Gather{300};
// A file that could not be written is tried again after 1 s, then after twice as long each time, up to 30 s.
constexpr qint64 RetryFirstMs = 1000;
constexpr qint64 RetryLimitMs = 30000;

// Why a settings file could not be written, in words: QSettings itself says only that it could not.
QString whyNotWritten(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return QStringLiteral("the settings file ") + path + QStringLiteral(" is a folder");
    if (folder.exists() && !folder.isWritable())
        return QStringLiteral("the folder ") + folder.filePath() + QStringLiteral(" cannot be written");
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the settings file ") + path + QStringLiteral(" cannot be written");
    return QStringLiteral("the settings file ") + path +
           QStringLiteral(" could not be written (is the disk full?)");
}

// The text after "key=" in the section's lines as it stands in the file, for a value the INI reader took
// for a list (an unquoted comma in a file edited by hand or written by an older version).
QString rawIniValue(const QString& path, const QString& section, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inSection = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
        } else if (inSection) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals > 0 && line.left(equals).trimmed() == key)
                return line.mid(equals + 1).trimmed();
        }
    }
    return {};
}

} // namespace

QSettingsStore::QSettingsStore(QString configFolder) : m_folder(std::move(configFolder)) {
    if (m_folder.isEmpty())
        m_folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    m_writer = std::thread([this] { writerLoop(); });
}

QSettingsStore::~QSettingsStore() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

QString QSettingsStore::filePath(const QString& application) const {
    return m_folder + QLatin1Char('/') + application + QLatin1Char('/') + application +
           QStringLiteral(".ini");
}

QString QSettingsStore::pendingKey(const QString& application, const QString& section, const QString& key) {
    return application + QLatin1Char('\n') + section + QLatin1Char('\n') + key;
}

QString QSettingsStore::read(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue) {
    {
        std::lock_guard lock(m_mutex);
        const auto pending = m_pending.constFind(pendingKey(application, section, key));
        if (pending != m_pending.cend())
            return pending->value;
    }
    // A file that cannot be read or parsed reads as empty: every key then has its default.
    const QString path = filePath(application);
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(section);
    const QVariant value = settings.value(key, defaultValue);
    if (value.metaType().id() == QMetaType::QStringList)
        return rawIniValue(path, section, key);
    return value.toString();
}

void QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                           const QString& value) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.remove(pendingKey(application, section, key)); // this value is newer
    }
    const QString path = filePath(application);
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Failure(QStringLiteral("Path/File access error: ") + whyNotWritten(path));
}

void QSettingsStore::writeSoon(const QString& application, const QString& section, const QString& key,
                               const QString& value) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.insert(pendingKey(application, section, key), Pending{application, section, key, value});
    }
    m_wake.notify_all();
}

void QSettingsStore::flush() {
    std::unique_lock lock(m_mutex);
    m_wake.notify_all();
    m_idle.wait(lock, [this] { return (m_pending.isEmpty() || m_failing) && !m_writing; });
}

void QSettingsStore::writerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_pending.isEmpty(); });
        if (m_pending.isEmpty() && m_stop)
            return;
        // Let the changes of the next moment join these, unless the store is closing.
        m_wake.wait_for(lock, Gather, [this] { return m_stop; });
        const QHash<QString, Pending> batch = std::exchange(m_pending, {});
        m_writing = true;
        lock.unlock();
        QHash<QString, QList<Pending>> byApplication;
        for (const Pending& p : batch)
            byApplication[p.application] << p;
        QList<Pending> unwritten;
        for (auto it = byApplication.cbegin(); it != byApplication.cend(); ++it) {
            QSettings settings(filePath(it.key()), QSettings::IniFormat);
            for (const Pending& p : it.value()) {
                settings.beginGroup(p.section);
                settings.setValue(p.key, p.value);
                settings.endGroup();
            }
            settings.sync();
            if (settings.status() != QSettings::NoError)
                unwritten << it.value();
        }
        lock.lock();
        m_writing = false;
        // A file that cannot be written now keeps its values for the next try, a while later (a value
        // changed meanwhile is newer and stays as it is); the close writes them at the latest, and says so
        // if it cannot.
        for (const Pending& p : std::as_const(unwritten))
            m_pending.insert(pendingKey(p.application, p.section, p.key), p);
        m_idle.notify_all();
        m_failing = !unwritten.isEmpty();
        m_idle.notify_all();
        if (m_failing) {
            if (m_stop)
                return; // the store closes: its owner's own write says what could not be stored
            m_retryMs = m_retryMs == 0 ? RetryFirstMs : std::min(m_retryMs * 2, RetryLimitMs);
            m_wake.wait_for(lock, std::chrono::milliseconds(m_retryMs), [this] { return m_stop; });
        } else {
            m_retryMs = 0;
        }
    }
}
