#pragma once

#include <QString>

// Case-insensitive matching lowers both texts one UTF-16 code unit to one, so that positions found in the
// lowered text are positions in the original.
QString lowerCodeUnits(const QString& text);
bool containsIgnoringCase(const QString& text, const QString& search);
