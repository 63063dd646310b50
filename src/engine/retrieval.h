#pragma once

#include <QString>

struct Host;
class MainState;

namespace Retrieval {
constexpr int WaitCap = 10'000'000;  // wait iterations before the document is read as it stands
constexpr qint64 PageTimeLimitMs = 60'000; // the same, by the clock
} // namespace Retrieval

// Loads one source in the browser engine and returns its text: the document's markup with Option1, the
// body's rendered text with Option2, the empty text with neither or when the page could not be loaded.
QString GetWebBrowserText(Host& host, MainState& state, const QString& entry);
