#include "support/localhttpserver.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LocalHttpServer::start() { return m_server.listen(QHostAddress::LocalHost, 0); }

void LocalHttpServer::setPage(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    m_pages.insert(path, {body, contentType});
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    ++m_requests;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
    const auto page = m_pages.constFind(path);
    QByteArray response;
    if (page == m_pages.cend()) {
        response = "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nnot found";
    } else {
        response = "HTTP/1.0 200 OK\r\nContent-Type: " + page->second +
                   "\r\nContent-Length: " + QByteArray::number(page->first.size()) + "\r\n\r\n" + page->first;
    }
    socket->write(response);
    socket->disconnectFromHost();
}
