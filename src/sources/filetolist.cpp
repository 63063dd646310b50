#include "sources/filetolist.h"

#include "base/failure.h"
#include "engine/urllist.h"
#include "platform/dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.lastModified().isValid();
}

namespace {
// Windows-1252: Latin-1 except for 0x80..0x9F.
QString fromWindows1252(QByteArrayView bytes) {
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = (byte >= 0x80 && byte < 0xA0) ? QChar(high[byte - 0x80]) : QChar(char16_t(byte));
    }
    return text;
}
} // namespace

QString decodeListFile(const QByteArray& bytes) {
    // Line by line: a line that is UTF-8 is read as UTF-8, and only a line that is not falls back to the
    // legacy code page, so one stray byte changes one entry, not every entry. Line breaks stay as they are.
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        QStringDecoder utf8(QStringConverter::Utf8); // a byte order mark at the start is dropped
        const QString decoded = utf8.decode(line);
        text += utf8.hasError() ? fromWindows1252(line) : decoded;
        if (end < bytes.size())
            text += QChar(char16_t(bytes[end]));
        start = end + 1;
    }
    return text;
}

QStringList listFileEntries(const QString& fileText) {
    // One terminator at the very end of the file ends its last line: a file written on Linux ends with a
    // lone LF, and that makes no empty entry (CR LF and CR at the end make none either, below).
    QString text = fileText;
    if (text.endsWith(QLatin1Char('\n')) && !text.endsWith(QStringLiteral("\r\n")))
        text.chop(1);
    QStringList entries;
    qsizetype pos = 0;
    while (pos < text.size()) {
        // One read: up to the next CR (a CR LF pair or a lone CR), which is dropped.
        qsizetype end = text.indexOf(QLatin1Char('\r'), pos);
        QString line;
        if (end < 0) {
            line = text.mid(pos);
            pos = text.size();
        } else {
            line = text.mid(pos, end - pos);
            pos = end + 1;
            if (pos < text.size() && text[pos] == QLatin1Char('\n'))
                ++pos;
        }
        // Lone LFs inside the read separate entries too.
        entries += line.split(QLatin1Char('\n'));
    }
    return entries;
}

void FileToList(Dialogs& dialogs, UrlList& target, const QString& path) {
    if (!FileExists(path)) {
        dialogs.message(QStringLiteral("File not found"));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    for (const QString& entry : listFileEntries(decodeListFile(bytes)))
        target.append(entry);
}
