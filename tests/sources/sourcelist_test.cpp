#include "engine/modes/alllines.h"
#include "fakes/fakehost.h"
#include "sources/filetolist.h"
#include "sources/sourcelistcommands.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class SourceList : public ::testing::Test {
protected:
    FakeHost f;
    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }
    QStringList entries() const { return f.state.urls.entries(); }
    void load(const QString& answer) {
        f.dialogs.fileAnswers << answer;
        loadUrlListFile(f.host, f.state);
    }
};
} // namespace

TEST(ListFile, EveryKindOfLineEndSeparatesEntries) {
    const QString e;
    EXPECT_EQ(listFileEntries(QStringLiteral("a\r\n\r\nb")),
              QStringList({QStringLiteral("a"), e, QStringLiteral("b")}));
    EXPECT_EQ(listFileEntries(QStringLiteral("a\nb\n")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(listFileEntries(QStringLiteral("a\nb\n\n")),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), e}));
    EXPECT_EQ(listFileEntries(QStringLiteral("\n")), QStringList());
    EXPECT_EQ(listFileEntries(QStringLiteral("a\nb")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(listFileEntries(QStringLiteral("a\r\nb\r\n")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(listFileEntries(QStringLiteral("a\rb\r")),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(listFileEntries(QStringLiteral(" a \t")), QStringList({QStringLiteral(" a \t")}));
    EXPECT_TRUE(listFileEntries(QString()).isEmpty());
}

TEST(ListFile, Windows1252IsTheFallbackForInvalidUtf8) {
    EXPECT_EQ(decodeListFile("http://caf\xc3\xa9.example/"), QStringLiteral("http://caf\u00e9.example/"));
    EXPECT_EQ(decodeListFile("http://caf\xe9.example/\x80\x9f"),
              QStringLiteral("http://caf\u00e9.example/\u20ac\u0178"));
    // Decided line by line: one stray byte changes its own line only; a mark and CR LF as ever.
    EXPECT_EQ(decodeListFile("\xef\xbb\xbf/p/caf\xc3\xa9.html\r\n/p/caf\xe9.html\r\n/p/\xe2\x82\xac.html\n"),
              QStringLiteral("/p/caf\u00e9.html\r\n/p/caf\u00e9.html\r\n/p/\u20ac.html\n"));
}

TEST_F(SourceList, LoadingAppendsTheFileLinesAfterTheExistingEntries) {
    f.state.urls.append(QStringLiteral("first"));
    const QString path = writeFile(QStringLiteral("list.txt"), "  spaced  \r\nhttp://caf\xe9.example\n");
    load(path);
    load(path); // twice: appended twice
    // The final line feed ends the last line: no empty entry after it.
    EXPECT_EQ(entries(),
              QStringList({QStringLiteral("first"), QStringLiteral("  spaced  "),
                           QStringLiteral("http://caf\u00e9.example"), QStringLiteral("  spaced  "),
                           QStringLiteral("http://caf\u00e9.example")}));
    const FileDialogRequest& request = f.dialogs.fileRequests.first();
    EXPECT_EQ(request.title, QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"));
    EXPECT_EQ(request.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_EQ(request.flags, 0x280001u);
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(SourceList, LoadingRefusesWhatIsNotOneReadableFile) {
    load(QString()); // cancelled
    load(dir.path() + QChar(0) + QStringLiteral("a.txt") + QChar(0) + QStringLiteral("b.txt"));
    load(dir.filePath(QStringLiteral("vanished.txt")));
    load(dir.path()); // a folder cannot be read as a list
    EXPECT_TRUE(entries().isEmpty());
    const QStringList texts = f.dialogs.texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], QStringLiteral("Please select just one file."));
    EXPECT_EQ(texts[1], QStringLiteral("File not found"));
    EXPECT_TRUE(
        texts[2].contains(QStringLiteral("in Vantrel2021/08/31.Form1.PushButton13_Click at line 116")));
}

TEST_F(SourceList, RemovalByTextIgnoresCaseAndTakesAdjacentMatches) {
    for (const char* e :
         {"http://abc.example", "http://ABC.example/x", "http://Abc.example/y", "keep", "aBc"})
        f.state.urls.append(QLatin1String(e));
    f.dialogs.promptAnswers << QStringLiteral("ABC");
    removeUrlsContaining(f.host, f.state);
    EXPECT_EQ(entries(), QStringList({QStringLiteral("keep")}));
    EXPECT_EQ(f.dialogs.prompts[0].text, QStringLiteral("Remove entries containing: "));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);

    f.state.urls.append(QStringLiteral("KEEP me"));
    f.state.urls.append(QStringLiteral("other"));
    f.dialogs.promptAnswers << QStringLiteral("keep");
    removeUrlsNotContaining(f.host, f.state);
    EXPECT_EQ(entries(), QStringList({QStringLiteral("keep"), QStringLiteral("KEEP me")}));
    EXPECT_EQ(f.dialogs.prompts[1].text, QStringLiteral("Remove entries not containing: "));

    removeUrlsNotContaining(f.host, f.state); // cancelled: nothing changes
    EXPECT_EQ(entries().size(), 2);
    f.dialogs.promptAnswers << QStringLiteral("no entry holds this");
    removeUrlsNotContaining(f.host, f.state);
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(SourceList, ClearingAndSamplesHonourARunningExtraction) {
    f.state.setText1(QStringLiteral("old"));
    f.addUrls({QStringLiteral("a"), QStringLiteral("b")});
    // In the middle of the run (while the first page loads) the user clicks "Clear List", then the samples.
    f.browser.pages[QStringLiteral("a")].pollsToLoad = 5;
    f.pump.actions[3] = [&] {
        clearSourceList(f.host, f.state);
        loadSampleUrls(f.host, f.state);
    };
    runAllLines(f.host, f.state);
    EXPECT_EQ(entries(),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("http://www.example.com"),
                           QStringLiteral("http://en.wikipedia.org/wiki/Extract")}));
    EXPECT_EQ(f.state.text1(), QStringLiteral("Extract"));

    // Idle again: both clear.
    loadSampleUrls(f.host, f.state);
    EXPECT_EQ(entries().size(), 2);
    clearSourceList(f.host, f.state);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_TRUE(f.dialogs.prompts.isEmpty()); // no confirmation
}

TEST_F(SourceList, SelectedEntryRemovalNeedsAnIdleWindowAndASelection) {
    RemoveSelectedUrl(f.state, 1); // empty list
    RemoveSelectedResult(f.state, 1);
    f.addUrls({QStringLiteral("a"), QStringLiteral("b")});
    f.state.results.appendRow(QStringLiteral("r"));
    RemoveSelectedUrl(f.state, 0); // nothing selected
    f.state.setPointer(Pointer::Busy);
    RemoveSelectedUrl(f.state, 2);
    RemoveSelectedResult(f.state, 1);
    EXPECT_EQ(entries().size(), 2);
    EXPECT_EQ(f.state.results.count(), 1);
    f.state.setPointer(Pointer::Hover);
    RemoveSelectedUrl(f.state, 2);
    RemoveSelectedResult(f.state, 1);
    EXPECT_EQ(entries(), QStringList({QStringLiteral("a")}));
    EXPECT_TRUE(f.state.results.isEmpty());
}
