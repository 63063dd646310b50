#pragma once

#include <QString>

// The name shown for a source while it is processed: the text after the last backslash, and for a local
// path (one that starts with "/") after the last slash. A web address is shown whole.
QString ShortSourceName(const QString& entry);
