#include "sources/paths.h"

namespace {
QString collapseDoubled(const QString& text, QChar separator) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator)
            ++i; // the pair's second half goes
    }
    return out;
}
} // namespace

QString CollapseSeparators(const QString& path) {
    const QChar backslash(u'\\');
    QString result;
    if (path.startsWith(QLatin1Char('/'))) {
        // A local path: only "/" separates; a backslash is part of a name.
        result = path;
    } else if (!path.startsWith(backslash)) {
        result = collapseDoubled(path, backslash);
    } else {
        qsizetype run = 0;
        while (run < path.size() && path[run] == backslash)
            ++run;
        result = QStringLiteral("\\\\") + collapseDoubled(path.mid(run), backslash);
    }
    if (result.startsWith(QLatin1Char('/'))) {
        while (result.contains(QStringLiteral("//")))
            result.replace(QStringLiteral("//"), QStringLiteral("/"));
    }
    return result;
}

bool HasUnsafeCharacters(const QString& name) {
    for (const QChar ch : name) {
        const char16_t code = ch.unicode();
        if (code < 32 || (code >= 127 && code <= 159) || code == u'?' || code == QChar::ReplacementCharacter)
            return true;
    }
    return false;
}
