// What blocking costs: the time to read the block lists Debian ships (each of 5 reads), and the time of one
// decision, over requests of the kinds an article page makes: to its own host, to library hosts (CDNs, web
// fonts) that no list names, and to ad and tracker hosts taken from the lists themselves (every 50th
// `||host^` rule, with a subdomain in front). A file of requests ("type host page-host" a line, type a
// BlockRules type number) can be given instead.
//   quarnel_block_rules [requests-file]
#include "webengine/blockrules.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

struct Request {
    QString host, page;
    BlockRules::Type type;
};

std::vector<Request> articleRequests(const BlockRules::Type* types, int typeCount) {
    std::vector<Request> requests;
    QStringList listed;
    for (const QString& path : BlockRules::defaultLists()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        int n = 0;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("||") && line.endsWith('^') && !line.contains('*') && ++n % 50 == 0)
                listed << QStringLiteral("static.") + QString::fromLatin1(line.mid(2, line.size() - 3));
    }
    const QStringList libraries = {QStringLiteral("cdnjs.cloudflare.com"),
                                   QStringLiteral("cdn.jsdelivr.net"),
                                   QStringLiteral("code.jquery.com"),
                                   QStringLiteral("ajax.googleapis.com"),
                                   QStringLiteral("unpkg.com"),
                                   QStringLiteral("fonts.googleapis.com")};
    for (int page = 0; page < 500; ++page) {
        const QString own = QStringLiteral("www.news-%1.example.org").arg(page);
        for (int i = 0; i < 20; ++i)
            requests.push_back({own, own, types[i % typeCount]});
        for (int i = 0; i < 8; ++i)
            requests.push_back({libraries[(page + i) % libraries.size()], own, types[i % typeCount]});
        for (int i = 0; i < 12 && !listed.isEmpty(); ++i)
            requests.push_back({listed[(page * 12 + i) % listed.size()], own, types[i % typeCount]});
    }
    return requests;
}

} // namespace

int main(int argc, char* argv[]) {
    std::shared_ptr<const BlockRules> rules;
    std::vector<double> readMs;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        QStringList missing;
        rules = readBlockLists({}, &missing);
        readMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!missing.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(missingBlockLists(missing)));
            return 1;
        }
    }
    std::sort(readMs.begin(), readMs.end());
    std::printf("lists read: %d rules, %d skipped, in %.1f ms (median of 5; %.1f to %.1f)\n", rules->rules(),
                rules->skipped(), readMs[2], readMs.front(), readMs.back());

    const BlockRules::Type types[] = {BlockRules::Script, BlockRules::Xhr,         BlockRules::Stylesheet,
                                      BlockRules::Script, BlockRules::Subdocument, BlockRules::Other};
    std::vector<Request> requests;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() == 3)
                requests.push_back(
                    {QString::fromLatin1(f[1]), QString::fromLatin1(f[2]), BlockRules::Type(f[0].toInt())});
        }
    } else {
        requests = articleRequests(types, int(std::size(types)));
    }
    // Each request is decided five times: its least time is the decision's own, its most what a busy machine
    // added to it (a preemption, a page fault).
    std::vector<double> least, most;
    int blocked = 0;
    for (const Request& r : requests) {
        double low = 1e18, high = 0;
        bool b = false;
        for (int k = 0; k < 5; ++k) {
            const auto start = std::chrono::steady_clock::now();
            b = rules->blocks(r.host, r.page, r.type);
            const double ns =
                std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
            low = std::min(low, ns);
            high = std::max(high, ns);
        }
        least.push_back(low);
        most.push_back(high);
        blocked += b ? 1 : 0;
    }
    std::sort(least.begin(), least.end());
    std::sort(most.begin(), most.end());
    std::printf("decisions: %zu requests, %d blocked; each request's least time of 5: median %.2f us, 99th "
                "percentile %.2f us, slowest %.2f us; the slowest single try %.2f us\n",
                least.size(), blocked, least[least.size() / 2] / 1000, least[least.size() * 99 / 100] / 1000,
                least.back() / 1000, most.back() / 1000);
    return 0;
}
