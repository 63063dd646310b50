#include "support/localhttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LocalHttpServer::start() { return m_server.listen(QHostAddress::LocalHost, 0); }

void LocalHttpServer::setPage(const QString& path, const QByteArray& body, const QByteArray& contentType)
{
    Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    m_pages.insert(path, reply);
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    ++m_requests;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
    ++m_requestsByPath[path];
    const int delayMs = m_pages.value(path).delayMs;
    if (delayMs < 0)
        return; // held open: the client gives up first
    if (delayMs == 0) {
        answer(socket, path);
        return;
    }
    QTimer::singleShot(delayMs, socket, [this, socket, path] { answer(socket, path); });
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path)
{
    const auto page = m_pages.constFind(path);
    if (page == m_pages.cend()) {
        socket->write("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nnot found");
        socket->disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.0 " + page->status + "\r\nContent-Type: " + page->contentType + "\r\n" + page->extraHeaders;
    if (!page->holdAfterBody)
        head += "Content-Length: " + QByteArray::number(page->body.size()) + "\r\n";
    socket->write(head + "\r\n" + page->body);
    if (!page->holdAfterBody) {
        socket->disconnectFromHost();
    } else if (page->dripEveryMs > 0) {
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        drip->start(page->dripEveryMs);
    }
}
