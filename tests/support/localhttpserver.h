#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>

// A tiny HTTP/1.0 server on 127.0.0.1 for tests and benchmarks: fixed bodies by path, 404 otherwise. A reply
// may come late, be cut short and held open, or never come, as real servers' do.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Reply {
        QByteArray body;
        QByteArray status = "200 OK";
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray extraHeaders;    // whole header lines, each ending in CR LF
        int delayMs = 0;            // before anything is sent; -1: the connection is held and never answered
        int bodyAfterMs = 0;        // the head is sent at once, the body this much later
        bool holdAfterBody = false; // the body is sent but the response never ends (no length, kept open)
        int dripEveryMs = 0;        // with holdAfterBody: one more byte at this interval
        bool endlessZeros = false;  // a gzip-compressed body of "0" characters that never ends
        bool echo = false;          // the body lists the request's header lines, one paragraph each
    };
    // A request as it came: its target as written (absolute through a proxy), its head, and when.
    struct Seen {
        QString target;
        QByteArray head;
        qint64 atMs = 0;
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    bool start(const QHostAddress& address = QHostAddress::LocalHost);
    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return m_server.serverAddress().toString() + QStringLiteral(":%1").arg(port()); }
    void setPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    void setReply(const QString& path, const Reply& reply) { m_pages.insert(path, reply); }
    // The n-th request of `path` gets the n-th reply, and every later one the last.
    void setReplies(const QString& path, const QList<Reply>& replies);
    // Also a forward proxy: a request for an absolute http:// address is answered with the page of its
    // path, when it carries this Proxy-Authorization value (407 otherwise).
    void setProxyLogin(const QByteArray& authorization) { m_proxyLogin = authorization; }
    const QList<Seen>& seen() const { return m_seen; }
    int peakInFlight() const { return m_peakInFlight; }
    int requests() const { return m_requests; }
    int requestsFor(const QString& path) const { return m_requestsByPath.value(path); }

private:
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path, const QByteArray& head);
    void sendEndlessZeros(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Reply> m_pages;
    QHash<QString, int> m_requestsByPath;
    QHash<QString, QList<Reply>> m_sequences;
    QByteArray m_proxyLogin;
    QList<Seen> m_seen;
    QElapsedTimer m_clock;
    int m_requests = 0, m_inFlight = 0, m_peakInFlight = 0;
};
