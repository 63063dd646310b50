#include "platform/qt/posixfilesystem.h"

#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

QString baseName(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

Dir openFolder(const QString& folder) {
    Dir dir(opendir(encoded(folder).constData()));
    if (!dir) {
        const int error = errno;
        const int number =
            error == EACCES || error == EPERM ? 70 : (error == ENOENT || error == ENOTDIR ? 76 : 75);
        throw ListingFailure(number,
                             QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(": ") + folder);
    }
    return dir;
}
} // namespace

bool PosixFileSystem::isFolder(const QString& path) {
    struct stat st {};
    return stat(encoded(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::isRoot(const QString& path) {
    return !path.isEmpty() && path.count(QLatin1Char('/')) == path.size();
}

int PosixFileSystem::attributes(const QString& path) {
    const QByteArray native =
        encoded(path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path);
    struct stat st {};
    if (lstat(native.constData(), &st) != 0)
        throw Failure(QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + path);
    int attributes = 0;
    if (S_ISLNK(st.st_mode)) {
        attributes |= FileAttribute::ReparsePoint;
        struct stat target {};
        if (stat(native.constData(), &target) == 0)
            st = target;
    }
    if (S_ISDIR(st.st_mode))
        attributes |= FileAttribute::Directory;
    else if (S_ISREG(st.st_mode))
        attributes |= FileAttribute::Archive;
    if (baseName(path).startsWith(QLatin1Char('.')))
        attributes |= FileAttribute::Hidden;
    return attributes;
}

QVector<SubFolder> PosixFileSystem::subFolders(const QString& folder) {
    Dir dir = openFolder(folder);
    QVector<SubFolder> folders;
    for (;;) {
        errno = 0; // readdir tells the end from a failure only through errno
        dirent* entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw ListingFailure(
                    75, QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + folder,
                    folders);
            break;
        }
        const QString name = QFile::decodeName(entry->d_name);
        const QString path = folder + name;
        if (isFolder(path)) {
            // A name that cannot be decoded is kept as it reads; the walk refuses it.
            int attributes = FileAttribute::Directory;
            try {
                attributes = this->attributes(path);
            } catch (const Failure&) {
            }
            folders.push_back({name, attributes});
        }
    }
    return folders;
}

QStringList PosixFileSystem::files(const QString& folder, const QString& pattern) {
    const QRegularExpression expression = patternExpression(pattern);
    QStringList names;
    Dir dir = openFolder(folder);
    while (dirent* entry = readdir(dir.get())) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QStringLiteral(".") || name == QStringLiteral(".."))
            continue;
        if (expression.match(name).hasMatch() && !isFolder(folder + name))
            names << name;
    }
    return names;
}

bool PosixFileSystem::isOpenableFile(const QString& path) {
    const QByteArray native = encoded(path);
    if (QFile::decodeName(native) != path)
        return false; // a name the file system cannot represent
    const int fd = open(native.constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular;
}

bool PosixFileSystem::matches(const QString& name, const QString& pattern) {
    return patternExpression(pattern).match(name).hasMatch();
}

QRegularExpression PosixFileSystem::patternExpression(const QString& pattern) {
    if (pattern == QStringLiteral("*.*") || pattern == QStringLiteral("*"))
        return QRegularExpression(QStringLiteral(".*"), QRegularExpression::DotMatchesEverythingOption);
    QString wildcard = QRegularExpression::wildcardToRegularExpression(
        pattern, QRegularExpression::UnanchoredWildcardConversion);
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? pattern.mid(dot + 1) : QString();
    if (extension.size() == 3 && !extension.contains(QLatin1Char('*')) &&
        !extension.contains(QLatin1Char('?')))
        wildcard += QStringLiteral("[^.]*");
    return QRegularExpression(QRegularExpression::anchoredPattern(wildcard),
                              QRegularExpression::CaseInsensitiveOption);
}
