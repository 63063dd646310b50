#pragma once

#include <QByteArray>
#include <QHash>
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
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    bool start();
    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    void setPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    void setReply(const QString& path, const Reply& reply) { m_pages.insert(path, reply); }
    int requests() const { return m_requests; }
    int requestsFor(const QString& path) const { return m_requestsByPath.value(path); }

private:
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& path);
    void sendEndlessZeros(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Reply> m_pages;
    QHash<QString, int> m_requestsByPath;
    int m_requests = 0;
};
