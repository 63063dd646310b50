#include "engine/sourcename.h"

QString ShortSourceName(const QString& entry) {
    qsizetype cut = entry.lastIndexOf(QLatin1Char('\\'));
    if (entry.startsWith(QLatin1Char('/')))
        cut = std::max(cut, entry.lastIndexOf(QLatin1Char('/')));
    return entry.mid(cut + 1);
}
