#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// What the engine's own network log says of the answers to pages' main documents. Qt WebEngine 6.4 tells
// a failed navigation's HTTP status but none of its headers; the log is where the engine shows them, and
// the only way to honour a server's Retry-After. The log is process-wide, as the engine is: it goes through
// a named pipe in a folder only this user may open, and is read by a thread of its own for as long as the
// process lives (the engine writes its last lines at exit), never to disk. No port or socket is opened.
namespace NetworkLog {

// The start of the name of the folder the pipe is made in.
constexpr char PipeFolderPrefix[] = "quarnel-netlog-";

// Makes the pipe and starts the reader; returns the engine's switch that sends the log there, or nothing
// when the pipe cannot be made (then no Retry-After is known, and retries wait 1 s, 2 s, 4 s...).
QByteArray start();

// How far the log has been read: an answer read after a mark is newer than it.
quint64 mark();

// The wait the last answer for `url` newer than `since` asked for with its Retry-After, in milliseconds
// from now (0 once it has passed); -1 when no such answer said. Waits up to `waitMs` for the answer to be
// read (the engine writes its log in small batches).
qint64 retryAfterMs(const QUrl& url, int status, quint64 since, int waitMs);

// The address as the log writes it, for comparing.
QString logged(const QUrl& url);

} // namespace NetworkLog
