#pragma once

#include <QByteArray>

struct CliOptions;
struct Host;
struct Shard;
class MainState;
class ResultsList;
class UrlList;

// The steps of a command-line run: its sources, its mode, and its output in the aligned, comma and table
// layouts. (The streamed layouts are written by RowStream as the run goes.)

// Gathers the sources of the arguments, --input and --folder into the source list; throws UsageError when
// there is none or an input cannot be read.
void addSources(const CliOptions& o, Host& host, MainState& state);
// --shard K/N: keeps the entries at positions p with (p - 1) mod N = K - 1, so that N processes given the
// same list split it exactly.
void keepShard(const Shard& shard, UrlList& urls);
// Runs the extraction mode the options name over the source list.
void runMode(const CliOptions& o, Host& host, MainState& state);
// What a resumed run must share with the run it goes on from: every option that shapes the rows, and the
// list itself.
QByteArray runKey(const CliOptions& o, const UrlList& urls);
// Writes the results in the aligned, comma or table layout to standard output or to --output; false when
// the write failed (said on standard error).
bool writeResults(const CliOptions& o, Host& host, const ResultsList& results);
