#pragma once

#include <QString>
#include <QStringList>

// Comma-separated values after RFC 4180: a field is quoted, its quotes doubled, when it holds a comma, a
// quote or a line break. The window's CSV save and quarnel-cli's csv format write the same records.
namespace Csv {
QString field(const QString& text);
// The fields joined by commas, without the line break that ends a record (CR LF).
QString record(const QStringList& fields);
// The fields of one record, its line break already gone.
QStringList fields(const QString& record);
} // namespace Csv
