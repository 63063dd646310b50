#include "platform/dialogs.h"

#include "engine/apptexts.h"

#include <QFileInfo>

MessageAnswer Dialogs::message(const QString& text, MessageButtons buttons, MessageIcon icon,
                               const QString& title)
{
    return showMessage(text, buttons, icon, title.isEmpty() ? AppTexts::applicationTitle() : title);
}

QString Dialogs::prompt(const QString& text, const QString& defaultAnswer, const QString& title)
{
    return showPrompt(text, defaultAnswer, title.isEmpty() ? AppTexts::applicationTitle() : title);
}

QStringList toQtNameFilters(const QString& filterList)
{
    QStringList parts = filterList.split(QLatin1Char('|'));
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

QString joinSelection(const QStringList& paths)
{
    if (paths.size() <= 1)
        return paths.value(0);
    QStringList pieces{QFileInfo(paths.first()).absolutePath()};
    for (const QString& path : paths)
        pieces << QFileInfo(path).fileName();
    return pieces.join(QChar(0));
}

QString toDisplayLines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}
