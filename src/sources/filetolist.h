#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Dialogs;
class UrlList;

// True when the modification time of a file or folder at `path` can be read.
bool FileExists(const QString& path);

// Text of a list file: UTF-8, or Windows-1252 when the bytes are not valid UTF-8.
QString decodeListFile(const QByteArray& bytes);

// The entries of a list file's text: CR LF, a lone CR and a lone LF each end an entry; blank lines are
// empty entries; nothing is trimmed.
QStringList listFileEntries(const QString& text);

// Appends the lines of the list file at `path` to `target`; says "File not found" when there is none.
// Throws Failure when the file cannot be read.
void FileToList(Dialogs& dialogs, UrlList& target, const QString& path);
