#include "fakes/fakehost.h"
#include "output/alignedtable.h"
#include "output/resultscommands.h"
#include "output/rowstream.h"
#include "output/textfilewriter.h"
#include "support/smalltmpfs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>

namespace {
class RecordingProgress : public ProgressDisplay {
public:
    QStringList statuses;
    QList<double> values;
    void setStatus(const QString& text) override { statuses << text; }
    void setValue(double value) override { values << value; }
};

// Fails every write once `budget` bytes have gone through: a disk that fills up mid-save.
class FillingSaveFile : public QSaveFile {
public:
    FillingSaveFile(const QString& path, qint64 budget) : QSaveFile(path), m_budget(budget) {}

protected:
    qint64 writeData(const char* data, qint64 len) override {
        if (len > m_budget)
            return -1;
        m_budget -= len;
        return QSaveFile::writeData(data, len);
    }

private:
    qint64 m_budget;
};

class Output : public ::testing::Test {
protected:
    FakeHost f;
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("out.txt"));

    static QByteArray read(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }
    void sourceLayout() {
        auto& r = f.state.results;
        r.removeAllColumns();
        r.addColumn(QStringLiteral("Source Filename"));
        r.addColumn(QStringLiteral("Extraction Results"));
    }
    void sourced(const QString& source, const QString& text) {
        f.state.results.appendSourcedRow(source);
        f.state.results.setLastRowText(text);
    }
    QByteArray save(ProgressDisplay* progress = nullptr, TextFileWriter::Factory factory = {}) {
        TextFileWriter file(std::move(factory));
        writeAlignedTable(f.dialogs, f.pump, f.state.results, path, progress, file);
        return read(path);
    }
};
} // namespace

TEST_F(Output, AlignedFileLaysOutTheWorkedExample) {
    sourceLayout();
    sourced(QStringLiteral("0123456789"), QStringLiteral("abcdefghij"));
    sourced(QStringLiteral("0123456789A"), QStringLiteral("abcdef"));
    EXPECT_EQ(save(), QByteArray("Source Filename\tExtraction Results\t\r\n"
                                 "0123456789     \tabcdefghij        \t\r\n"
                                 "0123456789A    \tabcdef            \t\r\n"));
    EXPECT_TRUE(f.dialogs.messages.isEmpty());
}

TEST_F(Output, AlignedFileEdgeShapes) {
    EXPECT_EQ(save(), QByteArray("Result(s)\t\r\n")); // the start-up layout, no rows

    // A plain row under two columns, an empty cell, an unchecked row that still widens its column.
    sourceLayout();
    f.state.results.appendRow(QStringLiteral("plain"));
    sourced(QStringLiteral("s"), QString());
    sourced(QStringLiteral("unchecked and much longer"), QStringLiteral("x"));
    f.state.results.setChecked(3, false);
    EXPECT_EQ(save(), QByteArray("Source Filename          \tExtraction Results\t\r\n"
                                 "plain                    \t                  \t\r\n"
                                 "s                        \t                  \t\r\n"));
}

TEST_F(Output, ProgressCountsRowsAndThousands) {
    for (int i = 0; i < 10; ++i)
        f.state.results.appendRow(QString::number(i));
    RecordingProgress ten;
    save(&ten);
    EXPECT_EQ(ten.values.mid(0, 3), QList<double>({1, 10, 20}));
    EXPECT_DOUBLE_EQ(ten.values[3 + 4], 50); // after row 5
    EXPECT_EQ(ten.values.mid(ten.values.size() - 2), QList<double>({100, 0}));
    EXPECT_EQ(ten.statuses.last(), QStringLiteral("Progress Bar"));
    EXPECT_EQ(ten.statuses[ten.statuses.size() - 2], QStringLiteral("Done."));

    f.state.results.clear();
    for (int i = 0; i < 4000; ++i)
        f.state.results.appendRow(QString::number(i));
    RecordingProgress big;
    save(&big);
    EXPECT_DOUBLE_EQ(big.values[3], 0.075); // (1 + 4000 div 2000) / 4000 × 100
    EXPECT_EQ(big.statuses.mid(3, 4), QStringList({QStringLiteral("Writing file: out.txt (1000)"),
                                                   QStringLiteral("Writing file: out.txt (2000)"),
                                                   QStringLiteral("Writing file: out.txt (3000)"),
                                                   QStringLiteral("Writing file: out.txt (4000)")}));
    EXPECT_EQ(big.statuses[0], QStringLiteral("Writing file: out.txt"));
}

