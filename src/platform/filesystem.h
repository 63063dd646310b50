#pragma once

#include "base/failure.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Attribute bits of files and folders, with the values the folder rules are written in.
namespace FileAttribute {
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;
constexpr int ReparsePoint = 1024; // a link
} // namespace FileAttribute

struct SubFolder {
    QString name;
    int attributes = 0;
};

// Listing a folder failed. Error 70 is a denied permission, 76 a path that is not (any more) there. A
// listing that failed part-way carries what it had listed before.
class ListingFailure : public Failure {
public:
    ListingFailure(int errorNumber, QString description, QVector<SubFolder> listed = {})
        : Failure(std::move(description)), m_errorNumber(errorNumber), m_listed(std::move(listed)) {}
    int errorNumber() const { return m_errorNumber; }
    const QVector<SubFolder>& listed() const { return m_listed; }

private:
    int m_errorNumber;
    QVector<SubFolder> m_listed;
};

// What the folder walk needs of the file system. Paths of folders end with their separator.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual QChar separator() = 0;
    virtual bool isFolder(const QString& path) = 0;
    virtual bool isRoot(const QString& path) = 0;
    virtual int attributes(const QString& path) = 0;                  // throws Failure
    virtual QVector<SubFolder> subFolders(const QString& folder) = 0; // throws ListingFailure
    // Names of the files of one folder that match a wildcard pattern (letter case ignored), hidden ones too.
    virtual QStringList files(const QString& folder, const QString& pattern) = 0;
    virtual bool isOpenableFile(const QString& path) = 0;
};
