// Duplicate suppression: candidate lines through AddExtractedLine with KeepDuplicates off.
#include "engine/extractionrun.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/dialogs.h"

#include <benchmark/benchmark.h>

namespace {
class NoDialogs : public Dialogs {
public:
    QString fileDialog(const FileDialogRequest&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }

protected:
    MessageAnswer showMessage(const QString&, MessageButtons, MessageIcon, const QString&) override
    {
        return MessageAnswer::Ok;
    }
    QString showPrompt(const QString&, const QString&, const QString&) override { return {}; }
};

void AddExtractedLineWithoutDuplicates(benchmark::State& bench)
{
    const int candidates = int(bench.range(0));
    QStringList lines;
    lines.reserve(candidates);
    for (int i = 0; i < candidates; ++i)
        lines << QStringLiteral("line number %1 of the page").arg(i / 2); // every line twice
    for (auto _ : bench) {
        NoDialogs dialogs;
        MainState state;
        Procedure p(dialogs, QStringLiteral("Bench.Dedup"));
        const QString entry = QStringLiteral("http://127.0.0.1/page.html");
        for (const QString& line : std::as_const(lines))
            ExtractionRun::addExtractedLine(p, state, entry, line, 146);
        if (state.results.count() != candidates / 2)
            bench.SkipWithError("wrong number of results");
    }
    bench.SetItemsProcessed(bench.iterations() * candidates);
}
} // namespace

BENCHMARK(AddExtractedLineWithoutDuplicates)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
