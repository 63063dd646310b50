// Saving and copying 1,000,000 two-column rows: with a pump that does nothing, and with the real Qt pump
// (which yields to the event loop at most every few milliseconds).
#include "engine/mainstate.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakepump.h"
#include "output/alignedtable.h"
#include "output/textfilewriter.h"
#include "platform/qt/qteventpump.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
MainState& bigState()
{
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

template <class Pump> void SaveAligned(benchmark::State& bench)
{
    MainState& state = bigState();
    QTemporaryDir dir;
    Pump pump;
    FakeDialogs dialogs;
    StatusLineProgress progress(state);
    for (auto _ : bench) {
        TextFileWriter file;
        SaveListviewProperlySpaced(dialogs, pump, state.results, dir.filePath(QStringLiteral("out.txt")), &progress,
                                   file);
    }
    if (!dialogs.messages.isEmpty())
        bench.SkipWithError("the save reported a failure");
}

template <class Pump> void CopyAsClipboardText(benchmark::State& bench)
{
    MainState& state = bigState();
    Pump pump;
    for (auto _ : bench)
        benchmark::DoNotOptimize(buildClipboardTable(pump, state.results));
}
} // namespace

BENCHMARK(SaveAligned<FakePump>)->Name("SaveAligned/1M/no-op pump")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(SaveAligned<QtEventPump>)->Name("SaveAligned/1M/Qt pump")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(CopyAsClipboardText<FakePump>)->Name("ClipboardText/1M/no-op pump")->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(CopyAsClipboardText<QtEventPump>)->Name("ClipboardText/1M/Qt pump")->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