// A save either replaces the old file with the whole new content or leaves it untouched, and then says why
// once: a file that cannot be created, a full disk (small outputs fail only at the last flush), rows
// cleared under the save.
TEST_F(Output, ASaveReplacesTheOldFileWhollyOrLeavesItAndSaysWhyOnce) {
    const auto fill = [&](int rows) {
        f.state.results.clear();
        for (int i = 0; i < rows; ++i)
            f.state.results.appendRow(QStringLiteral("row %1 of the new results").arg(i));
    };
    const auto oneReport = [&](const QString& what, const QString& words) {
        const auto reports = f.dialogs.errorReports();
        EXPECT_EQ(reports.size(), 1) << what.toStdString();
        if (!reports.isEmpty()) {
            EXPECT_TRUE(reports[0].text.contains(words))
                << what.toStdString() << ": " << reports[0].text.toStdString();
        }
        f.dialogs.messages.clear();
    };
    const auto saveBoth = [&](const QString& target, const QString& what,
                              const std::function<void()>& check) {
        RecordingProgress progress;
        TextFileWriter file;
        writeAlignedTable(f.dialogs, f.pump, f.state.results, target, &progress, file);
        check();
        EXPECT_EQ(progress.statuses.last(), QStringLiteral("Progress Bar")) << what.toStdString();
        f.dialogs.fileAnswers << target;
        f.dialogs.answers << MessageAnswer::Yes;
        saveCommaDelimited(f.host, f.state);
        f.dialogs.messages.removeIf(
            [](const FakeDialogs::Message& m) { return m.buttons == MessageButtons::YesNo; });
        check();
        EXPECT_EQ(f.state.pointer(), Pointer::Default);
    };

    fill(18);
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/out.txt"));
    saveBoth(nowhere, QStringLiteral("no folder"), [&] {
        oneReport(QStringLiteral("no folder"), QStringLiteral("Path/File access error: "));
        EXPECT_FALSE(QFile::exists(nowhere));
    });

    SmallTmpfs disk;
    if (disk.mounted()) {
        const QString old = disk.filePath(QStringLiteral("old.txt"));
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the user's old file");
        file.close();
        disk.fill();
        for (const int rows : {3, 2000}) {
            fill(rows);
            const QString what = QStringLiteral("full disk, %1 rows").arg(rows);
            saveBoth(old, what, [&] {
                oneReport(what, QStringLiteral("No space left on device"));
                EXPECT_EQ(read(old), QByteArray("the user's old file")) << what.toStdString();
                EXPECT_EQ(disk.files(), QStringList({QStringLiteral(".filler"), QStringLiteral("old.txt")}));
            });
        }
    } else {
        std::cout << "[  SKIPPED ] the full-disk half needs root to mount a small tmpfs\n";
    }

    // Cleared during the width pass, then during the row pass: one report, the old file as it was.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's old file");
    old.close();
    for (const int atCall : {5, 40}) {
        fill(20);
        f.pump.calls = 0;
        f.pump.actions[atCall] = [&] { f.state.results.clear(); };
        save();
        oneReport(QStringLiteral("cleared at %1").arg(atCall), QStringLiteral("Index out of bounds"));
        EXPECT_EQ(read(path), QByteArray("the user's old file"));
    }

    // A run rebuilds the layout with a second column during the width pass: every line has both columns.
    fill(3);
    f.pump.calls = 0;
    f.pump.actions[1] = [&] { sourceLayout(); };
    const QList<QByteArray> lines = save().split('\n');
    ASSERT_EQ(lines.size(), 5);
    for (const QByteArray& line : lines.mid(0, 4))
        EXPECT_EQ(line.count('\t'), 2) << line.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Source Filename")) << lines[0].toStdString();
    EXPECT_TRUE(f.dialogs.errorReports().isEmpty());
}

