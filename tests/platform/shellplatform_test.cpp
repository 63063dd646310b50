#include "base/failure.h"
#include "fakes/fakehost.h"
#include "fakes/fakepump.h"
#include "platform/qt/posixprocessrunner.h"
#include "platform/qt/qsettingsstore.h"
#include "platform/qt/qteventpump.h"
#include "shell/cmdoutput.h"
#include "shell/settingskeys.h"
#include "shell/startup.h"
#include "support/smalltmpfs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

TEST(QSettingsStore, ValuesSurviveARestartAndABrokenFileReadsAsDefaults) {
    if (const QString dir = qEnvironmentVariable("QUARNEL_LIST_WRITER"); !dir.isEmpty()) {
        // The child: adds an entry every 20 ms and says so, until it is killed.
        FakeHost f;
        QSettingsStore live(dir);
        Settings::persistChanges(f.state, live);
        for (int n = 1;; ++n) {
            f.state.urls.append(QStringLiteral("e%1.example").arg(n));
            std::printf("%d\n", n);
            std::fflush(stdout);
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 20)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    QTemporaryDir config;
    {
        QSettingsStore store(config.path());
        store.write(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"),
                    QStringLiteral("a=b; [c] \"d\" \u00e9"));
    }
    QSettingsStore restarted(config.path());
    EXPECT_EQ(
        restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"), {}),
        QStringLiteral("a=b; [c] \"d\" \u00e9"));
    EXPECT_TRUE(QFile::exists(config.filePath(QStringLiteral("Marrowick/Marrowick.ini"))));

    QFile ini(restarted.filePath(QStringLiteral("Marrowick")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("\x00\xff[[[garbage\n=\n", 15);
    ini.close();
    EXPECT_EQ(restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Check1"),
                             QStringLiteral("0")),
              QStringLiteral("0"));

    // The source list reaches the file a moment after it changes, without a close: a program killed while
    // entries keep coming keeps every entry added a second before, in order.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUARNEL_LIST_WRITER"), config.path());
    child.setProcessEnvironment(env);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=QSettingsStore.ValuesSurviveARestartAndABrokenFileReadsAsDefaults")});
    ASSERT_TRUE(child.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    QList<std::pair<qint64, int>> added; // when the child said it had added entry N
    while (clock.elapsed() < 3000 && child.state() == QProcess::Running) {
        child.waitForReadyRead(50);
        while (child.canReadLine())
            added.append({clock.elapsed(), child.readLine().trimmed().toInt()});
    }
    ::kill(pid_t(child.processId()), SIGKILL);
    const qint64 killedAt = clock.elapsed();
    child.waitForFinished();
    int surelyKept = 0;
    for (const auto& [at, entry] : added)
        if (at <= killedAt - 1000)
            surelyKept = entry;
    ASSERT_GT(surelyKept, 10) << "the child added too little to judge";
    const QStringList stored = Settings::splitUrlList(
        QSettingsStore(config.path())
            .read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("ListView1"), {}));
    EXPECT_GE(stored.size(), surelyKept);
    for (qsizetype i = 0; i < stored.size(); ++i)
        ASSERT_EQ(stored[i], QStringLiteral("e%1.example").arg(i + 1));

    QTemporaryDir other; // the file's place is taken by a folder: unreadable
    QDir(other.path()).mkpath(QStringLiteral("Marrowick/Marrowick.ini"));
    QSettingsStore unreadable(other.path());
    EXPECT_EQ(unreadable.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"),
                              QStringLiteral("Option1"), QStringLiteral("1")),
              QStringLiteral("1"));
}

// What cannot be stored is said, at the statement that stored it; what is typed reaches the file a moment
// later; a value an older or hand-edited file holds with a bare comma comes back as written.
TEST(QSettingsStore, AFailedWriteIsReportedAndNothingIsReadBackWrong) {
    QTemporaryDir blocked; // the file's place is taken by a folder
    QDir(blocked.path()).mkpath(QStringLiteral("Marrowick/Marrowick.ini"));
    QSettingsStore store(blocked.path());
    FakeHost f;
    Host host{f.browser, f.dialogs, f.pump, f.clock, store, f.processes, f.clipboard, f.files};
    f.state.urls.append(QStringLiteral("http://example.com/kept"));
    closeMainWindow(host, f.state);
    ASSERT_EQ(f.dialogs.errorReports().size(), 1);
    EXPECT_TRUE(
        f.dialogs.messages[0].text.startsWith(QStringLiteral("Path/File access error: the settings file ")));
    EXPECT_TRUE(f.dialogs.messages[0].text.contains(
        QStringLiteral("is a folder\r\nin Vantrel2021/08/31.Form1.Form_QueryUnload at line 106")));
    store.writeSoon(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"),
                    QStringLiteral("x"));
    store.flush(); // a change that cannot be stored yet is never a report while typing
    // ... and is not lost: once the file can be written again, it arrives.
    ASSERT_TRUE(QDir(store.filePath(QStringLiteral("Marrowick"))).removeRecursively());
    QElapsedTimer retried;
    retried.start();
    while (QSettingsStore(blocked.path())
                   .read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"),
                         {}) != QStringLiteral("x") &&
           retried.elapsed() < 20000)
        QThread::msleep(50);
    EXPECT_LT(retried.elapsed(), 20000) << "the value typed while the file could not be written was lost";

    SmallTmpfs disk;
    if (disk.mounted()) {
        QSettingsStore full(disk.filePath(QStringLiteral("config")));
        full.write(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("ListView1"),
                   QStringLiteral("a"));
        disk.fill();
        EXPECT_THROW(full.write(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"),
                                QStringLiteral("ListView1"), QString(4096, QLatin1Char('b'))),
                     Failure);
        QFile kept(full.filePath(QStringLiteral("Marrowick")));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("[Quarnel]\nListView1=a\n")); // the file as it was
    }

    QTemporaryDir config;
    {
        QSettingsStore typing(config.path());
        for (const QString& text : {QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("abc")})
            typing.writeSoon(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"),
                             text);
        EXPECT_EQ(
            typing.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"), {}),
            QStringLiteral("abc"));
    }
    QSettingsStore restarted(config.path());
    EXPECT_EQ(
        restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"), {}),
        QStringLiteral("abc"));
    QFile ini(restarted.filePath(QStringLiteral("Marrowick")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Quarnel]\nListView1=http://a.example/?x=1,2||Separator||b.example\n");
    ini.close();
    EXPECT_EQ(restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"),
                             QStringLiteral("ListView1"), {}),
              QStringLiteral("http://a.example/?x=1,2||Separator||b.example"));
}

