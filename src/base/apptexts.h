#pragma once

#include <QString>

namespace AppTexts {
// The product display name, shown whole in the main window's caption.
QString productName();
// The title of every message box and prompt that is given none: whole words of `displayName`, at most 40
// characters, after dropping at least the last word. A name of one word is kept whole.
QString applicationTitle(const QString& displayName);
QString applicationTitle();
QString supportAddress();
} // namespace AppTexts