TEST_F(Output, AWriteThatFailsMidwayLeavesTheOldFileIntact) {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the user's old file");
    old.close();
    for (int i = 0; i < 100; ++i)
        f.state.results.appendRow(QStringLiteral("row %1").arg(i));
    save(nullptr, [](const QString& p) { return std::make_unique<FillingSaveFile>(p, 300); });
    EXPECT_EQ(read(path), QByteArray("the user's old file"));
    EXPECT_FALSE(f.dialogs.errorReports().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({QStringLiteral("out.txt")})); // no leftovers
}

TEST_F(Output, SaveCommandsAskBeforeReplacingAndCancelLeavesTheDiskAlone) {
    f.state.results.appendRow(QStringLiteral("a"));
    f.state.results.appendRow(QStringLiteral("b,c"));
    f.state.results.appendRow(QStringLiteral("d"));
    saveAlignedTable(f.host, f.state); // dialog cancelled
    EXPECT_FALSE(QFile::exists(path));

    f.dialogs.fileAnswers << path;
    saveCommaDelimited(f.host, f.state);
    EXPECT_EQ(read(path), QByteArray("a,b,c,d,\r\n"));
    EXPECT_EQ(f.dialogs.fileRequests[1].title, QStringLiteral("Save"));
    EXPECT_EQ(f.dialogs.fileRequests[1].flags, 0x280201u);
    EXPECT_EQ(f.dialogs.fileRequests[1].kind, FileDialogRequest::Kind::Save);

    f.dialogs.fileAnswers << path; // exists now: "No" keeps it
    saveAlignedTable(f.host, f.state);
    EXPECT_EQ(read(path), QByteArray("a,b,c,d,\r\n"));
    EXPECT_EQ(f.dialogs.messages.last().text,
              QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
    EXPECT_EQ(f.dialogs.messages.last().buttons, MessageButtons::YesNo);

    f.dialogs.fileAnswers << path;
    f.dialogs.answers << MessageAnswer::Yes;
    saveAlignedTable(f.host, f.state);
    EXPECT_EQ(read(path), QByteArray("Result(s)\t\r\na        \t\r\nb,c      \t\r\nd        \t\r\n"));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
    EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
}

TEST_F(Output, CommaFileListsSourcesOfSourcedRowsAndAnEmptyListGivesALineEnd) {
    const QString other = dir.filePath(QStringLiteral("empty.txt"));
    f.dialogs.fileAnswers << other;
    saveCommaDelimited(f.host, f.state);
    EXPECT_EQ(read(other), QByteArray("\r\n"));

    sourceLayout();
    sourced(QStringLiteral("http://a"), QStringLiteral("text"));
    sourced(QStringLiteral("/p/b.html"), QStringLiteral("more"));
    f.dialogs.fileAnswers << path;
    saveCommaDelimited(f.host, f.state);
    EXPECT_EQ(read(path), QByteArray("http://a,/p/b.html,\r\n"));
}

TEST_F(Output, ClipboardTextDropsHeadersFinalTabsAndTrailingBlanks) {
    f.state.results.appendRow(QStringLiteral("abc"));
    f.state.results.appendRow(QStringLiteral("d"));
    EXPECT_EQ(buildClipboardTable(f.pump, f.state.results), QStringLiteral("abc\r\nd\r\n"));

    f.state.results.clear();
    sourceLayout();
    sourced(QStringLiteral("src"), QString());
    sourced(QStringLiteral("s"), QStringLiteral("text  "));
    EXPECT_EQ(buildClipboardTable(f.pump, f.state.results), QStringLiteral("src\t\r\ns  \ttext\r\n"));

    copyResultsToClipboard(f.host, f.state);
    EXPECT_EQ(f.clipboard.text, QStringLiteral("src\t\r\ns  \ttext\r\n"));
    EXPECT_EQ(f.dialogs.texts().last(),
              QStringLiteral("Results have been copied to the clipboard.\r\rClick a text "
                             "area where you normally type and press Ctrl+V to paste the clipboard."));
}

TEST_F(Output, ClipboardIsRetriedAndAnEmptyListLeavesItAlone) {
    copyResultsToClipboard(f.host, f.state);
    EXPECT_EQ(f.clipboard.text, QStringLiteral("held before"));
    EXPECT_EQ(f.clipboard.attempts, 0);
    EXPECT_EQ(f.dialogs.messages.size(), 1);

    f.clipboard.refusals = 5;
    EXPECT_TRUE(setClipboardText(f.clipboard, QStringLiteral("x")));
    EXPECT_EQ(f.clipboard.attempts, 6);
    f.clipboard.refusals = 5000;
    f.clipboard.attempts = 0;
    EXPECT_FALSE(setClipboardText(f.clipboard, QStringLiteral("y")));
    clearClipboard(f.clipboard);
    EXPECT_EQ(f.clipboard.attempts, 2000);
    EXPECT_EQ(f.clipboard.text, QStringLiteral("x"));

    // Refused every time: the command says so.
    f.state.results.appendRow(QStringLiteral("z"));
    f.clipboard.refusals = 5000;
    copyResultsToClipboard(f.host, f.state);
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Results could not be copied to the clipboard."));
}

TEST_F(Output, ClearResultsKeepsTheHeadersAndWorksDuringACopy) {
    sourceLayout();
    sourced(QStringLiteral("a"), QStringLiteral("b"));
    sourced(QStringLiteral("c"), QStringLiteral("d"));
    clearResults(f.host, f.state);
    EXPECT_TRUE(f.state.results.isEmpty());
    EXPECT_EQ(f.state.results.columns().size(), 2);
    EXPECT_EQ(f.state.results.columns()[1].header, QStringLiteral("Extraction Results"));

    // Cleared in the middle of a copy, in its width pass and in its row pass: the copy ends with one report
    // each time and says it failed.
    for (const int atCall : {2, 7}) {
        sourced(QStringLiteral("a"), QStringLiteral("b"));
        sourced(QStringLiteral("c"), QStringLiteral("d"));
        f.pump.calls = 0;
        f.dialogs.messages.clear();
        f.pump.actions[atCall] = [&] { clearResults(f.host, f.state); };
        copyResultsToClipboard(f.host, f.state);
        ASSERT_EQ(f.dialogs.errorReports().size(), 1) << atCall;
        EXPECT_TRUE(f.dialogs.errorReports()[0].text.contains(
            QStringLiteral("Form1.PushButton12_Click at line 100")));
        EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Results could not be copied to the clipboard."));
    }
}

namespace {
// The resident memory this process has held at its peak since the last reset, and a reset to now.
qint64 statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
bool resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}
} // namespace

