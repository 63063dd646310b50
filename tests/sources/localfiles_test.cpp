#include "fakes/fakehost.h"
#include "sources/folderwalk.h"
#include "sources/localfiles.h"
#include "sources/paths.h"

#include <gtest/gtest.h>

namespace {
const QChar Nul(0);

class LocalFiles : public ::testing::Test {
protected:
    FakeHost f;
    QStringList entries() const { return f.state.urls.entries(); }
    void pick(const QString& answer) {
        f.dialogs.fileAnswers << answer;
        addLocalHtmlFiles(f.host, f.state);
    }
    void collect(const QString& extension, const QString& folder) {
        f.dialogs.promptAnswers << extension;
        f.dialogs.folderAnswers << folder;
        addHtmlFilesInFolder(f.host, f.state);
    }
};

// C:\ (a root with hidden-system attributes) holding files and three levels of folders.
void buildTree(FakeFileSystem& fs) {
    using namespace FileAttribute;
    fs.addFolder(QStringLiteral("C:\\"), 22);
    fs.addFile(QStringLiteral("C:\\top.htm"));
    fs.addFolder(QStringLiteral("C:\\A\\"));
    fs.addFolder(QStringLiteral("C:\\B\\"));
    fs.addFolder(QStringLiteral("C:\\Sys\\"), 22);
    fs.addFolder(QStringLiteral("C:\\Link\\"), 1046);
    fs.addFolder(QStringLiteral("C:\\Deny\\"));
    fs.nodes[QStringLiteral("C:\\Deny\\")].listingError = 70;
    fs.addFolder(QStringLiteral("C:\\Odd?\\"));
    fs.addFolder(QStringLiteral("C:\\A\\A1\\"));
    fs.addFolder(QStringLiteral("C:\\A\\A1\\A11\\"));
    fs.addFolder(QStringLiteral("C:\\B\\B1\\"));
    fs.addFile(QStringLiteral("C:\\A\\a.htm"));
    fs.addFile(QStringLiteral("C:\\A\\~lock.htm"));
    fs.addFile(QStringLiteral("C:\\A\\hiddenarchive.htm"), Archive | Hidden);
    fs.addFile(QStringLiteral("C:\\A\\hiddenonly.htm"), Hidden);
    fs.addFile(QStringLiteral("C:\\A\\notes.txt"));
    fs.addFile(QStringLiteral("C:\\A\\A1\\A11\\deep.htm"));
    fs.addFile(QStringLiteral("C:\\B\\B1\\b1.htm"));
    fs.addFile(QStringLiteral("C:\\B\\b.HTM"));
    fs.addFile(QStringLiteral("C:\\Sys\\never.htm"));
    fs.addFile(QStringLiteral("C:\\Link\\never.htm"));
    fs.addFile(QStringLiteral("C:\\Deny\\never.htm"));
}
} // namespace

TEST(Paths, CollapseSeparatorsOnEveryForm) {
    EXPECT_EQ(CollapseSeparators(QStringLiteral("C:\\\\a.htm")), QStringLiteral("C:\\a.htm"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("a\\\\\\b")), QStringLiteral("a\\\\b")); // three become two
    EXPECT_EQ(CollapseSeparators(QStringLiteral("\\\\server\\share")), QStringLiteral("\\\\server\\share"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("\\\\\\server\\\\x")), QStringLiteral("\\\\server\\x"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("\\server")), QStringLiteral("\\\\server"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("//home//u///f.htm")), QStringLiteral("/home/u/f.htm"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("/home/u/a\\\\b.htm")), QStringLiteral("/home/u/a\\\\b.htm"));
    EXPECT_EQ(CollapseSeparators(QStringLiteral("http://example.com//x")),
              QStringLiteral("http://example.com//x"));
}

