// Start-up of the main window and the source list's round trip through the real settings file.
#include "engine/mainstate.h"
#include "fakes/fakehost.h"
#include "platform/qt/qsettingsstore.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "shell/settingskeys.h"
#include "shell/startup.h"
#include "ui/form1.h"
#include "wiring/pagebrowser.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// From nothing to a shown, loaded main window, with a stored list of 100 sources. The connectivity check
// answers at once: the ping's own wait is not the program's.
void StartUpToShownWindow(benchmark::State& bench) {
    QTemporaryDir config;
    {
        QSettingsStore store(config.path());
        QStringList urls;
        for (int i = 0; i < 100; ++i)
            urls << QStringLiteral("http://127.0.0.1:8080/page%1.html").arg(i);
        Settings::write(store, QStringLiteral("ListView1"), Settings::joinUrlList(urls));
    }
    for (auto _ : bench) {
        FakeHost f;
        QtEventPump pump;
        SystemClock clock;
        MainState state;
        QSettingsStore settings(config.path());
        PagesHost wired(pump, clock, state, {f.dialogs, settings, f.processes, f.clipboard, f.files});
        Host& host = wired.host;
        Form1 form(host, state);
        Settings::persistChanges(state, settings);
        loadMainWindow(host, state, form);
        form.show();
        QCoreApplication::processEvents();
        if (state.urls.count() != 100 || !form.isVisible())
            bench.SkipWithError("the window did not load its list");
    }
}

// Closing with 100,000 sources writes them; the next start reads them back.
void SaveAndRestoreLargeList(benchmark::State& bench) {
    QTemporaryDir config;
    MainState closing;
    for (int i = 0; i < 100'000; ++i)
        closing.urls.append(QStringLiteral("http://127.0.0.1:8080/pages/page%1.html").arg(i));
    for (auto _ : bench) {
        FakeHost f;
        QSettingsStore settings(config.path());
        Host host{f.browser, f.dialogs, f.pump, f.clock, settings, f.processes, f.clipboard, f.files};
        closeMainWindow(host, closing);
        MainState next;
        struct NoWindow : WindowShell {
            QString applicationFolder() override { return QStringLiteral("/nonexistent"); }
            void applyFaceColor() override {}
            void applySkin(const QString&) override {}
            void loadHoverPointer(const QString&) override {}
            void setCaption(const QString&) override {}
            void setApplicationIcon() override {}
            void setUrlColumn(const QString&, int) override {}
        } window;
        loadMainWindow(host, next, window);
        if (next.urls.count() != 100'000)
            bench.SkipWithError("the list did not come back whole");
    }
}
// One keystroke in Text1 while the settings file holds 100,000 sources: the typed text is stored, but the
// keystroke never waits for the large file to be rewritten.
void KeystrokeWithALargeStoredList(benchmark::State& bench) {
    QTemporaryDir config;
    QSettingsStore settings(config.path());
    QStringList urls;
    for (int i = 0; i < 100'000; ++i)
        urls << QStringLiteral("http://127.0.0.1:8080/pages/page%1.html").arg(i);
    Settings::write(settings, QStringLiteral("ListView1"), Settings::joinUrlList(urls));
    FakeHost f;
    QtEventPump pump;
    SystemClock clock;
    MainState state;
    PagesHost wired(pump, clock, state, {f.dialogs, settings, f.processes, f.clipboard, f.files});
    Host& host = wired.host;
    Form1 form(host, state);
    Settings::persistChanges(state, settings);
    auto* text1 = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    for (auto _ : bench) {
        text1->insert(QStringLiteral("x"));
        QCoreApplication::processEvents();
    }
    settings.flush();
    if (Settings::read(settings, QStringLiteral("Text1"), {}) != text1->text())
        bench.SkipWithError("the typed text was not stored");
}
} // namespace

BENCHMARK(KeystrokeWithALargeStoredList)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(StartUpToShownWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(SaveAndRestoreLargeList)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
