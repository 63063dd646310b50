#include "fakes/fakepump.h"
#include "platform/qt/posixprocessrunner.h"
#include "platform/qt/qsettingsstore.h"
#include "shell/cmdoutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(QSettingsStore, ValuesSurviveARestartAndABrokenFileReadsAsDefaults)
{
    QTemporaryDir config;
    {
        QSettingsStore store(config.path());
        store.write(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"),
                    QStringLiteral("a=b; [c] \"d\" \u00e9"));
    }
    QSettingsStore restarted(config.path());
    EXPECT_EQ(restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Text1"), {}),
              QStringLiteral("a=b; [c] \"d\" \u00e9"));
    EXPECT_TRUE(QFile::exists(config.filePath(QStringLiteral("Marrowick/Marrowick.ini"))));

    QFile ini(restarted.filePath(QStringLiteral("Marrowick")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("\x00\xff[[[garbage\n=\n", 15);
    ini.close();
    EXPECT_EQ(restarted.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Check1"),
                             QStringLiteral("0")),
              QStringLiteral("0"));

    QTemporaryDir other; // the file's place is taken by a folder: unreadable
    QDir(other.path()).mkpath(QStringLiteral("Marrowick/Marrowick.ini"));
    QSettingsStore unreadable(other.path());
    EXPECT_EQ(unreadable.read(QStringLiteral("Marrowick"), QStringLiteral("Quarnel"), QStringLiteral("Option1"),
                              QStringLiteral("1")),
              QStringLiteral("1"));
}

TEST(PosixProcessRunner, CapturesTheWantedStreamsOnly)
{
    PosixProcessRunner runner;
    FakePump pump;
    EXPECT_EQ(CaptureCommandOutput(runner, pump, QStringLiteral("echo one  two"), true, false, true),
              QStringLiteral("one two\n"));
    const QString errorsOnly =
        CaptureCommandOutput(runner, pump, QStringLiteral("ls /no/such/folder"), false, true, true);
    EXPECT_TRUE(errorsOnly.contains(QStringLiteral("/no/such/folder")));
    EXPECT_EQ(CaptureCommandOutput(runner, pump, QStringLiteral("ls /no/such/folder"), true, false, true), QString());
    EXPECT_EQ(CaptureCommandOutput(runner, pump, QStringLiteral("no-such-program-here --x"), true, true, true),
              QStringLiteral("Failed to create process, check the path of the command line."));
    EXPECT_GE(pump.calls, 2);
}
