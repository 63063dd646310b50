#include "webengine/networklog.h"

#include "base/requests.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::unique_ptr<NetworkLog> NetworkLog::start() {
    QByteArray folder = QDir::tempPath().toLocal8Bit() + '/' + PipeFolderPrefix + "XXXXXX";
    if (!::mkdtemp(folder.data()))
        return nullptr;
    const QByteArray path = folder + "/net.json";
    const auto removeAll = [&] {
        ::unlink(path.constData());
        ::rmdir(folder.constData());
    };
    if (::mkfifo(path.constData(), 0600) != 0) {
        removeAll();
        return nullptr;
    }
    // Read and write: the pipe never reads as ended, and the engine's open of it never waits.
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    const int wake = fd < 0 ? -1 : ::eventfd(0, EFD_CLOEXEC);
    if (fd < 0 || wake < 0) {
        if (fd >= 0)
            ::close(fd);
        removeAll();
        return nullptr;
    }
    ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    return std::unique_ptr<NetworkLog>(new NetworkLog(fd, wake, path, folder));
}

NetworkLog::NetworkLog(int fd, int wake, QByteArray path, QByteArray folder)
    : m_fd(fd), m_wake(wake), m_path(std::move(path)), m_folder(std::move(folder)) {
    m_reader = std::thread([this] { readLoop(); });
}

NetworkLog::~NetworkLog() {
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    m_reader.join();
    ::close(m_fd);
    ::close(m_wake);
    std::lock_guard lock(m_mutex);
    removePipe();
}

QByteArray NetworkLog::engineSwitch() const {
    return "--log-net-log=" + m_path;
}

void NetworkLog::removePipe() {
    if (m_path.isEmpty())
        return;
    ::unlink(m_path.constData());
    ::rmdir(m_folder.constData());
    m_path.clear();
}

// The numbers of the event types, from the log's first line (its constants).
void NetworkLog::readConstants(const QByteArray& line) {
    const qsizetype at = line.indexOf("\"logEventTypes\":{");
    if (at < 0)
        return;
    const qsizetype open = line.indexOf('{', at), close = line.indexOf('}', open);
    const QJsonObject types = QJsonDocument::fromJson(line.mid(open, close - open + 1)).object();
    const auto end = [&](const char* name) {
        const int type = types.value(QLatin1String(name)).toInt(-1);
        return type < 0 ? QByteArray("\x01") : ",\"type\":" + QByteArray::number(type) + '}';
    };
    std::lock_guard lock(m_mutex);
    m_startJobEnd = end("URL_REQUEST_START_JOB");
    m_headersEnd = end("HTTP_TRANSACTION_READ_RESPONSE_HEADERS");
}

void NetworkLog::readEvent(QByteArray line) {
    if (line.endsWith(','))
        line.chop(1);
    const bool startJob = line.endsWith(m_startJobEnd);
    if (!startJob && !line.endsWith(m_headersEnd))
        return;
    if (startJob && !line.contains("\"request_type\":\"main frame\""))
        return;
    const QJsonObject event = QJsonDocument::fromJson(line).object();
    const qint64 id = event.value(QLatin1String("source")).toObject().value(QLatin1String("id")).toInteger();
    const QJsonObject params = event.value(QLatin1String("params")).toObject();
    std::lock_guard lock(m_mutex);
    if (startJob) {
        if (m_mainFrames.size() > 10'000)
            m_mainFrames.clear();
        m_mainFrames.insert(id, params.value(QLatin1String("url")).toString());
        return;
    }
    const auto frame = m_mainFrames.constFind(id);
    if (frame == m_mainFrames.cend())
        return;
    Answer answer;
    const QJsonArray headers = params.value(QLatin1String("headers")).toArray();
    answer.status =
        headers.isEmpty() ? 0 : headers.first().toString().section(QLatin1Char(' '), 1, 1).toInt();
    for (const auto& header : headers) {
        const QString text = header.toString();
        if (!text.startsWith(QLatin1String("retry-after:"), Qt::CaseInsensitive))
            continue;
        const qint64 ms = Requests::retryAfterMs(text.mid(12), QDateTime::currentDateTimeUtc());
        if (ms >= 0)
            answer.freeAtMs = steadyMs() + ms;
    }
    answer.seq = ++m_seq;
    if (m_answers.size() > 10'000)
        m_answers.clear();
    m_answers.insert(*frame, answer);
}

// Reads what the pipe holds now; false once nothing more can come.
bool NetworkLog::readAvailable(QByteArray& pending, bool& constants) {
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (got <= 0)
            return false;
        {
            // The engine has the pipe open: its name is no longer needed.
            std::lock_guard lock(m_mutex);
            removePipe();
        }
        pending.append(chunk, got);
        qsizetype from = 0;
        for (qsizetype nl; (nl = pending.indexOf('\n', from)) >= 0; from = nl + 1) {
            const QByteArray line = pending.mid(from, nl - from);
            if (!constants) {
                readConstants(line);
                constants = !m_startJobEnd.isEmpty();
            } else {
                readEvent(line);
            }
        }
        pending.remove(0, from);
        if (pending.size() > (64 << 20)) // one line this long is none of the two events
            pending.clear();
    }
}

void NetworkLog::readLoop() {
    QByteArray pending;
    bool constants = false;
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        // Told to finish: what the engine wrote last is taken first.
        const bool finish = fds[1].revents != 0;
        if (!readAvailable(pending, constants) || finish)
            return;
    }
}

quint64 NetworkLog::mark() const {
    std::lock_guard lock(m_mutex);
    return m_seq;
}

QString NetworkLog::logged(const QUrl& url) {
    QUrl plain = url.adjusted(QUrl::RemoveFragment);
    if (plain.path().isEmpty())
        plain.setPath(QStringLiteral("/"));
    return plain.toString(QUrl::FullyEncoded);
}

std::optional<NetworkLog::Said> NetworkLog::answerFor(const QUrl& url, int status, quint64 since) const {
    const QString address = logged(url);
    std::lock_guard lock(m_mutex);
    const auto answer = m_answers.constFind(address);
    if (answer == m_answers.cend() || answer->seq <= since || answer->status != status)
        return std::nullopt;
    if (answer->freeAtMs < 0)
        return Said{};
    return Said{std::max<qint64>(0, answer->freeAtMs - steadyMs())};
}
