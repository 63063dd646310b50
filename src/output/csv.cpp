#include "output/csv.h"

namespace Csv {

QString field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    return QLatin1Char('"') + quoted.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString record(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        line += field(fields.at(i));
    }
    return line;
}

QStringList fields(const QString& record) {
    QStringList result;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < record.size(); ++i) {
        const QChar c = record.at(i);
        if (quoted && c == QLatin1Char('"') && i + 1 < record.size() && record.at(i + 1) == QLatin1Char('"'))
            current += record.at(++i);
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            result << std::exchange(current, {});
        else
            current += c;
    }
    return result << current;
}

} // namespace Csv
