#include "base/apptexts.h"

namespace AppTexts {

QString productName() {
    return QStringLiteral("Quarnel");
}

QString applicationTitle(const QString& displayName) {
    QString title = displayName;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break; // a single word cannot lose a word and stay a title
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}

QString applicationTitle() {
    return applicationTitle(productName());
}

QString supportAddress() {
    return QStringLiteral("support@example.com");
}

} // namespace AppTexts
