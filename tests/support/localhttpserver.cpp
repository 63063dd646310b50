#include "support/localhttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <zlib.h>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LocalHttpServer::start(const QHostAddress& address) {
    m_clock.start();
    return m_server.listen(address, 0);
}

void LocalHttpServer::setReplies(const QString& path, const QList<Reply>& replies) {
    m_sequences.insert(path, replies);
    m_pages.insert(path, replies.value(0));
}

void LocalHttpServer::setPage(const QString& path, const QByteArray& body, const QByteArray& contentType) {
    Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    m_pages.insert(path, reply);
}

void LocalHttpServer::serve(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    ++m_requests;
    const QByteArray head = request.left(request.indexOf("\r\n\r\n"));
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    const QString target = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
    m_seen.push_back({target, head, m_clock.elapsed()});
    QString path = target;
    if (target.startsWith(QStringLiteral("http://"))) {
        if (!head.contains("\r\nProxy-Authorization: " + m_proxyLogin + "\r\n") &&
            !head.endsWith("\r\nProxy-Authorization: " + m_proxyLogin)) {
            socket->write("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic "
                          "realm=\"test\"\r\nContent-Length: 0\r\n\r\n");
            socket->setProperty("request", QByteArray());
            socket->setProperty("answered", false);
            return;
        }
        path = QUrl(target).path();
    }
    const int nth = m_requestsByPath[path]++;
    if (const auto sequence = m_sequences.constFind(path); sequence != m_sequences.cend())
        m_pages.insert(path, sequence->value(std::min<qsizetype>(nth, sequence->size() - 1)));
    const int delayMs = m_pages.value(path).delayMs;
    if (delayMs < 0)
        return; // held open: the client gives up first
    m_peakInFlight = std::max(m_peakInFlight, ++m_inFlight);
    if (delayMs == 0) {
        answer(socket, path, head);
        return;
    }
    QTimer::singleShot(delayMs, socket, [this, socket, path, head] { answer(socket, path, head); });
}

void LocalHttpServer::answer(QTcpSocket* socket, const QString& path, const QByteArray& head) {
    --m_inFlight;
    const auto page = m_pages.constFind(path);
    if (page == m_pages.cend()) {
        socket->write(
            "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nnot found");
        socket->disconnectFromHost();
        return;
    }
    if (page->endlessZeros) {
        sendEndlessZeros(socket);
        return;
    }
    QByteArray body = page->body;
    if (page->echo)
        for (const QByteArray& line : head.split('\n'))
            body += "<p>" + QString::fromLatin1(line.trimmed()).toHtmlEscaped().toUtf8() + "</p>";
    QByteArray reply =
        "HTTP/1.0 " + page->status + "\r\nContent-Type: " + page->contentType + "\r\n" + page->extraHeaders;
    if (!page->holdAfterBody)
        reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (page->bodyAfterMs > 0) {
        socket->write(reply + "\r\n");
        QTimer::singleShot(page->bodyAfterMs, socket, [socket, body = page->body] {
            socket->write(body);
            socket->disconnectFromHost();
        });
        return;
    }
    socket->write(reply + "\r\n" + body);
    if (!page->holdAfterBody) {
        socket->disconnectFromHost();
    } else if (page->dripEveryMs > 0) {
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        drip->start(page->dripEveryMs);
    }
}

namespace {
// A gzip stream of "0" characters in pieces of 1 MB each, every piece flushed in full: from the second on,
// each piece is the same bytes, so the stream costs the server no work to go on without end.
struct ZeroStream {
    QByteArray head, piece;
    ZeroStream() {
        z_stream z{};
        deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
        head = next(z);
        piece = next(z);
        deflateEnd(&z);
    }
    static QByteArray next(z_stream& z) {
        QByteArray zeros(1 << 20, '0'), out(1 << 16, Qt::Uninitialized);
        z.next_in = reinterpret_cast<Bytef*>(zeros.data());
        z.avail_in = uInt(zeros.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FULL_FLUSH);
        out.resize(out.size() - z.avail_out);
        return out;
    }
};
} // namespace

void LocalHttpServer::sendEndlessZeros(QTcpSocket* socket) {
    static const ZeroStream stream;
    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n\r\n" +
                  stream.head);
    // Each time the client has taken most of what was sent, another 64 MB of zeros.
    const auto more = [socket] {
        if (socket->bytesToWrite() < (1 << 16))
            socket->write(stream.piece.repeated(64));
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}
