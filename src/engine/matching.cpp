#include "engine/matching.h"

QString lowerCodeUnits(const QString& text)
{
    QString lowered = text;
    for (QChar& ch : lowered)
        ch = ch.toLower();
    return lowered;
}

bool containsIgnoringCase(const QString& text, const QString& search)
{
    return lowerCodeUnits(text).contains(lowerCodeUnits(search));
}