// A wait handles every event that comes until its time is up, rather than returning after the first (a
// waiter's loop would then turn once per event of the engine's stream), and ends after the event that wakes
// it.
TEST(QtEventPump, AWaitLastsItsTimeThroughEventsAndEndsWhenWoken) {
    QtEventPump pump;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    pump.waitForEvents(40);
    EXPECT_GT(ticks, 1);

    ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (ticks == 3)
            pump.wake();
    });
    pump.waitForEvents(60'000);
    EXPECT_EQ(ticks, 3);
    // A wake between two waits is not carried into the next one.
    pump.wake();
    ticks = 0;
    ticker.stop();
    QTimer::singleShot(0, [&] { ++ticks; });
    pump.waitForEvents(20);
    EXPECT_EQ(ticks, 1);
}

TEST(PosixProcessRunner, CapturesTheWantedStreamsOnly) {
    PosixProcessRunner runner;
    FakePump pump;
    EXPECT_EQ(CaptureCommandOutput(runner, pump, QStringLiteral("echo one  two"), true, false, true),
              QStringLiteral("one two\n"));
    const QString errorsOnly =
        CaptureCommandOutput(runner, pump, QStringLiteral("ls /no/such/folder"), false, true, true);
    EXPECT_TRUE(errorsOnly.contains(QStringLiteral("/no/such/folder")));
    EXPECT_EQ(CaptureCommandOutput(runner, pump, QStringLiteral("ls /no/such/folder"), true, false, true),
              QString());
    EXPECT_EQ(
        CaptureCommandOutput(runner, pump, QStringLiteral("no-such-program-here --x"), true, true, true),
        QStringLiteral("Failed to create process, check the path of the command line."));
    EXPECT_GE(pump.calls, 2);

    // A command that closes its output and goes on running: the capture ends after a bounded wait, with
    // the window answering all along.
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("lingers.sh"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho said\nexec >&- 2>&-\nsleep 30\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QElapsedTimer took;
    took.start();
    pump.calls = 0;
    EXPECT_EQ(CaptureCommandOutput(runner, pump, script, true, false, true), QStringLiteral("said\n"));
    EXPECT_LT(took.elapsed(), 15000); // not the command's 30 s
    EXPECT_GT(pump.calls, 20);

    // Neither that command nor one whose wait is unwound (the window closing) is left behind, running or
    // as a zombie.
    pump.calls = 0;
    pump.actions[5] = [] { throw AppClosingUnwind(); };
    EXPECT_THROW(CaptureCommandOutput(runner, pump, QStringLiteral("sleep 30"), true, false, true),
                 AppClosingUnwind);
    QStringList children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!entry.toLongLong() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toLongLong() == QCoreApplication::applicationPid())
            children << QString::fromUtf8(line.left(line.lastIndexOf(')') + 3));
    }
    EXPECT_TRUE(children.isEmpty()) << children.join(QLatin1Char('\n')).toStdString();
}
