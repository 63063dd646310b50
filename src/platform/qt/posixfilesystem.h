#pragma once

#include "platform/filesystem.h"

#include <QRegularExpression>

// Attributes on Linux: a name starting with "." is hidden; there is no system bit; every regular file has
// the archive bit; a symbolic link is a reparse point (and a directory when it leads to one).
class PosixFileSystem : public FileSystem {
public:
    QChar separator() override { return QLatin1Char('/'); }
    bool isFolder(const QString& path) override;
    bool isRoot(const QString& path) override;
    int attributes(const QString& path) override;
    QVector<SubFolder> subFolders(const QString& folder) override;
    QStringList files(const QString& folder, const QString& pattern) override;
    bool isOpenableFile(const QString& path) override;

    // Does `name` match the wildcard `pattern`, letter case ignored? "*.*" matches every name, and a
    // three-letter extension also matches longer ones that begin with it ("*.htm" takes "a.html").
    static bool matches(const QString& name, const QString& pattern);

private:
    static QRegularExpression patternExpression(const QString& pattern);
};
