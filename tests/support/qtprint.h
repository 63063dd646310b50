#pragma once

// Lets test failures show Qt strings as text rather than as bytes.
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i)
        *out << (i ? ",\n " : "") << '"' << texts[i].toStdString() << '"';
    *out << '}';
}
