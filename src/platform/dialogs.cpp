#include "platform/dialogs.h"

#include "base/apptexts.h"

#include <QFileInfo>
#include <QRegularExpression>

MessageAnswer Dialogs::message(const QString& text, MessageButtons buttons, MessageIcon icon,
                               const QString& title) {
    return showMessage(text, buttons, icon, title.isEmpty() ? AppTexts::applicationTitle() : title);
}

QString Dialogs::prompt(const QString& text, const QString& defaultAnswer, const QString& title) {
    return showPrompt(text, defaultAnswer, title.isEmpty() ? AppTexts::applicationTitle() : title);
}

QStringList toQtNameFilters(const QString& filterList) {
    QStringList parts = filterList.split(QLatin1Char('|'));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "*.*" means every file; on Linux it would hide the files without a dot in their name.
        for (QString& pattern : patterns)
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        // The label's own "(*.txt)" is replaced by the patterns Qt filters by, so it shows once.
        QString label = parts[i];
        label.remove(shownPatterns);
        filters << label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QString joinSelection(const QStringList& paths) {
    if (paths.size() <= 1)
        return paths.value(0);
    QStringList pieces{QFileInfo(paths.first()).absolutePath()};
    for (const QString& path : paths)
        pieces << QFileInfo(path).fileName();
    return pieces.join(QChar(0));
}

QString toDisplayLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}
