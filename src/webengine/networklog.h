#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// What the engine's own network log says of the answers to pages' main documents. Qt WebEngine 6.4 tells
// a failed navigation's HTTP status but none of its headers; the log is where the engine shows them, and
// the only way to honour a server's Retry-After. The engine writes it through a named pipe in a folder only
// this user may open, never to disk, and a thread of the log's own reads it. No port or socket is opened.
//
// The program owns its one log: made before the engine starts (the switch goes on the engine's command
// line), and destroyed after the engine has shut down, when the reader takes what is left in the pipe and
// is joined.
class NetworkLog {
public:
    // The start of the name of the folder the pipe is made in.
    static constexpr char PipeFolderPrefix[] = "quarnel-netlog-";

    // Makes the pipe and starts the reader; nothing when the pipe cannot be made (then no Retry-After is
    // known, and retries wait 1 s, 2 s, 4 s...).
    static std::unique_ptr<NetworkLog> start();
    ~NetworkLog();
    NetworkLog(const NetworkLog&) = delete;
    NetworkLog& operator=(const NetworkLog&) = delete;

    // The engine's switch that sends the log to this reader.
    QByteArray engineSwitch() const;

    // How far the log has been read: an answer read after a mark is newer than it.
    quint64 mark() const;

    // What the last answer for `url` with `status` newer than `since` asked for: its Retry-After in
    // milliseconds from now (0 once it has passed), or no wait when it set none; nothing while no such
    // answer has been read (the engine writes its log in small batches). Never waits.
    struct Said {
        std::optional<qint64> retryAfterMs;
    };
    std::optional<Said> answerFor(const QUrl& url, int status, quint64 since) const;

    // The address as the log writes it, for comparing.
    static QString logged(const QUrl& url);

private:
    struct Answer {
        int status = 0;
        qint64 freeAtMs = -1; // by steadyMs(); -1 when the answer set no wait
        quint64 seq = 0;
    };

    NetworkLog(int fd, int wake, QByteArray path, QByteArray folder);
    void readLoop();
    bool readAvailable(QByteArray& pending, bool& constants);
    void readConstants(const QByteArray& line);
    void readEvent(QByteArray line);
    void removePipe();

    const int m_fd;              // the pipe, read and write: it never reads as ended
    const int m_wake;            // an eventfd that tells the reader to finish
    QByteArray m_path, m_folder; // the pipe's name, until the engine has opened it
    mutable std::mutex m_mutex;
    QHash<QString, Answer> m_answers;       // by address: the last answer to a main document
    QHash<qint64, QString> m_mainFrames;    // the log's request ids of main documents, and their addresses
    quint64 m_seq = 0;                      // answers recorded
    QByteArray m_startJobEnd, m_headersEnd; // how the lines of the two events of interest end
    std::thread m_reader;
};
