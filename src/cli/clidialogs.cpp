#include "cli/clidialogs.h"

QString CliDialogs::oneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    line.replace(QLatin1Char('\r'), QStringLiteral(" | "));
    line.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    return line;
}

MessageAnswer CliDialogs::showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                                      const QString&) {
    if (icon == MessageIcon::Warning)
        ++m_reports;
    if (text != QStringLiteral("Done.") || m_verbose) {
        m_err << oneLine(text) << '\n';
        m_err.flush();
    }
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}
