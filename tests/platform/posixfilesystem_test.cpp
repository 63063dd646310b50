// The folder collection on a real tree: dot-names, links, odd names and unreadable folders.
#include "engine/mainstate.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakefilesystem.h"
#include "fakes/fakehost.h"
#include "platform/qt/posixfilesystem.h"
#include "sources/localfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class RealTree : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root = dir.path();
    FakeHost f;
    PosixFileSystem fs;
    Host host{f.browser, f.dialogs, f.pump, f.clock, f.settings, f.processes, f.clipboard, fs};

    void file(const QString& relative) {
        QDir(root).mkpath(QFileInfo(root + QLatin1Char('/') + relative).path());
        QFile out(root + QLatin1Char('/') + relative);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    QStringList collect(const QString& extension) {
        f.state.urls.clear();
        f.dialogs.promptAnswers << extension;
        f.dialogs.folderAnswers << root;
        addHtmlFilesInFolder(host, f.state);
        QStringList relative;
        for (const QString& e : f.state.urls.entries())
            relative << e.mid(root.size() + 1);
        return relative;
    }
};
} // namespace

TEST_F(RealTree, DotNamesLinksAndOddNamesFollowTheLinuxRules) {
    file(QStringLiteral("a.htm"));
    file(QStringLiteral("B.HTML"));
    file(QStringLiteral("~a.htm"));
    file(QStringLiteral(".hidden.htm")); // hidden and archive: skipped
    file(QStringLiteral("notes.txt"));
    file(QStringLiteral(".config/in-dot-folder.htm")); // dot-folders are walked
    file(QStringLiteral("sub/deeper/deep.htm"));
    file(QStringLiteral("sub/s.htm"));
    file(QStringLiteral("odd?name/never.htm"));
    file(QStringLiteral("ctl\x01name/never.htm"));
    ASSERT_EQ(symlink(".", QFile::encodeName(root + QStringLiteral("/sub/loop")).constData()), 0);
    ASSERT_EQ(symlink("../sub", QFile::encodeName(root + QStringLiteral("/sub/deeper/up")).constData()), 0);
    const QByteArray invalid = QFile::encodeName(root) + "/bad\xff\xfe";
    ASSERT_EQ(mkdir(invalid.constData(), 0755), 0);
    ::close(::open((invalid + "/never.htm").constData(), O_CREAT | O_WRONLY, 0644));

    QStringList htm = collect(QStringLiteral("htm"));
    const QStringList top = htm.mid(0, 2);
    EXPECT_TRUE(top.contains(QStringLiteral("a.htm")) && top.contains(QStringLiteral("B.HTML")))
        << htm.join(QLatin1Char(' ')).toStdString();
    htm = htm.mid(2);
    htm.sort(); // one level's folders come in the file system's order
    EXPECT_EQ(htm, QStringList({QStringLiteral(".config/in-dot-folder.htm"),
                                QStringLiteral("sub/deeper/deep.htm"), QStringLiteral("sub/s.htm")}));
    EXPECT_EQ(collect(QStringLiteral("txt")), QStringList({QStringLiteral("notes.txt")}));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
    // Qt cannot name this folder to remove it.
    unlink((invalid + "/never.htm").constData());
    rmdir(invalid.constData());
}

TEST_F(RealTree, AnUnreadableFolderIsDroppedSilently) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    file(QStringLiteral("open/a.htm"));
    file(QStringLiteral("closed/b.htm"));
    ASSERT_EQ(chmod(QFile::encodeName(root + QStringLiteral("/closed")).constData(), 0), 0);
    EXPECT_EQ(collect(QStringLiteral("htm")), QStringList({QStringLiteral("open/a.htm")}));
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
    chmod(QFile::encodeName(root + QStringLiteral("/closed")).constData(), 0755);
}

TEST(PosixFileSystem, PatternsIgnoreCaseAndThreeLetterExtensionsTakeLongerOnes) {
    EXPECT_TRUE(PosixFileSystem::matches(QStringLiteral("A.HTM"), QStringLiteral("*.htm")));
    EXPECT_TRUE(PosixFileSystem::matches(QStringLiteral("a.html"), QStringLiteral("*.htm")));
    EXPECT_FALSE(PosixFileSystem::matches(QStringLiteral("a.html.bak"), QStringLiteral("*.htm")));
    EXPECT_FALSE(PosixFileSystem::matches(QStringLiteral("a.xhtm"), QStringLiteral("*.htm")));
    EXPECT_TRUE(PosixFileSystem::matches(QStringLiteral("README"), QStringLiteral("*.*")));
    EXPECT_FALSE(PosixFileSystem::matches(QStringLiteral("a.html"), QStringLiteral("*.ht")));
}
