#pragma once

#include <QString>

// Doubled backslashes become single ones, scanning left to right without overlap; a leading run of
// backslashes of any length becomes exactly two (a network path). In a local path (one that starts with
// "/") doubled slashes become single ones too.
QString CollapseSeparators(const QString& path);

// True for a name holding a control character (below 32, or 127 to 159), a "?", or a character that
// could not be read from the file system's encoding.
bool HasUnsafeCharacters(const QString& name);
