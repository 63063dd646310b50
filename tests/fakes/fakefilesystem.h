#pragma once

#include "platform/filesystem.h"

#include <QMap>
#include <QRegularExpression>

// A tree in memory with Windows paths and attribute values: "C:\" is a root, folders end with "\".
class FakeFileSystem : public FileSystem {
public:
    struct Node {
        bool folder = false;
        int attributes = 0;
        int listingError = 0;      // 70, 76, …: listing this folder fails with that number
        int listedBeforeError = 0; // how many sub-folders the failing listing gives before it fails
        bool openable = true;
        QStringList children; // in listing order
    };
    QMap<QString, Node> nodes; // by full path; folders with their trailing "\"
    QStringList listed;        // folders whose sub-folders were listed, in order
    QStringList unreadable;    // paths whose attributes cannot be read

    void addFolder(const QString& path, int attributes = FileAttribute::Directory) {
        nodes[path] = Node{true, attributes, 0, 0, true, {}};
        attach(path);
    }
    void addFile(const QString& path, int attributes = FileAttribute::Archive) {
        nodes[path] = Node{false, attributes, 0, 0, true, {}};
        attach(path);
    }

    QChar separator() override { return QLatin1Char('\\'); }
    bool isFolder(const QString& path) override { return nodes.value(folderKey(path)).folder; }
    bool isRoot(const QString& path) override {
        return folderKey(path).size() == 3 && path.at(1) == QLatin1Char(':');
    }
    int attributes(const QString& path) override {
        const QString key = nodes.contains(path) ? path : folderKey(path);
        if (!nodes.contains(key) || unreadable.contains(key))
            throw Failure(QStringLiteral("File not found"));
        return nodes[key].attributes;
    }
    QVector<SubFolder> subFolders(const QString& folder) override {
        listed << folder;
        const Node node = nodes.value(folder);
        QVector<SubFolder> result;
        for (const QString& name : node.children) {
            if (node.listingError && result.size() == node.listedBeforeError)
                throw ListingFailure(node.listingError, QStringLiteral("Permission denied"), result);
            if (nodes.value(folder + name + QLatin1Char('\\')).folder)
                result.push_back({name, nodes[folder + name + QLatin1Char('\\')].attributes});
        }
        if (node.listingError)
            throw ListingFailure(node.listingError, QStringLiteral("Permission denied"), result);
        return result;
    }
    QStringList files(const QString& folder, const QString& pattern) override {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        QStringList result;
        for (const QString& name : nodes.value(folder).children)
            if (nodes.contains(folder + name) && !nodes[folder + name].folder &&
                (pattern == QStringLiteral("*.*") || re.match(name).hasMatch()))
                result << name;
        return result;
    }
    bool isOpenableFile(const QString& path) override {
        return nodes.contains(path) && !nodes[path].folder && nodes[path].openable;
    }

private:
    static QString folderKey(const QString& path) {
        return path.endsWith(QLatin1Char('\\')) ? path : path + QLatin1Char('\\');
    }
    void attach(const QString& path) {
        QString trimmed = path.endsWith(QLatin1Char('\\')) ? path.chopped(1) : path;
        const qsizetype cut = trimmed.lastIndexOf(QLatin1Char('\\'));
        if (cut < 0 || trimmed.size() <= 2)
            return;
        const QString parent = trimmed.left(cut + 1);
        nodes[parent].children << trimmed.mid(cut + 1);
    }
};
