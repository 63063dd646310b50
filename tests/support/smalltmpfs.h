#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

// A real file system of a few kilobytes, mounted for one test and filled up: a full disk. Only root can
// mount; elsewhere `mounted()` is false and the test skips.
class SmallTmpfs {
public:
    explicit SmallTmpfs(int kilobytes = 64) {
        if (geteuid() != 0 || !m_dir.isValid())
            return;
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=%1k").arg(kilobytes), QStringLiteral("tmpfs"),
                                       m_dir.path()}) == 0;
    }
    ~SmallTmpfs() {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
    }
    bool mounted() const { return m_mounted; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    // Takes every free byte, so that the next write of anything fails.
    void fill() {
        QFile filler(filePath(QStringLiteral(".filler")));
        filler.open(QIODevice::Append | QIODevice::Unbuffered);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("x", 1) == 1) {
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
