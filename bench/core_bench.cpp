// Engine benchmarks: duplicate suppression, loading a large list file.
#include "engine/extractionrun.h"
#include "engine/mainstate.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "engine/procedure.h"
#include "fakes/fakehost.h"
#include "platform/dialogs.h"
#include "sources/filetolist.h"
#include "sources/sourcelistcommands.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
class NoDialogs : public Dialogs {
public:
    QString fileDialog(const FileDialogRequest&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }

protected:
    MessageAnswer showMessage(const QString&, MessageButtons, MessageIcon, const QString&) override {
        return MessageAnswer::Ok;
    }
    QString showPrompt(const QString&, const QString&, const QString&) override { return {}; }
};

void AddExtractedLineWithoutDuplicates(benchmark::State& bench) {
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
// "Load List Of URLS From Text File" with 100,000 lines.
void LoadLargeListFile(benchmark::State& bench) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("list.txt")));
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < bench.range(0); ++i)
        file.write(QByteArray("http://127.0.0.1:8080/pages/page") + QByteArray::number(i) + ".html\r\n");
    file.close();
    for (auto _ : bench) {
        NoDialogs dialogs;
        UrlList urls;
        FileToList(dialogs, urls, file.fileName());
        if (urls.count() != bench.range(0))
            bench.SkipWithError("wrong number of entries");
    }
}
// "Remove URLs Containing X" taking every second entry of a long list.
void RemoveHalfOfALongList(benchmark::State& bench) {
    for (auto _ : bench) {
        bench.PauseTiming();
        UrlList urls;
        for (qsizetype i = 0; i < bench.range(0); ++i)
            urls.append(QStringLiteral("http://127.0.0.1:8080/%1/page%2.html")
                            .arg(i % 2 ? QStringLiteral("odd") : QStringLiteral("even"))
                            .arg(i));
        bench.ResumeTiming();
        RemoveUrlsContaining(urls, QStringLiteral("/ODD/"));
        if (urls.count() != bench.range(0) / 2)
            bench.SkipWithError("wrong number of entries left");
    }
}

// A page of 200,000 lines of table markup.
QString tablePage() {
    QStringList lines;
    for (int i = 0; i < 200'000; ++i)
        lines << QStringLiteral("<td class=\"cell\">row %1 of the table</td>").arg(i);
    return lines.join(QStringLiteral("\r\n"));
}

// One page of 200,000 lines through a mode's line loop (fake browser; event processing is a no-op).
template <void (*Mode)(Host&, MainState&)> void LineLoop(benchmark::State& bench) {
    const QString page = tablePage();
    for (auto _ : bench) {
        FakeHost f;
        f.browser.setPage(QStringLiteral("p"), page);
        f.state.urls.append(QStringLiteral("p"));
        f.state.setText1(QStringLiteral("ROW 1"));
        QStringList pieces;
        for (int i = 1; i <= 20; ++i)
            pieces << QString::number(i * 997);
        f.state.setText5(pieces.join(QLatin1Char(',')));
        Mode(f.host, f.state);
    }
    bench.SetItemsProcessed(bench.iterations() * 200'000);
}
// A 10 MB page with 100,000 marker pairs through "Extract Between".
void BetweenMarkers(benchmark::State& bench) {
    QString page;
    page.reserve(10'500'000);
    const QString filler(90, QLatin1Char('.'));
    for (int i = 0; i < 100'000; ++i)
        page += filler + QStringLiteral("<TD>cell %1</td>").arg(i);
    for (auto _ : bench) {
        FakeHost f;
        BetweenState between;
        between.setStartWith(QStringLiteral("<td>"));
        between.setEndWith(QStringLiteral("</TD>"));
        f.browser.setPage(QStringLiteral("p"), page);
        f.state.urls.append(QStringLiteral("p"));
        f.state.setCheck1(1);
        ExtractBetween::runBetween(f.host, f.state, between);
        if (f.state.results.count() != 100'000)
            bench.SkipWithError("wrong number of fragments");
    }
    bench.counters["page MB"] = double(page.size()) / 1e6;
}

// A page of 200,000 lines against a set of 50 texts.
void TextSetLineTests(benchmark::State& bench) {
    const QString page = tablePage();
    for (auto _ : bench) {
        FakeHost f;
        TextSetState set;
        for (int k = 0; k < 50; ++k)
            set.append(QStringLiteral("ROW %1 ").arg(k * 3001));
        f.browser.setPage(QStringLiteral("p"), page);
        f.state.urls.append(QStringLiteral("p"));
        ExtractTextSets::runTextSet(f.host, f.state, set);
    }
    bench.SetItemsProcessed(bench.iterations() * 200'000 * 50); // line-text tests
}
} // namespace

BENCHMARK(BetweenMarkers)->Unit(benchmark::kMillisecond);
BENCHMARK(TextSetLineTests)->Unit(benchmark::kMillisecond);
BENCHMARK(LineLoop<runLinesContaining>)->Name("ContainingLineLoop/200000")->Unit(benchmark::kMillisecond);
BENCHMARK(LineLoop<runLinesByNumber>)->Name("LinesByNumberLoop/200000")->Unit(benchmark::kMillisecond);
BENCHMARK(LoadLargeListFile)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(RemoveHalfOfALongList)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(AddExtractedLineWithoutDuplicates)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
