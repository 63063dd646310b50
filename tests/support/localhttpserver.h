#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>

// A tiny HTTP/1.0 server on 127.0.0.1 for tests and benchmarks: fixed bodies by path, 404 otherwise.
class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LocalHttpServer(QObject* parent = nullptr);
    bool start();
    quint16 port() const { return m_server.serverPort(); }
    QString base() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    void setPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    int requests() const { return m_requests; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, std::pair<QByteArray, QByteArray>> m_pages;
    int m_requests = 0;
};
