// Benchmarks over the real platform: saving and copying 1,000,000 two-column rows, with a pump that does
// nothing and with the real Qt pump (which yields at most every few milliseconds); collecting a real tree
// of 20,000 files in 2,000 folders.
#include "engine/mainstate.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakehost.h"
#include "fakes/fakepump.h"
#include "output/alignedtable.h"
#include "output/textfilewriter.h"
#include "platform/qt/posixfilesystem.h"
#include "platform/qt/qteventpump.h"
#include "sources/localfiles.h"

#include <QDir>
#include <QFile>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
MainState& bigState() {
    static MainState state;
    if (state.results.isEmpty()) {
        state.results.removeAllColumns();
        state.results.addColumn(QStringLiteral("Source Filename"));
        state.results.addColumn(QStringLiteral("Extraction Results"));
        for (int i = 0; i < 1'000'000; ++i) {
            state.results.appendSourcedRow(QStringLiteral("http://127.0.0.1:8080/page%1.html").arg(i % 200));
            state.results.setLastRowText(QStringLiteral("extracted line number %1").arg(i));
        }
    }
    return state;
}

template <class Pump> void SaveAligned(benchmark::State& bench) {
    MainState& state = bigState();
    QTemporaryDir dir;
    Pump pump;
    FakeDialogs dialogs;
    StatusLineProgress progress(state);
    for (auto _ : bench) {
        TextFileWriter file;
        writeAlignedTable(dialogs, pump, state.results, dir.filePath(QStringLiteral("out.txt")), &progress,
                          file);
    }
    if (!dialogs.messages.isEmpty())
        bench.SkipWithError("the save reported a failure");
}

template <class Pump> void CopyAsClipboardText(benchmark::State& bench) {
    MainState& state = bigState();
    Pump pump;
    for (auto _ : bench)
        benchmark::DoNotOptimize(buildClipboardTable(pump, state.results));
}
void CollectFolderTree(benchmark::State& bench) {
    QTemporaryDir dir;
    for (int d = 0; d < 2000; ++d) {
        const QString folder = dir.path() + QStringLiteral("/level%1/folder%2").arg(d % 10).arg(d);
        QDir().mkpath(folder);
        for (int f = 0; f < 10; ++f)
            QFile(folder + QStringLiteral("/page%1.htm").arg(f)).open(QIODevice::WriteOnly);
    }
    for (auto _ : bench) {
        FakeHost f;
        PosixFileSystem fs;
        QtEventPump pump;
        Host host{f.browser, f.dialogs, pump, f.clock, f.settings, f.processes, f.clipboard, fs};
        f.dialogs.promptAnswers << QStringLiteral("htm");
        f.dialogs.folderAnswers << dir.path();
        addHtmlFilesInFolder(host, f.state);
        if (f.state.urls.count() != 20'000)
            bench.SkipWithError("wrong number of files");
    }
}
} // namespace

BENCHMARK(CollectFolderTree)
    ->Name("CollectFolderTree/20000 files/2000 folders")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SaveAligned<FakePump>)
    ->Name("SaveAligned/1M/no-op pump")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(SaveAligned<QtEventPump>)
    ->Name("SaveAligned/1M/Qt pump")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(CopyAsClipboardText<FakePump>)
    ->Name("ClipboardText/1M/no-op pump")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(CopyAsClipboardText<QtEventPump>)
    ->Name("ClipboardText/1M/Qt pump")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