TEST(Paths, UnsafeCharacters) {
    EXPECT_TRUE(HasUnsafeCharacters(QStringLiteral("a?b")));
    EXPECT_TRUE(HasUnsafeCharacters(QStringLiteral("a\x01"
                                                   "b")));
    EXPECT_TRUE(HasUnsafeCharacters(QStringLiteral("a\u0085")));
    EXPECT_TRUE(HasUnsafeCharacters(QStringLiteral("bad\ufffd")));
    EXPECT_FALSE(HasUnsafeCharacters(QStringLiteral("caf\u00e9 \u6587")));
    EXPECT_FALSE(HasUnsafeCharacters(QString()));
}

TEST_F(LocalFiles, PickedFilesAreAddedAsPaths) {
    pick(QStringLiteral("C:\\pages\\one.htm"));
    pick(QStringLiteral("C:\\") + Nul + QStringLiteral("a.htm") + Nul + QStringLiteral("b.html") + Nul +
         QStringLiteral("c"));
    pick(QString()); // cancelled
    pick(QStringLiteral("/home/u") + Nul + QStringLiteral("x.html") + Nul + QStringLiteral("y.html"));
    EXPECT_EQ(entries(), QStringList({QStringLiteral("C:\\pages\\one.htm"), QStringLiteral("C:\\a.htm"),
                                      QStringLiteral("C:\\b.html"), QStringLiteral("C:\\c"),
                                      QStringLiteral("/home/u/x.html"), QStringLiteral("/home/u/y.html")}));
    const FileDialogRequest& request = f.dialogs.fileRequests.first();
    EXPECT_EQ(request.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    EXPECT_EQ(request.filter, QStringLiteral("HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*|"));
    EXPECT_EQ(request.flags, 0x280201u);
}

TEST_F(LocalFiles, ASelectionTooLargeForTheDialogIsTurnedAway) {
    struct TooMany : FakeDialogs {
        QString fileDialog(const FileDialogRequest&) override { throw SelectionTooLarge(); }
    } dialogs;
    Host host{f.browser, dialogs, f.pump, f.clock, f.settings, f.processes, f.clipboard, f.files};
    addLocalHtmlFiles(host, f.state);
    EXPECT_TRUE(entries().isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("You've selected too many files to add.\r\r"
                                                       "Please try adding via the \"Add All\" button."));
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::None);
}

TEST_F(LocalFiles, TheWalkIsBreadthFirstAndSkipsWhatItMust) {
    buildTree(f.files);
    QStringList queue{QStringLiteral("C:\\")};
    GetSubDirectories2016(f.host, queue, true);
    EXPECT_EQ(queue, QStringList({QStringLiteral("C:\\"), QStringLiteral("C:\\A\\"),
                                  QStringLiteral("C:\\B\\"), QStringLiteral("C:\\A\\A1\\"),
                                  QStringLiteral("C:\\B\\B1\\"), QStringLiteral("C:\\A\\A1\\A11\\")}));
    EXPECT_FALSE(f.files.listed.contains(QStringLiteral("C:\\Sys\\")));
    EXPECT_FALSE(f.files.listed.contains(QStringLiteral("C:\\Odd?\\")));
    EXPECT_TRUE(f.dialogs.messages.isEmpty()); // the denied folder went without a word
    EXPECT_GT(f.pump.calls, 6);                // events during the walk
}

