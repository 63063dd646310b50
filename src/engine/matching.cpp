#include "engine/matching.h"

QString lowerCodeUnits(const QString& text) {
    QString lowered = text;
    for (QChar& ch : lowered)
        ch = ch.toLower();
    return lowered;
}

bool containsIgnoringCase(const QString& text, const QString& search) {
    // Same answer as searching the lowered search text in the lowered text, without lowering a copy of every
    // line: the first unit is looked for before the rest is compared.
    const QString needle = lowerCodeUnits(search);
    const qsizetype m = needle.size();
    if (m == 0)
        return true;
    const QChar* hay = text.constData();
    const QChar first = needle.at(0);
    for (qsizetype i = 0, last = text.size() - m; i <= last; ++i) {
        if (hay[i].toLower() != first)
            continue;
        qsizetype k = 1;
        while (k < m && hay[i + k].toLower() == needle.at(k))
            ++k;
        if (k == m)
            return true;
    }
    return false;
}