// One 600,000-character result among 50,000: the file layout pads every line to it (30 GB), which is asked
// about before anything else; the clipboard's leaves the last column unpadded and copies with little memory,
// and refuses a layout that padding would blow up. The CSV save splits back into the very cells.
TEST_F(Output, HugeLayoutsAreAskedAboutOrRefusedAndCsvGivesTheCellsBack) {
    const QString longText(600000, QLatin1Char('x'));
    for (int i = 0; i < 50000; ++i)
        f.state.results.appendRow(QStringLiteral("row %1").arg(i));
    f.state.results.appendRow(longText);
    saveAlignedTable(f.host, f.state); // "No"
    EXPECT_EQ(
        f.dialogs.texts().last(),
        QStringLiteral(
            "The file would be 30.0 GB, because one result is 600,000 characters long. Save it anyway?"));
    EXPECT_TRUE(f.dialogs.fileRequests.isEmpty());

    ASSERT_TRUE(resetPeak());
    const qint64 before = statusKb("VmRSS:");
    copyResultsToClipboard(f.host, f.state);
    const qint64 grew = statusKb("VmHWM:") - before;
    RecordProperty("copy_peak_growth_kib", int(grew));
    // "row 0" to "row 49999" (438,890 characters), the long row, each with CR LF.
    EXPECT_EQ(f.clipboard.text.size(), 50000 * 2 + 438890 + 600000 + 2)
        << f.clipboard.text.left(40).toStdString();
    EXPECT_LT(grew, 64 * 1024) << "KiB"; // the text is 2.4 MB; a padded copy would be 60 GB
    EXPECT_TRUE(f.dialogs.texts().last().startsWith(QStringLiteral("Results have been copied")));

    // The long cell first, padding every line of the column after it: refused, and nothing built.
    f.state.results.clear();
    sourceLayout();
    sourced(longText, QStringLiteral("t"));
    for (int i = 0; i < 50000; ++i)
        sourced(QStringLiteral("s"), QStringLiteral("t"));
    f.clipboard.text = QStringLiteral("held before");
    ASSERT_TRUE(resetPeak());
    const qint64 before2 = statusKb("VmRSS:");
    copyResultsToClipboard(f.host, f.state);
    RecordProperty("refused_copy_peak_growth_kib", int(statusKb("VmHWM:") - before2));
    EXPECT_LT(statusKb("VmHWM:") - before2, 64 * 1024) << "KiB";
    EXPECT_EQ(f.clipboard.text, QStringLiteral("held before"));
    EXPECT_EQ(f.dialogs.texts().last(),
              QStringLiteral("The results were not copied: as aligned text they would take 30.0 GB, "
                             "because one result is 600,000 characters long.\r\rUse \"Save As "
                             "CSV\" to keep them."));

    // CSV: every awkward character survives a reading by another program.
    f.state.results.clear();
    const QStringList texts{QStringLiteral("plain"),
                            QStringLiteral("a, b"),
                            QStringLiteral("say \"hi\""),
                            QStringLiteral("tab\there"),
                            QStringLiteral("two\r\nlines\nand\rmore"),
                            QStringLiteral("caf\u00e9 \u2603"),
                            QString(),
                            QStringLiteral(" padded ")};
    for (const QString& text : texts)
        sourced(QStringLiteral("http://a/?q=1,2"), text);
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    f.dialogs.fileAnswers << csv;
    saveCsv(f.host, f.state);
    EXPECT_EQ(f.dialogs.fileRequests.last().filter,
              QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|"));
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))\n"
                                 "print(json.dumps(rows))"),
                  csv});
    ASSERT_TRUE(python.waitForFinished(30000)) << python.errorString().toStdString();
    QJsonArray expected{QJsonArray{QStringLiteral("Source Filename"), QStringLiteral("Extraction Results")}};
    for (const QString& text : texts)
        expected.append(QJsonArray{QStringLiteral("http://a/?q=1,2"), text});
    EXPECT_EQ(QJsonDocument::fromJson(python.readAllStandardOutput()).array(), expected)
        << python.readAllStandardError().toStdString() << read(csv).toStdString();
}

// A resumed stream learns every row already written, for the duplicate tests: 100,000 lines read back
// buffered (the elapsed time is recorded as the property resume_ms).
TEST(RowStream, AResumeLearnsEveryRowOfAHundredThousandLines) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.jsonl"));
    {
        ResultsList results;
        RowStream stream(RowStream::Format::JsonLines, results, false, false);
        ASSERT_EQ(stream.openFile(path, "key", false), 0);
        for (int i = 0; i < 100000; ++i) {
            results.appendRow(QStringLiteral("row %1 \"q\"").arg(i), QStringLiteral("src"));
            if (i % 1000 == 999)
                stream.entryFinished();
        }
    }
    ResultsList again;
    RowStream resumed(RowStream::Format::JsonLines, again, false, false);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(resumed.openFile(path, "key", true), 100);
    RecordProperty("resume_ms", int(timer.elapsed()));
    EXPECT_TRUE(again.contains(QStringLiteral("row 0 \"q\"")));
    EXPECT_TRUE(again.contains(QStringLiteral("row 99999 \"q\"")));
    EXPECT_FALSE(again.contains(QStringLiteral("row 100000 \"q\"")));
}