TEST_F(LocalFiles, CollectingAddsFilesLevelByLevel) {
    buildTree(f.files);
    collect(QStringLiteral("htm"), QStringLiteral("C:\\"));
    EXPECT_EQ(entries(),
              QStringList({QStringLiteral("C:\\top.htm"), QStringLiteral("C:\\A\\a.htm"),
                           QStringLiteral("C:\\A\\hiddenonly.htm"), QStringLiteral("C:\\B\\b.HTM"),
                           QStringLiteral("C:\\B\\B1\\b1.htm"), QStringLiteral("C:\\A\\A1\\A11\\deep.htm")}));
    EXPECT_EQ(f.dialogs.prompts[0].text,
              QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all "
                             "txt files, doc for all doc files, etc.)"));
    EXPECT_EQ(f.dialogs.prompts[0].defaultAnswer, QStringLiteral("htm"));
    EXPECT_EQ(f.settings.value(QStringLiteral("LastFolder")), QStringLiteral("C:\\"));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);

    f.state.urls.clear();
    collect(QStringLiteral("txt"), QStringLiteral("C:\\A"));
    EXPECT_EQ(entries(), QStringList({QStringLiteral("C:\\A\\notes.txt")}));
    EXPECT_EQ(f.dialogs.prompts[1].defaultAnswer, QStringLiteral("htm"));

    f.state.urls.clear();
    collect(QStringLiteral("*"), QStringLiteral("C:\\A\\A1"));
    collect(QStringLiteral("*"), QStringLiteral("C:\\A\\A1")); // twice: listed twice
    EXPECT_EQ(entries(), QStringList({QStringLiteral("C:\\A\\A1\\A11\\deep.htm"),
                                      QStringLiteral("C:\\A\\A1\\A11\\deep.htm")}));
    EXPECT_EQ(f.dialogs.prompts[3].defaultAnswer, QStringLiteral("*"));

    // A chosen folder that is itself a link is walked; a link below it still is not.
    using namespace FileAttribute;
    f.files.addFolder(QStringLiteral("C:\\Linked\\"), Directory | ReparsePoint);
    f.files.addFolder(QStringLiteral("C:\\Linked\\In\\"));
    f.files.addFile(QStringLiteral("C:\\Linked\\In\\inside.htm"));
    f.files.addFolder(QStringLiteral("C:\\Linked\\Below\\"), Directory | ReparsePoint);
    f.files.addFile(QStringLiteral("C:\\Linked\\Below\\never.htm"));
    f.state.urls.clear();
    collect(QStringLiteral("htm"), QStringLiteral("C:\\Linked"));
    EXPECT_EQ(entries(), QStringList({QStringLiteral("C:\\Linked\\In\\inside.htm")}));
}

TEST_F(LocalFiles, CancellingKeepsTheNewExtensionOnly) {
    f.dialogs.promptAnswers << QStringLiteral("html");
    addHtmlFilesInFolder(f.host, f.state); // the folder browser is cancelled
    EXPECT_EQ(f.settings.value(QStringLiteral("Extension")), QStringLiteral("html"));
    EXPECT_FALSE(f.settings.values.contains(FakeSettings::keyOf(QStringLiteral("LastFolder"))));
    addHtmlFilesInFolder(f.host, f.state); // the prompt is cancelled
    EXPECT_EQ(f.settings.value(QStringLiteral("Extension")), QStringLiteral("html"));
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(LocalFiles, OtherWalkFailuresAreReportedUnderTheirOwnName) {
    buildTree(f.files);
    f.files.nodes[QStringLiteral("C:\\B\\")].listingError = 5; // neither denied nor gone: kept in the queue
    f.files.nodes[QStringLiteral("C:\\B\\")].listedBeforeError = 1; // ... after listing B1
    f.files.unreadable << QStringLiteral("C:\\A\\A1\\");
    QStringList queue{QStringLiteral("C:\\")};
    GetSubDirectories2016(f.host, queue, true);
    // B stays although its listing failed part-way, and B1, listed before the failure, stays too. A1's
    // failed tests are reported and taken as passed, so it and its sub-folder are still walked.
    EXPECT_EQ(queue, QStringList({QStringLiteral("C:\\"), QStringLiteral("C:\\A\\"),
                                  QStringLiteral("C:\\B\\"), QStringLiteral("C:\\A\\A1\\"),
                                  QStringLiteral("C:\\B\\B1\\"), QStringLiteral("C:\\A\\A1\\A11\\")}));
    const auto reports = f.dialogs.errorReports();
    ASSERT_EQ(reports.size(), 3); // its own level tests it, then every level above checks it again
    for (const auto& report : reports)
        EXPECT_TRUE(report.text.contains(
            QStringLiteral("in Dornwell2021/08/31.AddFolder.GetSubDirectories2016 at line")));
}
