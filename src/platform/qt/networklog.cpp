#include "platform/qt/networklog.h"

#include "engine/requests.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace NetworkLog {

namespace {

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Answer {
    int status = 0;
    qint64 freeAtMs = -1; // by steadyMs(); -1 when the answer set no wait
    quint64 seq = 0;
};

// Shared by the reader thread and the program. It is never destroyed: the reader reads to the very end.
struct Log {
    std::mutex mutex;
    std::condition_variable arrived;
    QHash<QString, Answer> answers;     // by address: the last answer to a main document
    QHash<qint64, QString> mainFrames;  // the log's request ids of main documents, and their addresses
    quint64 seq = 0;                    // answers recorded
    QByteArray startJobEnd, headersEnd; // how the lines of the two events of interest end
    std::string path, folder;           // the pipe, until the engine has opened it
};

Log& theLog() {
    static Log* log = new Log;
    return *log;
}

void removePipe() {
    Log& log = theLog();
    if (log.path.empty())
        return;
    ::unlink(log.path.c_str());
    ::rmdir(log.folder.c_str());
    log.path.clear();
}

// The numbers of the event types, from the log's first line (its constants).
void readConstants(Log& log, const QByteArray& line) {
    const qsizetype at = line.indexOf("\"logEventTypes\":{");
    if (at < 0)
        return;
    const qsizetype open = line.indexOf('{', at), close = line.indexOf('}', open);
    const QJsonObject types = QJsonDocument::fromJson(line.mid(open, close - open + 1)).object();
    const auto end = [&](const char* name) {
        const int type = types.value(QLatin1String(name)).toInt(-1);
        return type < 0 ? QByteArray("\x01") : ",\"type\":" + QByteArray::number(type) + '}';
    };
    std::lock_guard lock(log.mutex);
    log.startJobEnd = end("URL_REQUEST_START_JOB");
    log.headersEnd = end("HTTP_TRANSACTION_READ_RESPONSE_HEADERS");
}

void readEvent(Log& log, QByteArray line) {
    if (line.endsWith(','))
        line.chop(1);
    const bool startJob = line.endsWith(log.startJobEnd);
    if (!startJob && !line.endsWith(log.headersEnd))
        return;
    if (startJob && !line.contains("\"request_type\":\"main frame\""))
        return;
    const QJsonObject event = QJsonDocument::fromJson(line).object();
    const qint64 id = event.value(QLatin1String("source")).toObject().value(QLatin1String("id")).toInteger();
    const QJsonObject params = event.value(QLatin1String("params")).toObject();
    std::lock_guard lock(log.mutex);
    if (startJob) {
        if (log.mainFrames.size() > 10'000)
            log.mainFrames.clear();
        log.mainFrames.insert(id, params.value(QLatin1String("url")).toString());
        return;
    }
    const auto frame = log.mainFrames.constFind(id);
    if (frame == log.mainFrames.cend())
        return;
    Answer answer;
    const QJsonArray headers = params.value(QLatin1String("headers")).toArray();
    answer.status =
        headers.isEmpty() ? 0 : headers.first().toString().section(QLatin1Char(' '), 1, 1).toInt();
    for (const QJsonValue& header : headers) {
        const QString text = header.toString();
        if (!text.startsWith(QLatin1String("retry-after:"), Qt::CaseInsensitive))
            continue;
        const qint64 ms = Requests::retryAfterMs(text.mid(12), QDateTime::currentDateTimeUtc());
        if (ms >= 0)
            answer.freeAtMs = steadyMs() + ms;
    }
    answer.seq = ++log.seq;
    if (log.answers.size() > 10'000)
        log.answers.clear();
    log.answers.insert(*frame, answer);
    log.arrived.notify_all();
}

void readLoop(int fd) {
    Log& log = theLog();
    QByteArray pending;
    std::vector<char> chunk(1 << 16);
    bool constants = false;
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        {
            // The engine has the pipe open: its name is no longer needed.
            std::lock_guard lock(log.mutex);
            removePipe();
        }
        pending.append(chunk.data(), got);
        qsizetype from = 0;
        for (qsizetype nl; (nl = pending.indexOf('\n', from)) >= 0; from = nl + 1) {
            const QByteArray line = pending.mid(from, nl - from);
            if (!constants) {
                readConstants(log, line);
                constants = !log.startJobEnd.isEmpty();
            } else {
                readEvent(log, line);
            }
        }
        pending.remove(0, from);
        if (pending.size() > (64 << 20)) // one line this long is none of the two events
            pending.clear();
    }
}

} // namespace

QByteArray start() {
    QByteArray folder = QDir::tempPath().toLocal8Bit() + '/' + PipeFolderPrefix + "XXXXXX";
    if (!::mkdtemp(folder.data()))
        return {};
    const QByteArray path = folder + "/net.json";
    if (::mkfifo(path.constData(), 0600) != 0) {
        ::rmdir(folder.constData());
        return {};
    }
    // Read and write: the pipe never reads as ended, and the engine's open of it never waits.
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        ::unlink(path.constData());
        ::rmdir(folder.constData());
        return {};
    }
    ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    Log& log = theLog();
    log.path = path.toStdString();
    log.folder = folder.toStdString();
    std::atexit([] {
        std::lock_guard lock(theLog().mutex);
        removePipe();
    });
    std::thread(readLoop, fd).detach();
    return "--log-net-log=" + path;
}

quint64 mark() {
    Log& log = theLog();
    std::lock_guard lock(log.mutex);
    return log.seq;
}

QString logged(const QUrl& url) {
    QUrl plain = url.adjusted(QUrl::RemoveFragment);
    if (plain.path().isEmpty())
        plain.setPath(QStringLiteral("/"));
    return plain.toString(QUrl::FullyEncoded);
}

qint64 retryAfterMs(const QUrl& url, int status, quint64 since, int waitMs) {
    Log& log = theLog();
    const QString address = logged(url);
    std::unique_lock lock(log.mutex);
    const auto said = [&] {
        const auto answer = log.answers.constFind(address);
        return answer != log.answers.cend() && answer->seq > since && answer->status == status;
    };
    if (!log.arrived.wait_for(lock, std::chrono::milliseconds(waitMs), said)) {
        return -1;
    }
    const Answer& answer = log.answers[address];
    return answer.freeAtMs < 0 ? -1 : std::max<qint64>(0, answer.freeAtMs - steadyMs());
}

} // namespace NetworkLog
